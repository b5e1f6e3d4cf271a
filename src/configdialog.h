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

class QComboBox;
class QLabel;
class QLineEdit;

class ConfigDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ConfigDialog(QWidget *parent = nullptr);

    static AppConfig loadConfig();
    static void saveWindowPos(const QPoint &pos);

private slots:
    void onSaveClicked();

private:
    static QString configFilePath();
    void populateFromConfig(const AppConfig &config);

    QLineEdit *titleEdit;
    QLineEdit *intervalEdit;
    QLineEdit *einUrlEdit;
    QComboBox *einMethodBox;
    QLineEdit *ausUrlEdit;
    QComboBox *ausMethodBox;
    QLabel *saveErrorLabel;
};

#endif
