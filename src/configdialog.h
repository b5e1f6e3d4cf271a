#ifndef CONFIGDIALOG_H
#define CONFIGDIALOG_H

#include <QDialog>
#include <QPoint>
#include <QString>

struct SenderConfig
{
    QString url;
    QString method;
};

struct AppConfig
{
    QString title;
    int interval = 10; // seconds
    QPoint windowPos;
    SenderConfig ein;
    SenderConfig aus;
};

class ConfigDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ConfigDialog(QWidget *parent = nullptr);

    static AppConfig loadConfig();
    static void saveWindowPos(const QPoint &pos);

private:
    static QString configFilePath();
};

#endif
