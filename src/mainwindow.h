#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QWidget>

class Announcement;
class QCloseEvent;
class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;
class QTimer;
struct SenderConfig;

class MainWindow : public QWidget
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private slots:
    void onConfigClicked();
    void onEinClicked();
    void onAusClicked();
    void onReplyFinished(QNetworkReply *reply);
    void queryStatus();

private:
    QString tasmotaStatusUrl() const;
    void scheduleNextPoll();
    void sendRequest(const SenderConfig &sender);
    void watch(QNetworkReply *reply, bool isStatusQuery);
    void showState(const QString &colour, const QString &word);
    void tell(const QString &text);
    void setSwitching(bool switching);
    bool isSwitching() const;

    QPushButton *configButton;
    QPushButton *einButton;
    QPushButton *ausButton;
    QLabel *stateIndicator;
    QLabel *stateLabel;
    QLabel *statusLabel;
    Announcement *announcement;
    QNetworkAccessManager *networkManager;
    QTimer *pollTimer;
    bool statusQueryPending;
    bool keepingFocus;
    QString switchResult;
};

#endif
