#include "configdialog.h"
#include "mainwindow.h"
#include "testdevice.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

namespace {

const QString STATUS_URL = QStringLiteral("http://steckdose.test/cm?cmnd=Power");

QMap<QString, QVariant> allValues()
{
    QSettings settings(configPath(), QSettings::IniFormat);
    QMap<QString, QVariant> values;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

} // namespace

class TestHostile : public QObject
{
    Q_OBJECT

private slots:
    void deviceReply_data();
    void deviceReply();
    void configFile_data();
    void configFile();

private:
    QLabel *label(MainWindow &w, const char *name) { return w.findChild<QLabel *>(name); }
};

void TestHostile::deviceReply_data()
{
    QTest::addColumn<bool>("switching");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reason");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("statusLine"); // a prefix
    QTest::addColumn<QString>("word");

    const QString ready = "Bereit.", failed = "Status-Abfrage fehlgeschlagen: ", sendFailed = "Fehler beim Senden: ";
    const QString tooLarge = "Antwort zu groß (mehr als 1 MiB)";
    const int complete = DeviceAnswer::Complete;
    const QByteArray ok = "OK";
    const QByteArray pad = QByteArray(1024 * 1024 - 100, 'x');
    const QByteArray huge = QByteArray(4 * 1024 * 1024, 'x');

    QTest::newRow("just under the size bound") << false << 200 << ok << QByteArray(R"({"POWER":"ON","pad":")" + pad + "\"}")
                                               << complete << ready << "EIN";
    QTest::newRow("several MiB") << false << 200 << ok << QByteArray(R"({"POWER":"ON","pad":")" + huge + "\"}")
                                 << complete << failed + tooLarge << "Unbekannt";
    QTest::newRow("endless body") << false << 200 << ok << QByteArray() << int(DeviceAnswer::Endless) << failed + tooLarge << "Unbekannt";
    QTest::newRow("deeply nested") << false << 200 << ok << QByteArray(200000, '[') + QByteArray(200000, ']')
                                   << complete << ready << "Unbekannt";
    QTest::newRow("deeply nested after POWER") << false << 200 << ok << QByteArray(R"({"POWER":"ON","x":)") + QByteArray(200000, '[')
                                               << complete << ready << "Unbekannt";
    QTest::newRow("invalid UTF-8") << false << 200 << ok << QByteArray("{\"POWER\":\"\xff\xfeON\"}") << complete << ready << "Unbekannt";
    QTest::newRow("JSON null") << false << 200 << ok << QByteArray("null") << complete << ready << "Unbekannt";
    QTest::newRow("POWER a number") << false << 200 << ok << QByteArray(R"({"POWER":1})") << complete << ready << "Unbekannt";
    QTest::newRow("POWER an object") << false << 200 << ok << QByteArray(R"({"POWER":{"ON":"ON"}})") << complete << ready << "Unbekannt";
    QTest::newRow("POWER with trailing NUL") << false << 200 << ok << QByteArray(R"({"POWER":"ON\u0000"})") << complete << ready << "Unbekannt";
    QTest::newRow("cut off mid-body") << false << 200 << ok << QByteArray(R"({"POWER":"O)") << int(DeviceAnswer::CutOff) << failed << "Unbekannt";
    QTest::newRow("reset at once") << false << 200 << ok << QByteArray() << int(DeviceAnswer::Reset) << failed << "Unbekannt";
    QTest::newRow("reason with markup and control characters") << false << 404 << QByteArray("Not <b>Found</b>\x01\x1b[31m")
                                                               << QByteArray() << complete << failed << "Unbekannt";
    QTest::newRow("switch: several MiB") << true << 200 << ok << huge << complete << sendFailed + tooLarge << "EIN";
    QTest::newRow("switch: endless body") << true << 200 << ok << QByteArray() << int(DeviceAnswer::Endless) << sendFailed + tooLarge << "EIN";
    QTest::newRow("switch: reset at once") << true << 200 << ok << QByteArray() << int(DeviceAnswer::Reset) << sendFailed << "EIN";
}

// Whatever the device sends, the window ends in the documented outcome, quickly, and keeps polling.
void TestHostile::deviceReply()
{
    QFETCH(bool, switching);
    QFETCH(int, status);
    QFETCH(QByteArray, reason);
    QFETCH(QByteArray, body);
    QFETCH(int, mode);
    QFETCH(QString, statusLine);
    QFETCH(QString, word);
    writeConfig("[Allgemein]\nIntervall=60\n[SenderEin]\nUrl=http://steckdose.test/ein\nMethod=GET\n");
    TestDevice device;
    DeviceAnswer hostile(status, reason, body);
    hostile.mode = DeviceAnswer::Mode(mode);
    device.answerBy([=](const DeviceRequest &r) {
        if ((r.url == STATUS_URL) == switching)
            return DeviceAnswer(200, "OK", R"({"POWER":"ON"})");
        return hostile;
    });
    MainWindow w;
    QLabel *statusLabel = label(w, "statusLabel");
    if (switching) {
        QTRY_COMPARE(label(w, "stateLabel")->text(), QStringLiteral("EIN"));
        buttonWithText(&w, "Ein")->click();
    }

    // Well inside the 15 s request limit: a reply past the size bound ends as soon as it passes it.
    QTRY_VERIFY2_WITH_TIMEOUT(statusLabel->text().startsWith(statusLine), qPrintable(statusLabel->text()), 4000);
    QCOMPARE(label(w, "stateLabel")->text(), word);
    QVERIFY(w.findChild<QTimer *>("pollTimer")->isActive());
    const auto buttons = w.findChildren<QPushButton *>();
    QVERIFY(std::all_of(buttons.begin(), buttons.end(), [](QPushButton *b) { return b->isEnabled(); }));
    QCOMPARE(statusLabel->textFormat(), Qt::PlainText);
    QVERIFY(device.bytesSent < 8 * 1024 * 1024);
}

void TestHostile::configFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("interval");

    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 7919 + 13) % 256);
    const QByteArray longTitle(100000, 'T');

    QTest::newRow("binary garbage") << garbage << "Quorvel" << 10;
    QTest::newRow("title of 100 000 characters") << "[Allgemein]\nTitel=" + longTitle + "\n" << QString(longTitle) << 10;
    QTest::newRow("interval 2147483647") << QByteArray("[Allgemein]\nIntervall=2147483647\n") << "Quorvel" << 2147483647;
    QTest::newRow("interval -2147483648") << QByteArray("[Allgemein]\nIntervall=-2147483648\n") << "Quorvel" << 10;
    QTest::newRow("interval beyond 32 bits") << QByteArray("[Allgemein]\nIntervall=99999999999\n") << "Quorvel" << 10;
    QTest::newRow("keys in another case") << QByteArray("[allgemein]\ntitel=Flur\nINTERVALL=3\n[Extra]\nFoo=bar\n")
                                          << "Quorvel" << 10;
}

void TestHostile::configFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, title);
    QFETCH(int, interval);
    writeConfig(file);
    const QMap<QString, QVariant> before = allValues();

    const AppConfig config = ConfigDialog::loadConfig();
    QCOMPARE(config.title, title);
    QCOMPARE(config.interval, interval);
    {
        MainWindow w;
        QCOMPARE(w.windowTitle(), title);
        QTRY_VERIFY(w.findChild<QTimer *>("pollTimer")->isActive());
        QCOMPARE(readConfig(), file); // reading never changes the file
        QVERIFY(w.close());
    }
    ConfigDialog dialog;
    buttonWithText(&dialog, "Speichern")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    // The program's writes set their own keys and keep every other one.
    const QMap<QString, QVariant> after = allValues();
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (it.key().startsWith(QLatin1String("Fenster/")) || it.key().startsWith(QLatin1String("Allgemein/"))
            || it.key().startsWith(QLatin1String("SenderEin/")) || it.key().startsWith(QLatin1String("SenderAus/")))
            continue;
        QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key()));
    }
    QVERIFY(after.contains(QStringLiteral("Fenster/X")));
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
