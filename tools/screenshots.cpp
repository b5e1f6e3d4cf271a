// Renders the program's windows to PNG files for the README:
//   quorvel_screenshots <directory> <path of quorvel-plug>
// The simulated plug plays the device; as the application's HTTP proxy it answers for any host.
#include "aboutdialog.h"
#include "configdialog.h"
#include "mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QNetworkProxy>
#include <QProcess>
#include <QTest>

namespace {

bool save(QWidget &widget, const QString &dir, const char *name)
{
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget))
        return false;
    const QString path = dir + QLatin1Char('/') + QLatin1String(name);
    if (!widget.grab().save(path)) {
        qCritical("cannot write %s", qPrintable(path));
        return false;
    }
    qInfo("%s", qPrintable(path));
    return true;
}

// Starts the plug on a free loopback port and routes the program's requests to it.
bool startPlug(QProcess &plug, const QString &program, const QStringList &options)
{
    plug.start(program, QStringList{QStringLiteral("--port"), QStringLiteral("0")} + options);
    if (!plug.waitForReadyRead(5000))
        return false;
    const quint16 port = quint16(plug.readLine().trimmed().split(' ').last().toUInt());
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port));
    return port != 0;
}

bool shoot(const QString &plugProgram, const QStringList &options, const QString &word, const QString &status,
           const QString &dir, const char *name)
{
    QProcess plug;
    if (!startPlug(plug, plugProgram, options)) {
        qCritical("cannot start %s", qPrintable(plugProgram));
        return false;
    }
    MainWindow w;
    auto *state = w.findChild<QLabel *>("stateLabel");
    auto *line = w.findChild<QLabel *>("statusLabel");
    const bool ok = QTest::qWaitFor([&] { return state->text() == word && line->text().startsWith(status); }, 5000)
        && save(w, dir, name);
    plug.terminate();
    plug.waitForFinished();
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The desktop's usual font, fixed, so the pictures come out the same everywhere.
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    if (argc != 3) {
        qCritical("usage: quorvel_screenshots <directory> <path of quorvel-plug>");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QString plug = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(dir);

    QFile config(QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel.config"));
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    config.write("[Allgemein]\nTitel=Quorvel\nIntervall=10\n"
                 "[SenderEin]\nUrl=http://steckdose.test/cm?cmnd=Power%20On\nMethod=GET\n"
                 "[SenderAus]\nUrl=http://steckdose.test/cm?cmnd=Power%20Off\nMethod=GET\n");
    config.close();

    bool ok = shoot(plug, {QStringLiteral("--state"), QStringLiteral("on")}, QStringLiteral("EIN"),
                    QStringLiteral("Bereit."), dir, "hauptfenster-ein.png");
    ok = shoot(plug, {QStringLiteral("--password"), QStringLiteral("geheim")}, QStringLiteral("Unbekannt"),
               QStringLiteral("Status-Abfrage fehlgeschlagen"), dir, "hauptfenster-fehler.png")
        && ok;
    {
        ConfigDialog d;
        ok = save(d, dir, "konfiguration.png") && ok;
    }
    {
        AboutDialog d;
        ok = save(d, dir, "ueber.png") && ok;
    }
    config.remove();
    return ok ? 0 : 1;
}
