#include "configdialog.h"
#include "testdevice.h"

#include <QFile>
#include <QtTest>

class TestConfigStore : public QObject
{
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void missingFileGivesDefaultsAndStaysMissing();
    void windowPositionRoundTrip_data();
    void windowPositionRoundTrip();
    void windowPositionLeavesOtherKeys();
};

void TestConfigStore::load_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QString>("einMethod");

    QTest::newRow("empty file takes every default") << QByteArray() << "Quorvel" << 10 << QPoint(-1, -1) << "POST";
    QTest::newRow("interval 0") << QByteArray("[Allgemein]\nIntervall=0\n") << "Quorvel" << 10 << QPoint(-1, -1) << "POST";
    QTest::newRow("interval -5") << QByteArray("[Allgemein]\nIntervall=-5\n") << "Quorvel" << 10 << QPoint(-1, -1) << "POST";
    QTest::newRow("interval not a number") << QByteArray("[Allgemein]\nIntervall=oft\n") << "Quorvel" << 10 << QPoint(-1, -1) << "POST";
    QTest::newRow("interval 1") << QByteArray("[Allgemein]\nIntervall=1\n") << "Quorvel" << 1 << QPoint(-1, -1) << "POST";
    QTest::newRow("interval 90") << QByteArray("[Allgemein]\nIntervall=90\n") << "Quorvel" << 90 << QPoint(-1, -1) << "POST";
    QTest::newRow("stored empty title stays empty") << QByteArray("[Allgemein]\nTitel=\n") << "" << 10 << QPoint(-1, -1) << "POST";
    QTest::newRow("escaped umlaut decodes") << QByteArray("[Allgemein]\nTitel=K\\xfc\\x63he\n") << "Küche" << 10 << QPoint(-1, -1) << "POST";
    QTest::newRow("method lower case kept") << QByteArray("[SenderEin]\nMethod=get\n") << "Quorvel" << 10 << QPoint(-1, -1) << "get";
    QTest::newRow("method mixed case kept") << QByteArray("[SenderEin]\nMethod=Post\n") << "Quorvel" << 10 << QPoint(-1, -1) << "Post";
    QTest::newRow("X not a number, Y missing") << QByteArray("[Fenster]\nX=links\n") << "Quorvel" << 10 << QPoint(0, -1) << "POST";
    QTest::newRow("negative position kept") << QByteArray("[Fenster]\nX=-8\nY=30\n") << "Quorvel" << 10 << QPoint(-8, 30) << "POST";
}

void TestConfigStore::load()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, title);
    QFETCH(int, interval);
    QFETCH(QPoint, pos);
    QFETCH(QString, einMethod);
    writeConfig(file);

    const AppConfig config = ConfigDialog::loadConfig();
    QCOMPARE(config.title, title);
    QCOMPARE(config.interval, interval);
    QCOMPARE(config.windowPos, pos);
    QCOMPARE(config.ein.method, einMethod);
    QCOMPARE(config.aus.method, QStringLiteral("POST"));
    QVERIFY(config.ein.url.isEmpty());
    QCOMPARE(readConfig(), file); // reading never writes
}

void TestConfigStore::missingFileGivesDefaultsAndStaysMissing()
{
    removeConfig();
    const AppConfig config = ConfigDialog::loadConfig();
    QCOMPARE(config.title, QStringLiteral("Quorvel"));
    QCOMPARE(config.interval, 10);
    QCOMPARE(config.windowPos, QPoint(-1, -1));
    QVERIFY(config.ein.url.isEmpty() && config.aus.url.isEmpty());
    QCOMPARE(config.ein.method, QStringLiteral("POST"));
    QCOMPARE(config.aus.method, QStringLiteral("POST"));
    QVERIFY(!QFile::exists(configPath()));
}

void TestConfigStore::windowPositionRoundTrip_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::newRow("negative x") << QPoint(-8, 30);
    QTest::newRow("origin") << QPoint(0, 0);
    QTest::newRow("far away") << QPoint(5000, -1200);
}

void TestConfigStore::windowPositionRoundTrip()
{
    QFETCH(QPoint, pos);
    removeConfig();
    ConfigDialog::saveWindowPos(pos);
    QCOMPARE(ConfigDialog::loadConfig().windowPos, pos);
}

void TestConfigStore::windowPositionLeavesOtherKeys()
{
    writeConfig("[Allgemein]\nTitel=Flur\nIntervall=7\n"
                "[Fenster]\nX=1\nY=2\n"
                "[SenderEin]\nUrl=http://steckdose.test/cm?cmnd=Power%20On\nMethod=get\n"
                "[SenderAus]\nUrl=\"  http://steckdose.test/aus  \"\nMethod=GET\n");
    ConfigDialog::saveWindowPos(QPoint(-8, 30));

    const AppConfig config = ConfigDialog::loadConfig();
    QCOMPARE(config.windowPos, QPoint(-8, 30));
    QCOMPARE(config.title, QStringLiteral("Flur"));
    QCOMPARE(config.interval, 7);
    QCOMPARE(config.ein.url, QStringLiteral("http://steckdose.test/cm?cmnd=Power%20On"));
    QCOMPARE(config.ein.method, QStringLiteral("get"));
    QCOMPARE(config.aus.url, QStringLiteral("  http://steckdose.test/aus  "));
    QCOMPARE(config.aus.method, QStringLiteral("GET"));
}

QTEST_GUILESS_MAIN(TestConfigStore)
#include "tst_configstore.moc"
