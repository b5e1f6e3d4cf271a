#include "configdialog.h"
#include "mainwindow.h"
#include "testdevice.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include <functional>

namespace {

QLineEdit *field(QDialog *d, const char *group, int index)
{
    for (QGroupBox *box : d->findChildren<QGroupBox *>())
        if (box->title() == QLatin1String(group))
            return box->findChildren<QLineEdit *>().value(index);
    return nullptr;
}

QComboBox *methodBox(QDialog *d, const char *group)
{
    for (QGroupBox *box : d->findChildren<QGroupBox *>())
        if (box->title() == QLatin1String(group))
            return box->findChild<QComboBox *>();
    return nullptr;
}

QVariant stored(const char *key)
{
    return QSettings(configPath(), QSettings::IniFormat).value(QLatin1String(key));
}

const QByteArray FULL_FILE = "[Allgemein]\nTitel=Flur\nIntervall=7\n[Fenster]\nX=5\nY=6\n"
                             "[SenderEin]\nUrl=http://steckdose.test/ein\nMethod=GET\n"
                             "[SenderAus]\nUrl=http://steckdose.test/aus\nMethod=POST\n";

} // namespace

class TestConfigDialog : public QObject
{
    Q_OBJECT

private slots:
    void fieldsShowTheFile_data();
    void fieldsShowTheFile();
    void methodShownAndSavedAsUsed_data();
    void methodShownAndSavedAsUsed();
    void saveNormalises_data();
    void saveNormalises();
    void closingWithoutSaveWritesNothing_data();
    void closingWithoutSaveWritesNothing();
    void enterInAFieldSaves();
    void mainWindowAfterSave();
    void mainWindowAfterCancel();
    void failedSaveKeepsDialogOpen();
};

void TestConfigDialog::fieldsShowTheFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("einUrl");

    QTest::newRow("no file") << QByteArray() << "Quorvel" << "10" << "";
    QTest::newRow("full file") << FULL_FILE << "Flur" << "7" << "http://steckdose.test/ein";
    QTest::newRow("interval 0 shows as 10") << QByteArray("[Allgemein]\nIntervall=0\n") << "Quorvel" << "10" << "";
    QTest::newRow("interval not a number") << QByteArray("[Allgemein]\nIntervall=x\n") << "Quorvel" << "10" << "";
}

void TestConfigDialog::fieldsShowTheFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, title);
    QFETCH(QString, interval);
    QFETCH(QString, einUrl);
    if (file.isEmpty())
        removeConfig();
    else
        writeConfig(file);

    ConfigDialog d;
    QCOMPARE(d.windowTitle(), QStringLiteral("Konfiguration"));
    QCOMPARE(field(&d, "Allgemein", 0)->text(), title); // a text, not the placeholder
    QCOMPARE(field(&d, "Allgemein", 0)->placeholderText(), QStringLiteral("Quorvel"));
    QCOMPARE(field(&d, "Allgemein", 1)->text(), interval);
    QCOMPARE(field(&d, "Ein", 0)->text(), einUrl);
}

void TestConfigDialog::methodShownAndSavedAsUsed_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("method");
    QTest::newRow("missing") << QByteArray() << "POST";
    QTest::newRow("POST") << QByteArray("Method=POST") << "POST";
    QTest::newRow("post") << QByteArray("Method=post") << "POST";
    QTest::newRow("GET") << QByteArray("Method=GET") << "GET";
    QTest::newRow("get") << QByteArray("Method=get") << "GET";
    QTest::newRow("Get") << QByteArray("Method=Get") << "GET";
    QTest::newRow("PUT") << QByteArray("Method=PUT") << "GET";
    QTest::newRow("empty") << QByteArray("Method=") << "GET";
    QTest::newRow("space before POST") << QByteArray("Method=\" POST\"") << "GET";
}

void TestConfigDialog::methodShownAndSavedAsUsed()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, method);
    writeConfig("[SenderEin]\n" + line + "\n[SenderAus]\n" + line + "\n");

    ConfigDialog d;
    QCOMPARE(methodBox(&d, "Ein")->currentText(), method);
    QCOMPARE(methodBox(&d, "Aus")->currentText(), method);
    buttonWithText(&d, "Speichern")->click();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(stored("SenderEin/Method").toString(), method);
    QCOMPARE(stored("SenderAus/Method").toString(), method);
}

void TestConfigDialog::saveNormalises_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("storedTitle");
    QTest::addColumn<int>("storedInterval");

    QTest::newRow("padded") << "  Flur  " << " 15 " << "  http://steckdose.test/x  " << "Flur" << 15;
    QTest::newRow("blank title, empty interval") << "   " << "" << "" << "Quorvel" << 1;
    QTest::newRow("interval 0") << "Flur" << "0" << "" << "Flur" << 1;
    QTest::newRow("interval -3") << "Flur" << "-3" << "" << "Flur" << 1;
    QTest::newRow("interval 2.5") << "Flur" << "2.5" << "" << "Flur" << 1;
    QTest::newRow("interval a word") << "Flur" << "oft" << "" << "Flur" << 1;
    QTest::newRow("interval beyond 32 bits") << "Flur" << "99999999999" << "" << "Flur" << 1;
    QTest::newRow("largest interval") << "Flur" << "2147483647" << "" << "Flur" << 2147483647;
    QTest::newRow("non-ASCII title") << "Küche ☰ «ß»" << "3" << "" << "Küche ☰ «ß»" << 3;
}

void TestConfigDialog::saveNormalises()
{
    QFETCH(QString, title);
    QFETCH(QString, interval);
    QFETCH(QString, url);
    QFETCH(QString, storedTitle);
    QFETCH(int, storedInterval);
    writeConfig(FULL_FILE);

    ConfigDialog d;
    field(&d, "Allgemein", 0)->setText(title);
    field(&d, "Allgemein", 1)->setText(interval);
    field(&d, "Ein", 0)->setText(url);
    field(&d, "Aus", 0)->setText(url);
    buttonWithText(&d, "Speichern")->click();
    QCOMPARE(d.result(), int(QDialog::Accepted));

    const AppConfig config = ConfigDialog::loadConfig();
    QCOMPARE(config.title, storedTitle);
    QCOMPARE(stored("Allgemein/Intervall").toString(), QString::number(storedInterval));
    QCOMPARE(config.ein.url, url.trimmed());
    QCOMPARE(config.aus.url, url.trimmed());
    QCOMPARE(config.windowPos, QPoint(5, 6)); // not the dialog's keys
}

void TestConfigDialog::closingWithoutSaveWritesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Abbrechen") << "Abbrechen";
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("window closed") << "close";
}

void TestConfigDialog::closingWithoutSaveWritesNothing()
{
    QFETCH(QString, how);
    writeConfig(FULL_FILE);

    ConfigDialog d;
    whenDialogShown<ConfigDialog>([how](ConfigDialog *dialog) {
        field(dialog, "Allgemein", 0)->setText(QStringLiteral("Anders"));
        if (how == QLatin1String("Escape"))
            QTest::keyClick(field(dialog, "Allgemein", 0), Qt::Key_Escape);
        else if (how == QLatin1String("close"))
            dialog->close();
        else
            buttonWithText(dialog, how)->click();
    });
    QCOMPARE(d.exec(), int(QDialog::Rejected));
    QCOMPARE(readConfig(), FULL_FILE);
}

void TestConfigDialog::enterInAFieldSaves()
{
    writeConfig(FULL_FILE);
    ConfigDialog d;
    whenDialogShown<ConfigDialog>([](ConfigDialog *dialog) {
        QLineEdit *url = field(dialog, "Aus", 0);
        url->setText(QStringLiteral("http://flur.test/aus"));
        QTest::keyClick(url, Qt::Key_Return);
    });
    QCOMPARE(d.exec(), int(QDialog::Accepted));
    QCOMPARE(ConfigDialog::loadConfig().aus.url, QStringLiteral("http://flur.test/aus"));
}

void TestConfigDialog::mainWindowAfterSave()
{
    writeConfig("[Allgemein]\nIntervall=60\n[SenderEin]\nUrl=http://steckdose.test/ein\n");
    TestDevice device;
    device.answerAlways({200, "OK", R"({"POWER":"OFF"})"});
    MainWindow w;
    QLabel *statusLabel = w.findChild<QLabel *>("statusLabel");
    QTRY_COMPARE(statusLabel->text(), QStringLiteral("Bereit."));

    QElapsedTimer saved;
    whenDialogShown<ConfigDialog>([&saved](ConfigDialog *dialog) {
        field(dialog, "Allgemein", 0)->setText(QStringLiteral("Küche ☰"));
        field(dialog, "Ein", 0)->setText(QStringLiteral("http://kueche.test/ein"));
        buttonWithText(dialog, "Speichern")->click();
        saved.start();
    });
    buttonWithText(&w, "☰")->click();
    QCOMPARE(w.windowTitle(), QStringLiteral("Küche ☰"));
    QCOMPARE(statusLabel->text(), QStringLiteral("Konfiguration gespeichert."));
    QVERIFY(!w.findChild<QTimer *>("pollTimer")->isActive());
    QTRY_COMPARE(device.requests.size(), 2);
    QCOMPARE(device.requests.last().url, QStringLiteral("http://kueche.test/cm?cmnd=Power"));
    QVERIFY2(saved.elapsed() >= 150 && saved.elapsed() < 1000, qPrintable(QString::number(saved.elapsed())));
    QTRY_COMPARE(statusLabel->text(), QStringLiteral("Bereit."));
}

void TestConfigDialog::mainWindowAfterCancel()
{
    writeConfig("[Allgemein]\nTitel=Flur\nIntervall=60\n[SenderEin]\nUrl=http://steckdose.test/ein\n");
    TestDevice device;
    device.answerAlways({200, "OK", R"({"POWER":"ON"})"});
    MainWindow w;
    QLabel *stateLabel = w.findChild<QLabel *>("stateLabel");

    bool answeredBehindDialog = false;
    whenDialogShown<ConfigDialog>([&](ConfigDialog *dialog) {
        // The first status query is due 200 ms after start; its answer arrives while the dialog is open.
        answeredBehindDialog = QTest::qWaitFor([&] { return stateLabel->text() == QLatin1String("EIN"); }, 5000);
        field(dialog, "Allgemein", 0)->setText(QStringLiteral("Anders"));
        buttonWithText(dialog, "Abbrechen")->click();
    });
    buttonWithText(&w, "☰")->click();
    QVERIFY(answeredBehindDialog);
    QCOMPARE(w.windowTitle(), QStringLiteral("Flur"));
    QCOMPARE(w.findChild<QLabel *>("statusLabel")->text(), QStringLiteral("Bereit."));
    QVERIFY(w.findChild<QTimer *>("pollTimer")->isActive());
    QTest::qWait(400); // a save would have queried after 200 ms
    QCOMPARE(device.requests.size(), 1);
}

void TestConfigDialog::failedSaveKeepsDialogOpen()
{
    removeConfig();
    QVERIFY(QDir().mkpath(configPath())); // a directory where the file should be: no write can succeed
    MainWindow w;
    QLabel *statusLabel = w.findChild<QLabel *>("statusLabel");

    bool stayedOpen = false;
    QString errorText;
    whenDialogShown<ConfigDialog>([&](ConfigDialog *dialog) {
        field(dialog, "Allgemein", 0)->setText(QStringLiteral("Neuer Titel"));
        buttonWithText(dialog, "Speichern")->click();
        stayedOpen = dialog->isVisible() && field(dialog, "Allgemein", 0)->text() == QLatin1String("Neuer Titel");
        auto *error = dialog->findChild<QLabel *>("saveErrorLabel");
        errorText = error->isVisible() ? error->text() : QString();
        buttonWithText(dialog, "Abbrechen")->click();
    });
    buttonWithText(&w, "☰")->click();
    removeConfig();

    QVERIFY(stayedOpen);
    QVERIFY2(errorText.contains(QStringLiteral("nicht gespeichert")) && errorText.contains(configPath()),
             qPrintable(errorText));
    QCOMPARE(statusLabel->text(), QStringLiteral("Version 1.0.1"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Quorvel"));
}

QTEST_MAIN(TestConfigDialog)
#include "tst_configdialog.moc"
