#include "aboutdialog.h"
#include "configdialog.h"
#include "support.h"

class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    void startsAsConfigured_data();
    void startsAsConfigured();
    void dialog_data();
    void dialog();
    void twoWriters();
};

void TestWindows::startsAsConfigured_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QPoint>("pos"); // (-1, -1): left to the window system
    QTest::addColumn<int>("pollMs");

    const QString q = "Quorvel";
    const QPoint none(-1, -1);
    QTest::newRow("no file") << QString() << q << none << 10000;
    QTest::newRow("at 0, 0; interval 0") << "[Allgemein]\nIntervall=0\n[Fenster]\nX=0\nY=0\n" << q << QPoint() << 10000;
    QTest::newRow("interval 1, empty title") << "[Allgemein]\nTitel=\nIntervall=1\n[Fenster]\nX=40\nY=60\n"
                                             << "" << QPoint(40, 60) << 1000;
    QTest::newRow("largest interval in ms, escapes") << "[Allgemein]\nTitel=K\\xfc\\x63he\nIntervall=2147483\n"
                                                     << "Küche" << none << 2147483000;
    QTest::newRow("typed in UTF-8") << "[Allgemein]\nTitel=Steckdose Küche ☰\n"
                                    << "Steckdose Küche ☰" << none << 10000;
    QTest::newRow("interval clamped, x negative: both at the ends of 32 bits")
        << "[Allgemein]\nIntervall=2147483647\n[Fenster]\nX=-2147483648\nY=100\n"
        << q << none << INT_MAX;
    QTest::newRow("beyond 32 bits, X a word") << "[Allgemein]\nIntervall=99999999999\n[Fenster]\nX=links\nY=7\n"
                                              << q << QPoint(0, 7) << 10000;
    QTest::newRow("binary garbage") << QString::fromLatin1("\xff\x00[\x01\n=\xfe]\n", 9) << q << none << 10000;
}

// Where a user finds each control: i and ☰ in the top corners, the state centred below them, Ein
// above Aus in the middle, the status line across the bottom. Closing saves the position.
void TestWindows::startsAsConfigured()
{
    QFETCH(QString, file);
    QFETCH(QString, title);
    QFETCH(QPoint, pos);
    QFETCH(int, pollMs);
    writeConfig(file.toUtf8());

    Window w;
    QLabel *dot = w.dot, *word = w.word, *status = w.status;
    QCOMPARE(w.testAttribute(Qt::WA_Moved) ? w.pos() : QPoint(-1, -1), pos);
    QCOMPARE(dot->text() + ' ' + dot->styleSheet() + ' ' + word->text(), "● color: gray; Unbekannt");
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.size(), QSize(360, 260));
    QVERIFY(dot->font().pointSize() == 18 && word->font().pointSize() == 11 && word->font().bold());
    QVERIFY(status->wordWrap() && status->alignment() == Qt::AlignCenter); // long texts wrap
    QCOMPARE(status->textFormat(), Qt::PlainText); // device texts are no markup
    const QMargins m = w.layout()->contentsMargins();
    QCOMPARE(button(&w, "i")->geometry(), QRect(m.left(), m.top(), 32, 32));
    QCOMPARE(button(&w, "☰")->geometry(), QRect(w.width() - m.right() - 32, m.top(), 32, 32));
    QVERIFY(qAbs(dot->x() + word->geometry().right() - w.width()) <= 2); // centred as a pair
    const QRect ein = button(&w, "Ein")->geometry(), aus = button(&w, "Aus")->geometry();
    QCOMPARE(ein, QRect((w.width() - 120) / 2, ein.y(), 120, ein.height()));
    // A spacer has no spacing.
    QCOMPARE(aus, ein.translated(0, ein.height() + 8 + w.layout()->spacing()));
    const int width = w.width() - m.left() - m.right();
    QCOMPARE(status->geometry(), QRect(m.left(), status->y(), width, w.height() - m.bottom() - status->y()));
    // The pair in the middle.
    QVERIFY(qAbs(ein.top() - word->geometry().bottom() - (status->y() - aus.bottom())) <= 3);

    // What a screen reader says: the window by its title, then each part once; the status line is the
    // status bar (!).
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&w);
    QStringList parts{window->text(QAccessible::Name)};
    for (int i = 0; i < window->childCount(); ++i)
        parts << window->child(i)->text(QAccessible::Name)
                + (window->child(i)->role() == QAccessible::StatusBar ? "!" : "");
    QCOMPARE(
        parts,
        QStringList({title, "Über Quorvel", "Konfiguration", "Zustand: Unbekannt", "Ein", "Aus", "Version 1.0.1!"}));
    QCOMPARE(window->role(), QAccessible::Window);

    // Without an Ein URL nothing is sent.
    QTRY_COMPARE(w.poll->isActive() ? w.poll->interval() : -1, pollMs);
    QCOMPARE(contents(), file.toUtf8()); // reading never writes, nor creates the file

    // The about dialog, modal over the window, names the program whatever the window's title: top to bottom,
    // each part after the gap above it, the version as a screen reader hears it.
    whenShown<AboutDialog>([](AboutDialog *d) {
        button(d, "Schließen")->click();
        QVERIFY(d->result() == QDialog::Accepted && d->windowTitle() == "Über");
        QVERIFY(d->minimumSize() == QSize(220, 200) && d->maximumSize() == QSize(220, 200));
        const QFont heading = d->findChild<QLabel *>()->font();
        QVERIFY(heading.bold() && heading.pointSize() == 13);
        QStringList shown;
        int bottom = d->layout()->contentsMargins().top();
        for (QWidget *part : d->findChildren<QWidget *>()) {
            auto *label = qobject_cast<QLabel *>(part);
            auto *line = qobject_cast<QFrame *>(part);
            const QString what = label                          ? label->text() + ' ' + label->accessibleName()
                : line && line->frameShadow() == QFrame::Sunken ? "sunken line"
                                                                : "";
            shown << QString::number(part->y() - std::exchange(bottom, part->geometry().bottom() + 1)) + ' ' + what;
        }
        QCOMPARE(
            shown,
            QStringList({"0 Quorvel ", "4 sunken line", "8 Version 1.0.1 Quorvel, Version 1.0.1",
                         "10 Für Tasmota-Steckdosen ", "4 Gebaut mit Qt " + QString::number(QT_VERSION_MAJOR) + ' ',
                         "4 © 2026 Quorvel-Team ", "8 sunken line", "4 "}));
    });
    button(&w, "i")->click();

    w.move(123, 45);
    QVERIFY(w.close());
    QCOMPARE(ConfigDialog::loadConfig().windowPos, QPoint(123, 45));
    // The title kept whole, in UTF-8 as editors write it.
    QVERIFY(!file.contains("Titel=") || contents().contains("\nTitel=" + title.toUtf8() + '\n'));
}

void TestWindows::dialog_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("obstacle"); // a link to a file that cannot be replaced, or a lock on the file
    QTest::addColumn<QStringList>("typed"); // title and interval; none: left as shown
    QTest::addColumn<QString>("how");
    // Title|interval|Ein URL|Ein method|Aus URL|Aus method|X (-1: none)|Extra.
    QTest::addColumn<QString>("stored");

    const QString full
        = "[Allgemein]\nTitel=Flur\nIntervall=7\n[Fenster]\nX=5\n[SenderEin]\nUrl=\"http://steckdose.test/ein \"\n"
          "Method=GET\n[SenderAus]\nUrl=\" http://steckdose.test/aus\"\nMethod=post\n[Extra]\nFoo=bar\n";
    const QString asShown = "Flur|7|http://steckdose.test/ein|GET|http://steckdose.test/aus|POST|5|bar";
    const QString save = "Speichern", none;
    const QStringList as;
    QTest::newRow("as shown, no file") << none << none << as << save << "Quorvel|10||POST||POST|-1|";
    QTest::newRow("as shown") << full << none << as << save << asShown;
    QTest::newRow("a line it cannot parse") << full + "kaputt\n" << none << as << save << asShown;
    QTest::newRow("a lock left behind") << full << "stale lock" << as << save << asShown;
    QTest::newRow("padded, any other method is GET")
        << "[SenderEin]\nMethod=PUT\n[SenderAus]\nMethod=\" POST\"\n"
        << none << QStringList({"  Küche ☰ ", " 15 "}) << save << "Küche ☰|15||GET||GET|-1|";
    QTest::newRow("blank title and interval")
        << none << none << QStringList({"   ", " "}) << save << "Quorvel|1||POST||POST|-1|";
    QTest::newRow("interval 0") << none << none << QStringList({"Flur", "0"}) << "Enter"
                                << "Flur|1||POST||POST|-1|";
    QTest::newRow("beyond 32 bits") << none << none << QStringList({"Flur", "99999999999"}) << save
                                    << "Flur|1||POST||POST|-1|";
    QTest::newRow("Abbrechen") << full << none << QStringList({"Anders", "3"}) << "Abbrechen"
                               << "Flur|7|http://steckdose.test/ein |GET| http://steckdose.test/aus|post|5|bar";
    QTest::newRow("cannot be written: stays open")
        << none << "link" << QStringList({"Anders"}) << save << "Anders|10||POST||POST|-1|";
    QTest::newRow("locked by another writer: stays open")
        << full << "held lock" << QStringList({"Anders"}) << save
        << "Anders|7|http://steckdose.test/ein|GET|http://steckdose.test/aus|POST|5|bar";
}

// The dialog shows the file, normalises what it saves and writes only its own keys; only a save writes.
void TestWindows::dialog()
{
    QFETCH(QString, file);
    QFETCH(QString, obstacle);
    QFETCH(QStringList, typed);
    QFETCH(QString, how);
    QFETCH(QString, stored);
    writeConfig(file.toUtf8());
    const QFile::Permissions mode
        = file.isNull() ? QFile::ReadOwner | QFile::WriteOwner : QFile::permissions(configPath());
    // A link to a file whose name leaves no room for the temporary name that a save gives the new
    // file beside it before the new file replaces the old one: that last step fails.
    const QString target = QCoreApplication::applicationDirPath() + '/' + QString(250, 'x');
    QVERIFY(obstacle != "link" || (QFile(target).open(QIODevice::WriteOnly) && QFile::link(target, configPath())));
    QLockFile held(configPath() + ".lock");
    QVERIFY(obstacle != "held lock" || held.tryLock());
    QFile stale(configPath() + ".lock"); // left by a process that no longer runs: no process has that number
    const QByteArray owner = "2147483647\nquorvel\n" + QSysInfo::machineHostName().toUtf8() + '\n';
    QVERIFY(obstacle != "stale lock" || (stale.open(QIODevice::WriteOnly) && stale.write(owner) > 0 && stale.flush()));
    const bool unwritable = obstacle == "link" || obstacle == "held lock";

    ConfigDialog d;
    d.show();
    // What a screen reader says of each label, and of each field by its group, its label and what it adds
    // (a box: its value); misplaced: not right of its label, or a box wider than its text.
    QStringList told{d.windowTitle()};
    for (QWidget *field : d.findChildren<QWidget *>()) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(field);
        QAccessibleInterface *label = a->relations(QAccessible::Label).value(0).first;
        const QRect at = a->rect(), of = label ? label->rect() : QRect();
        const bool placed = of.right() < at.left() && qAbs(of.center().y() - at.center().y()) < 4
            && (!qobject_cast<QComboBox *>(field) || field->width() == field->sizeHint().width());
        if (qobject_cast<QLabel *>(field))
            told << a->text(QAccessible::Name);
        else if (label && field->focusPolicy() != Qt::NoFocus)
            told << a->parent()->text(QAccessible::Name) + ' ' + label->text(QAccessible::Name) + ' '
                    + a->text(QAccessible::Description) + (placed ? "" : " misplaced");
    }
    const QList<QComboBox *> boxes = d.findChildren<QComboBox *>();
    QCOMPARE(told,
             QStringList({"Konfiguration", "Allgemein Fenstertitel: Quorvel",
                          "Fenstertitel:", "Allgemein Abfrageintervall: Sekunden", "Abfrageintervall:", "Sekunden",
                          "Ein Ziel-URL: ", "Ziel-URL:", "Ein Methode: " + boxes[0]->currentText(), "Methode:",
                          "Aus Ziel-URL: ", "Ziel-URL:", "Aus Methode: " + boxes[1]->currentText(), "Methode:", ""}));
    const QRect cancel = button(&d, "Abbrechen")->geometry(), save = button(&d, "Speichern")->geometry();
    QCOMPARE(cancel.bottomRight(), d.rect().marginsRemoved(d.layout()->contentsMargins()).bottomRight());
    QVERIFY(save.right() < cancel.left() && save.y() == cancel.y()); // bottom right

    // Title, interval, Ein URL, Aus URL.
    const QList<QLineEdit *> fields = d.findChildren<QLineEdit *>();
    for (int i = 0; i < typed.size(); ++i)
        fields[i]->setText(typed[i]);
    how == "Enter" ? QTest::keyClick(fields[3], Qt::Key_Return) : button(&d, how)->click();
    QCOMPARE(d.result(), int(how != "Abbrechen" && !unwritable));
    QCOMPARE(d.isVisible(), unwritable); // with the user's input and why, above the buttons
    const QLabel *error = label(&d, "saveErrorLabel");
    QVERIFY(error->textFormat() == Qt::PlainText && error->wordWrap());
    const QString why = "Die Konfiguration konnte nicht gespeichert werden: " + configPath();
    QCOMPARE(error->isVisibleTo(&d) ? error->text() : "", unwritable ? why : "");
    QTRY_VERIFY(!unwritable || (error->x() > 0 && error->geometry().bottom() < button(&d, "Abbrechen")->y()));
    QVERIFY(!unwritable || contents() == file.toUtf8()); // nothing written
    QVERIFY(obstacle != "link" || (QFile::remove(configPath()) && QFile::remove(target)));
    held.unlock();
    if (unwritable) // the way is clear again: the input is saved
        button(&d, "Speichern")->click();
    QCOMPARE(QFile::permissions(configPath()) & 0x7077, mode & 0x7077); // a new file private, an old one as it was
    const AppConfig c = ConfigDialog::loadConfig();
    const QString x = QString::number(c.windowPos.x()), extra = contents().contains("\nFoo=bar\n") ? "bar" : "";
    QCOMPARE(
        QStringList({c.title, QString::number(c.interval), c.ein.url, c.ein.method, c.aus.url, c.aus.method, x, extra}),
        stored.split('|'));
}

// Two windows of one copy save at once, the dialog's keys in one and the position of the other as it
// closes: neither drops what the other wrote. A close that cannot get the file in time does not hang.
void TestWindows::twoWriters()
{
    writeConfig(QByteArray());
    ConfigDialog d;
    for (int i = 1; i <= 40; ++i) {
        d.findChild<QLineEdit *>()->setText(QString::number(i));
        QScopedPointer<QThread> closing(QThread::create([i] { ConfigDialog::saveWindowPos(QPoint(i, i)); }));
        closing->start();
        button(&d, "Speichern")->click();
        QVERIFY(closing->wait(5000) && d.result() == QDialog::Accepted);
        const QByteArray n = QByteArray::number(i), saved = contents();
        QVERIFY2(saved.contains("\nTitel=" + n + '\n') && saved.contains("\nX=" + n + '\n'), saved);
    }

    QLockFile held(configPath() + ".lock");
    QVERIFY(held.tryLock());
    Window w;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(w.close());
    QVERIFY2(clock.elapsed() < 2500, QByteArray::number(clock.elapsed()));
    QCOMPARE(ConfigDialog::loadConfig().windowPos, QPoint(40, 40));
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
