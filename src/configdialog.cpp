#include "configdialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

const QString DEFAULT_TITLE = QStringLiteral("Quorvel");

ConfigDialog::ConfigDialog(QWidget *parent)
    : QDialog(parent)
{
}

QString ConfigDialog::configFilePath()
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + QStringLiteral("quorvel.config");
}

AppConfig ConfigDialog::loadConfig()
{
    AppConfig config;
    QSettings settings(configFilePath(), QSettings::IniFormat);

    config.title = settings.value(QStringLiteral("Allgemein/Titel"), DEFAULT_TITLE).toString();
    config.interval = settings.value(QStringLiteral("Allgemein/Intervall"), 10).toInt();
    if (config.interval < 1)
        config.interval = 10;

    const int x = settings.value(QStringLiteral("Fenster/X"), -1).toInt();
    const int y = settings.value(QStringLiteral("Fenster/Y"), -1).toInt();
    config.windowPos = QPoint(x, y);

    config.ein.url = settings.value(QStringLiteral("SenderEin/Url"), QString()).toString();
    config.ein.method = settings.value(QStringLiteral("SenderEin/Method"), QStringLiteral("POST")).toString();
    config.aus.url = settings.value(QStringLiteral("SenderAus/Url"), QString()).toString();
    config.aus.method = settings.value(QStringLiteral("SenderAus/Method"), QStringLiteral("POST")).toString();
    return config;
}

void ConfigDialog::saveWindowPos(const QPoint &pos)
{
    QSettings settings(configFilePath(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Fenster/X"), pos.x());
    settings.setValue(QStringLiteral("Fenster/Y"), pos.y());
    settings.sync();
}
