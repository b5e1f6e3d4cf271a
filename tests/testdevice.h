#ifndef TESTDEVICE_H
#define TESTDEVICE_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QApplication>
#include <QTcpServer>
#include <QTimer>

#include <functional>

class QTcpSocket;

struct DeviceRequest
{
    QByteArray method;
    QString url; // absolute, as the proxy sees it
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    qint64 receivedAt = 0; // ms since the device started

    bool hasHeader(const QByteArray &name) const;
    QByteArray header(const QByteArray &name) const;
};

struct DeviceAnswer
{
    enum Mode {
        Complete, // status line, headers and the whole body
        Hang,     // accept the request and never answer
        Trickle,  // announce a long body and send one byte every trickleMs
        Endless,  // send body data without end
        Reset,    // drop the connection at once
        CutOff    // announce a body and close after part of it
    };
    DeviceAnswer(int status = 200, const QByteArray &reason = "OK", const QByteArray &body = QByteArray())
        : status(status), reason(reason), body(body)
    {
    }

    int status;
    QByteArray reason;
    QByteArray body;
    QByteArray extraHeaders; // complete lines, each ending in \r\n
    int delayMs = 0;
    Mode mode = Complete;
    int trickleMs = 50;
};

// A device on loopback that plays every host: installed as the application's HTTP proxy,
// it sees each request with its absolute URL and answers as told.
class TestDevice : public QObject
{
    Q_OBJECT

public:
    TestDevice();
    ~TestDevice() override;

    void answerAlways(const DeviceAnswer &answer);
    void answerBy(std::function<DeviceAnswer(const DeviceRequest &)> handler);

    QList<DeviceRequest> requests;
    qint64 bytesSent = 0;
    int answered = 0; // requests that got a status line

signals:
    void requestReceived();

private:
    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const DeviceAnswer &answer);

    QTcpServer server;
    QElapsedTimer clock;
    std::function<DeviceAnswer(const DeviceRequest &)> handler;
};

class QPushButton;
class QWidget;

// The push button among `parent`'s children that shows `text`.
QPushButton *buttonWithText(QWidget *parent, const QString &text);

// Runs `act` on the modal dialog of type Dialog as soon as one is shown (dialogs run with exec()).
template <typename Dialog>
void whenDialogShown(std::function<void(Dialog *)> act)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(dialog);
    });
    timer->start(10);
}

// The configuration file of the program under test: beside the test binary.
QString configPath();
void writeConfig(const QByteArray &contents);
void removeConfig();
QByteArray readConfig();

#endif
