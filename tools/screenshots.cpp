// Renders the program's windows to PNG files for the README: quorvel_screenshots <directory>
#include "aboutdialog.h"
#include "configdialog.h"
#include "mainwindow.h"
#include "testdevice.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
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

bool waitForState(MainWindow &w, const QString &word, const QString &statusPrefix)
{
    auto *state = w.findChild<QLabel *>("stateLabel");
    auto *status = w.findChild<QLabel *>("statusLabel");
    return QTest::qWaitFor([&] { return state->text() == word && status->text().startsWith(statusPrefix); }, 5000);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The desktop's usual font, fixed, so the pictures come out the same everywhere.
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    if (argc != 2) {
        qCritical("usage: quorvel_screenshots <directory>");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);

    writeConfig("[Allgemein]\nTitel=Quorvel\nIntervall=10\n"
                "[SenderEin]\nUrl=http://steckdose.test/cm?cmnd=Power%20On\nMethod=GET\n"
                "[SenderAus]\nUrl=http://steckdose.test/cm?cmnd=Power%20Off\nMethod=GET\n");
    TestDevice device;
    bool ok = true;

    device.answerAlways({200, "OK", R"({"POWER":"ON"})"});
    {
        MainWindow w;
        ok = waitForState(w, QStringLiteral("EIN"), QStringLiteral("Bereit.")) && save(w, dir, "hauptfenster-ein.png") && ok;
    }
    device.answerAlways({401, "Unauthorized", QByteArray()});
    {
        MainWindow w;
        ok = waitForState(w, QStringLiteral("Unbekannt"), QStringLiteral("Status-Abfrage fehlgeschlagen"))
             && save(w, dir, "hauptfenster-fehler.png") && ok;
    }
    {
        ConfigDialog d;
        ok = save(d, dir, "konfiguration.png") && ok;
    }
    {
        AboutDialog d;
        ok = save(d, dir, "ueber.png") && ok;
    }
    removeConfig();
    return ok ? 0 : 1;
}
