// What the suites share: a fake device, the configuration file beside the test binary, and
// finding what a user sees.
#pragma once

#include "mainwindow.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

// How the fake device answers a request. A trickle announces a huge body and then sends that many
// bytes every 10 ms without end.
struct Answer
{
    int status = 200;
    QByteArray body = R"({"POWER":"ON"})";
    int delayMs = 0;
    int trickle = 0;
    QByteArray reason = "OK";
};
Q_DECLARE_METATYPE(Answer)

// Plays every device: a loopback server installed as the application's HTTP proxy, so that each
// request line names the absolute URL ("GET http://steckdose.test/cm?cmnd=Power HTTP/1.1"). It
// records each request's head and answers as `answer` says.
class FakeDevice : public QObject
{
public:
    std::function<Answer(const QByteArray &head)> answer;
    QList<QByteArray> requests;

    FakeDevice()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        });
        QNetworkProxy::setApplicationProxy({QNetworkProxy::HttpProxy, "127.0.0.1", server.serverPort()});
    }
    ~FakeDevice() override { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

private:
    void read(QTcpSocket *socket)
    {
        const QByteArray head = socket->property("head").toByteArray() + socket->readAll();
        socket->setProperty("head", head);
        if (!head.contains("\r\n\r\n"))
            return;
        requests.append(head);
        const Answer a = answer(head);
        QTimer::singleShot(a.delayMs, socket, [socket, a] {
            const QByteArray length = a.trickle ? "1000000000000" : QByteArray::number(a.body.size());
            socket->write("HTTP/1.1 " + QByteArray::number(a.status) + ' ' + a.reason
                          + "\r\nContent-Length: " + length);
            socket->write("\r\n\r\n" + (a.trickle ? QByteArray() : a.body));
            if (!a.trickle)
                return socket->disconnectFromHost(); // one request per connection
            auto *trickle = new QTimer(socket);
            connect(trickle, &QTimer::timeout, socket, [socket, a] { socket->write(QByteArray(a.trickle, ' ')); });
            trickle->start(10);
        });
    }

    QTcpServer server;
};

inline QString configPath()
{
    return QCoreApplication::applicationDirPath() + "/quorvel.config";
}

// What a screen reader was given to speak since the last call: for each notification shown, its text
// and the detail after it.
inline QStringList spoken;
inline QStringList heard()
{
    return std::exchange(spoken, {});
}

// Starts a case from a known file, a null text meaning none, and with nothing heard yet. Offscreen
// no screen reader listens, so Qt drops what it would be told until its accessibility is active.
inline void writeConfig(const QByteArray &contents)
{
    static const bool listening = [] {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
            const QAccessibleInterface *told = event->accessibleInterface();
            if (event->type() == QAccessible::ObjectShow && told->role() == QAccessible::Notification)
                spoken << told->text(QAccessible::Name) + '|' + told->text(QAccessible::Description);
        });
        return true;
    }();
    Q_UNUSED(listening);
    heard();
    QFile::remove(configPath());
    QFile file(configPath());
    if (!contents.isNull()
        && !(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() && file.flush()))
        qFatal("cannot write %s", qPrintable(configPath()));
    // The settings layer caches a file by size and time; each case's file must look new to it.
    static int written = 0;
    file.setFileTime(QDateTime::currentDateTime().addSecs(-++written), QFileDevice::FileModificationTime);
}

inline QByteArray contents()
{
    QFile file(configPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QLabel *label(QWidget *parent, const char *name)
{
    return parent->findChild<QLabel *>(name);
}

// The main window, with the parts that tests read.
struct Window : MainWindow
{
    QLabel *dot = label(this, "stateIndicator"), *word = label(this, "stateLabel"),
           *status = label(this, "statusLabel");
    QTimer *poll = findChild<QTimer *>("pollTimer");
};

inline QPushButton *button(QWidget *parent, const QString &text)
{
    const QList<QPushButton *> buttons = parent->findChildren<QPushButton *>();
    return *std::find_if(buttons.begin(), buttons.end(), [&](QPushButton *b) { return b->text() == text; });
}

// Runs `act` on the modal dialog of type Dialog that the next step opens: a zero timer fires in
// the event loop that exec() runs.
template <typename Dialog>
void whenShown(std::function<void(Dialog *)> act)
{
    QTimer::singleShot(0, [act] { act(qobject_cast<Dialog *>(QApplication::activeModalWidget())); });
}
