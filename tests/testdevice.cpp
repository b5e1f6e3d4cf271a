#include "testdevice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkProxy>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>

bool DeviceRequest::hasHeader(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QByteArray DeviceRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return QByteArray();
}

TestDevice::TestDevice()
{
    clock.start();
    answerAlways(DeviceAnswer());
    server.listen(QHostAddress::LocalHost);
    connect(&server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy,
                                                     QStringLiteral("127.0.0.1"), server.serverPort()));
}

TestDevice::~TestDevice()
{
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
}

void TestDevice::answerAlways(const DeviceAnswer &answer)
{
    handler = [answer](const DeviceRequest &) { return answer; };
}

void TestDevice::answerBy(std::function<DeviceAnswer(const DeviceRequest &)> h)
{
    handler = std::move(h);
}

void TestDevice::readFrom(QTcpSocket *socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    for (;;) {
        const int headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            break;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        if (requestLine.size() < 2) {
            socket->abort();
            return;
        }
        DeviceRequest request;
        request.method = requestLine.at(0);
        request.url = QString::fromUtf8(requestLine.at(1));
        for (int i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const int colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        const int length = request.header("Content-Length").toInt();
        if (buffer.size() < headerEnd + 4 + length)
            break;
        request.body = buffer.mid(headerEnd + 4, length);
        request.receivedAt = clock.elapsed();
        buffer.remove(0, headerEnd + 4 + length);

        requests.append(request);
        const DeviceAnswer reply = handler(request);
        emit requestReceived();
        if (reply.delayMs > 0)
            QTimer::singleShot(reply.delayMs, socket, [this, socket, reply] { answer(socket, reply); });
        else
            answer(socket, reply);
    }
    socket->setProperty("buffer", buffer);
}

void TestDevice::answer(QTcpSocket *socket, const DeviceAnswer &reply)
{
    auto send = [this, socket](const QByteArray &data) {
        bytesSent += data.size();
        socket->write(data);
    };
    if (reply.mode != DeviceAnswer::Hang && reply.mode != DeviceAnswer::Reset)
        ++answered;
    const QByteArray statusLine = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reply.reason + "\r\n";
    switch (reply.mode) {
    case DeviceAnswer::Hang:
        return;
    case DeviceAnswer::Reset:
        socket->abort();
        return;
    case DeviceAnswer::Complete:
        send(statusLine + "Content-Type: application/json\r\nContent-Length: "
             + QByteArray::number(reply.body.size()) + "\r\nConnection: close\r\n" + reply.extraHeaders + "\r\n" + reply.body);
        socket->disconnectFromHost();
        return;
    case DeviceAnswer::CutOff:
        send(statusLine + "Content-Length: " + QByteArray::number(reply.body.size() + 1000)
             + "\r\nConnection: close\r\n\r\n" + reply.body);
        socket->disconnectFromHost();
        return;
    case DeviceAnswer::Trickle:
    case DeviceAnswer::Endless: {
        send(statusLine + "Content-Length: 1000000000000\r\n\r\n");
        const bool endless = reply.mode == DeviceAnswer::Endless;
        auto *timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [send, socket, endless] {
            // Endless keeps a little data queued, so the sender never outruns the receiver's memory.
            if (!endless)
                send(QByteArray(1, ' '));
            else if (socket->bytesToWrite() < 256 * 1024)
                send(QByteArray(64 * 1024, ' '));
        });
        timer->start(endless ? 1 : reply.trickleMs);
        return;
    }
    }
}

QPushButton *buttonWithText(QWidget *parent, const QString &text)
{
    for (QPushButton *button : parent->findChildren<QPushButton *>())
        if (button->text() == text)
            return button;
    return nullptr;
}

QString configPath()
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + QStringLiteral("quorvel.config");
}

void writeConfig(const QByteArray &contents)
{
    removeConfig();
    QFile file(configPath());
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(configPath()));
    file.write(contents);
}

void removeConfig()
{
    if (QFileInfo(configPath()).isDir())
        QDir(configPath()).removeRecursively();
    else
        QFile::remove(configPath());
}

QByteArray readConfig()
{
    QFile file(configPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
