#include "aboutdialog.h"
#include "configdialog.h"
#include "mainwindow.h"
#include "support.h"

static const QByteArray FULL_FILE = "[Allgemein]\nTitel=Flur\nIntervall=7\n[Fenster]\nX=5\n[SenderEin]\nUrl=http://steckdose.test/ein\n"
                                    "Method=GET\n[SenderAus]\nUrl=\" http://steckdose.test/aus \"\nMethod=post\n[Extra]\nFoo=bar\n";

class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    void startsAsConfigured_data();
    void startsAsConfigured();
    void dialog_data();
    void dialog();
};

void TestWindows::startsAsConfigured_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QPoint>("pos"); // (-1, -1): left to the window system
    QTest::addColumn<int>("pollMs");

    // clang-format off
    QTest::newRow("no file") << QByteArray() << "Quorvel" << QPoint(-1, -1) << 10000;
    QTest::newRow("origin, interval 0") << QByteArray("[Allgemein]\nIntervall=0\n[Fenster]\nX=0\nY=0\n") << "Quorvel" << QPoint(0, 0) << 10000;
    QTest::newRow("interval 1, empty title") << QByteArray("[Allgemein]\nTitel=\nIntervall=1\n[Fenster]\nX=40\nY=60\n") << "" << QPoint(40, 60) << 1000;
    QTest::newRow("largest interval in ms, escapes") << QByteArray("[Allgemein]\nTitel=K\\xfc\\x63he\nIntervall=2147483\n") << "Küche" << QPoint(-1, -1) << 2147483000;
    QTest::newRow("typed in UTF-8") << QByteArray("[Allgemein]\nTitel=Steckdose Küche ☰\n") << "Steckdose Küche ☰" << QPoint(-1, -1) << 10000;
    QTest::newRow("interval clamped, x negative: both at the ends of 32 bits") << QByteArray("[Allgemein]\nIntervall=2147483647\n[Fenster]\nX=-2147483648\nY=100\n") << "Quorvel" << QPoint(-1, -1) << INT_MAX;
    QTest::newRow("beyond 32 bits, X a word") << QByteArray("[Allgemein]\nIntervall=99999999999\n[Fenster]\nX=links\nY=7\n") << "Quorvel" << QPoint(0, 7) << 10000;
    QTest::newRow("binary garbage") << QByteArray("\xff\x00[\x01\n=\xfe]\n", 9) << "Quorvel" << QPoint(-1, -1) << 10000;
    // clang-format on
}

// Where a user finds each control: i and ☰ in the top corners, the state centred below them, Ein
// above Aus in the middle, the status line across the bottom. Closing saves the position.
void TestWindows::startsAsConfigured()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, title);
    QFETCH(QPoint, pos);
    QFETCH(int, pollMs);
    writeConfig(file);

    MainWindow w;
    QCOMPARE(w.size(), QSize(360, 260));
    QCOMPARE(w.testAttribute(Qt::WA_Moved) ? w.pos() : QPoint(-1, -1), pos);
    auto *dot = w.findChild<QLabel *>("stateIndicator"), *word = w.findChild<QLabel *>("stateLabel"), *status = w.findChild<QLabel *>("statusLabel");
    QCOMPARE(QStringList({dot->text(), dot->styleSheet(), word->text(), status->text()}), QStringList({"●", "color: gray;", "Unbekannt", "Version 1.0.1"}));
    QVERIFY(dot->font().pointSize() == 18 && word->font().pointSize() == 11 && word->font().bold() && status->wordWrap() && status->alignment() == Qt::AlignCenter && status->textFormat() == Qt::PlainText); // long texts wrap; device texts are no markup
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QMargins m = w.layout()->contentsMargins();
    QCOMPARE(button(&w, "i")->geometry(), QRect(m.left(), m.top(), 32, 32));
    QCOMPARE(button(&w, "☰")->geometry(), QRect(w.width() - m.right() - 32, m.top(), 32, 32));
    QVERIFY(qAbs(dot->x() + word->geometry().right() - w.width()) <= 2); // centred as a pair
    const QRect ein = button(&w, "Ein")->geometry(), aus = button(&w, "Aus")->geometry();
    QCOMPARE(ein, QRect((w.width() - 120) / 2, ein.y(), 120, ein.height()));
    QCOMPARE(aus, ein.translated(0, ein.height() + 8 + w.layout()->spacing())); // a spacer takes no spacing of its own
    QCOMPARE(status->geometry(), QRect(m.left(), status->y(), w.width() - m.left() - m.right(), w.height() - m.bottom() - status->y()));
    QVERIFY(qAbs(ein.top() - word->geometry().bottom() - (status->y() - aus.bottom())) <= 3); // the pair in the middle
    QAccessibleInterface *a11y = QAccessible::queryAccessibleInterface(&w);
    QStringList names{a11y->text(QAccessible::Name)}; // what a screen reader says: the title, then each part once
    for (int i = 0; i < a11y->childCount(); ++i)
        names << a11y->child(i)->text(QAccessible::Name);
    QCOMPARE(names, QStringList({title, "Über Quorvel", "Konfiguration", "Zustand: Unbekannt", "Ein", "Aus", "Version 1.0.1"}));
    QVERIFY(a11y->role() == QAccessible::Window && a11y->child(5)->role() == QAccessible::StatusBar); // its title bar and status bar

    auto *poll = w.findChild<QTimer *>("pollTimer"); // without an Ein URL nothing is sent
    QTRY_COMPARE(poll->isActive() ? poll->interval() : -1, pollMs);
    QFile read(configPath()); // reading never writes, nor creates the file
    QCOMPARE(read.open(QIODevice::ReadOnly) ? read.readAll() : QByteArray(), file);

    // The about dialog, modal over the window, names the program whatever the window's title.
    whenShown<AboutDialog>([&](AboutDialog *d) {
        button(d, "Schließen")->click();
        QVERIFY(d->result() == QDialog::Accepted && d->windowTitle() == "Über" && d->minimumSize() == QSize(220, 200) && d->maximumSize() == QSize(220, 200));
        QStringList shown; // top to bottom, each after the gap above it: labels (and what a screen reader hears instead), sunken rules in the layout, the button
        int bottom = d->layout()->contentsMargins().top();
        for (QWidget *widget : d->findChildren<QWidget *>()) {
            auto *line = qobject_cast<QFrame *>(widget);
            shown << QString::number(widget->y() - std::exchange(bottom, widget->geometry().bottom() + 1)) + ' ';
            if (auto *label = qobject_cast<QLabel *>(widget))
                shown.last() += label->text() + (label->font().bold() ? " bold " + QString::number(label->font().pointSize()) : "") + (label->accessibleName().isEmpty() ? "" : " = " + label->accessibleName());
            else
                shown.last() += line && line->frameShadow() == QFrame::Sunken && d->layout()->indexOf(line) >= 0 ? "---" : "";
        }
        QCOMPARE(shown, QStringList({"0 Quorvel bold 13", "4 ---", "8 Version 1.0.1 = Quorvel, Version 1.0.1", "10 Für Tasmota-Steckdosen", "4 Gebaut mit Qt " + QString::number(QT_VERSION_MAJOR), "4 © 2026 Quorvel-Team", "8 ---", "4 "}));
    });
    button(&w, "i")->click();
    QCOMPARE(w.windowTitle() + status->text(), title + "Version 1.0.1");

    w.move(123, 45);
    QVERIFY(w.close());
    QCOMPARE(ConfigDialog::loadConfig().windowPos, QPoint(123, 45));
    read.close(); // the write replaced the file whole
    QVERIFY(read.open(QIODevice::ReadOnly) && (!file.contains("Titel=") || read.readAll().contains("\nTitel=" + title.toUtf8() + '\n'))); // the title kept whole, in UTF-8 as editors write it
}

void TestWindows::dialog_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("typed"); // title and interval; none: left as shown
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("stored"); // title|interval|Ein URL|Ein method|Aus URL|Aus method|X (-1: none)|Extra

    const QByteArray methods = "[SenderEin]\nMethod=PUT\n[SenderAus]\nMethod=\" POST\"\n";
    // clang-format off
    QTest::newRow("as shown, no file") << QByteArray() << QStringList() << "Speichern" << "Quorvel|10||POST||POST|-1|";
    QTest::newRow("as shown") << FULL_FILE << QStringList() << "Speichern" << "Flur|7|http://steckdose.test/ein|GET|http://steckdose.test/aus|POST|5|bar";
    QTest::newRow("a line it cannot parse") << FULL_FILE + "kaputt\n" << QStringList() << "Speichern" << "Flur|7|http://steckdose.test/ein|GET|http://steckdose.test/aus|POST|5|bar";
    QTest::newRow("padded, any other method is GET") << methods << QStringList({"  Küche ☰ ", " 15 "}) << "Speichern" << "Küche ☰|15||GET||GET|-1|";
    QTest::newRow("blank title and interval") << QByteArray() << QStringList({"   ", " "}) << "Speichern" << "Quorvel|1||POST||POST|-1|";
    QTest::newRow("interval 0") << QByteArray() << QStringList({"Flur", "0"}) << "Enter" << "Flur|1||POST||POST|-1|";
    QTest::newRow("interval beyond 32 bits") << QByteArray() << QStringList({"Flur", "99999999999"}) << "Speichern" << "Flur|1||POST||POST|-1|";
    QTest::newRow("Abbrechen") << FULL_FILE << QStringList({"Anders", "3"}) << "Abbrechen" << "Flur|7|http://steckdose.test/ein|GET| http://steckdose.test/aus |post|5|bar";
    QTest::newRow("cannot be written: stays open") << QByteArray("link") << QStringList({"Anders"}) << "Speichern" << "Anders|10||POST||POST|-1|";
    // clang-format on
}

// The dialog shows the file, normalises what it saves and writes only its own keys; only a save writes.
void TestWindows::dialog()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, typed);
    QFETCH(QString, how);
    QFETCH(QString, stored);
    // A link to a file whose name leaves no room for the temporary name that a save gives the new
    // file beside it before the new file replaces the old one: that last step fails.
    const QString target = QCoreApplication::applicationDirPath() + '/' + QString(250, 'x');
    writeConfig(file == "link" ? QByteArray() : file);
    QVERIFY(file != "link" || (QFile(target).open(QIODevice::WriteOnly) && QFile::link(target, configPath())));

    ConfigDialog d;
    d.show();
    const QList<QComboBox *> boxes = d.findChildren<QComboBox *>();
    QStringList told{d.windowTitle()}; // each label, and each field after it by its group, name (a box: its value), label and what it adds; misplaced: not right of its label, a box wider than its text
    for (QWidget *field : d.findChildren<QWidget *>()) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(field), *label = a->relations(QAccessible::Label).value(0).first;
        if (auto *l = qobject_cast<QLabel *>(field))
            told << l->text();
        else if (label && field->focusPolicy() != Qt::NoFocus)
            told << QStringList({a->parent()->text(QAccessible::Name), a->text(QAccessible::Name), label->text(QAccessible::Name), a->text(QAccessible::Description)}).join(' ') + (label->rect().right() < a->rect().left() && qAbs(label->rect().center().y() - a->rect().center().y()) < 4 && (!qobject_cast<QComboBox *>(field) || field->width() == field->sizeHint().width()) ? "" : " misplaced");
    }
    const QRect save = button(&d, "Speichern")->geometry(), cancel = button(&d, "Abbrechen")->geometry();
    QVERIFY(cancel.bottomRight() == d.rect().marginsRemoved(d.layout()->contentsMargins()).bottomRight() && save.right() < cancel.left() && save.y() == cancel.y()); // bottom right
    QCOMPARE(told, QStringList({"Konfiguration", "Allgemein Fenstertitel: Fenstertitel: Quorvel", "Fenstertitel:", "Allgemein Abfrageintervall: Abfrageintervall: Sekunden", "Abfrageintervall:", "Sekunden", "Ein Ziel-URL: Ziel-URL: ", "Ziel-URL:", "Ein " + boxes[0]->currentText() + " Methode: " + boxes[0]->currentText(), "Methode:", "Aus Ziel-URL: Ziel-URL: ", "Ziel-URL:", "Aus " + boxes[1]->currentText() + " Methode: " + boxes[1]->currentText(), "Methode:", ""}));
    const QList<QLineEdit *> fields = d.findChildren<QLineEdit *>(); // title, interval, Ein URL, Aus URL
    for (int i = 0; i < typed.size(); ++i)
        fields[i]->setText(typed[i]);
    how == "Enter" ? QTest::keyClick(fields[3], Qt::Key_Return) : button(&d, how)->click();
    QCOMPARE(d.result(), int(how != "Abbrechen" && file != "link"));
    QCOMPARE(d.isVisible(), file == "link"); // with the user's input and why
    const QLabel *error = d.findChild<QLabel *>("saveErrorLabel");
    QTRY_COMPARE(error->isVisibleTo(&d) && error->textFormat() == Qt::PlainText && error->wordWrap() && error->x() > 0 && error->geometry().bottom() < button(&d, "Abbrechen")->y() ? error->text() : "(hidden)", file == "link" ? "Die Konfiguration konnte nicht gespeichert werden: " + configPath() : "(hidden)");
    if (file == "link" && QFile::remove(configPath()) && QFile::remove(target)) // writable again: Speichern saves the input
        button(&d, "Speichern")->click();
    const AppConfig c = ConfigDialog::loadConfig();
    QFile saved(configPath());
    QCOMPARE(QStringList({c.title, QString::number(c.interval), c.ein.url, c.ein.method, c.aus.url, c.aus.method, QString::number(c.windowPos.x()), saved.open(QIODevice::ReadOnly) && saved.readAll().contains("\nFoo=bar\n") ? "bar" : ""}).join('|'), stored);
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
