// What the suites share: a fake device, the configuration file beside the test binary, and
// finding what a user sees.
#pragma once

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

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
    std::function<Answer(const QByteArray &head)> answer = [](const QByteArray &) { return Answer(); };
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
        const QByteArray length = a.trickle ? "1000000000000" : QByteArray::number(a.body.size());
        QTimer::singleShot(a.delayMs, socket, [socket, a, length] {
            socket->write("HTTP/1.1 " + QByteArray::number(a.status) + ' ' + a.reason + "\r\nContent-Length: " + length + "\r\n\r\n");
            socket->write(a.trickle ? QByteArray() : a.body);
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

// Starts a case from a known file; a null text means no file at all.
inline void writeConfig(const QByteArray &contents)
{
    QFile::remove(configPath());
    QFile file(configPath());
    if (!contents.isNull() && (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() || !file.flush()))
        qFatal("cannot write %s", qPrintable(configPath()));
    // The settings layer caches a file by size and time; each case's file must look new to it.
    static int written = 0;
    file.setFileTime(QDateTime::currentDateTime().addSecs(-++written), QFileDevice::FileModificationTime);
}

// What a screen reader was last given to speak: a text, and a detail after it.
inline QString announced(QWidget *window)
{
    auto *announcement = window->findChild<QLabel *>("announcement");
    return announcement->text() + '|' + announcement->accessibleDescription();
}

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
