// A simulated one-relay Tasmota plug: answers the web command API at /cm like the firmware does, so
// Quorvel can be tried, tested and measured without a plug on the network. See --help.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <sys/signalfd.h>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

const int MAX_HEAD_BYTES = 8 * 1024;
const int MAX_BODY_BYTES = 64 * 1024;
const int IDLE_LIMIT_MS = 10000;
const int MAX_CONNECTIONS = 64;

struct Options
{
    QString password;
    int delayMs = 0;
    bool apiOff = false;
};

struct Answer
{
    int status;
    QByteArray reason;
    QByteArray body;
};

class Plug : public QObject
{
public:
    Plug(const Options &options, bool on)
        : options(options)
        , on(on)
    {
        connect(&server, &QTcpServer::newConnection, this, &Plug::accept);
    }

    QTcpServer server;

private:
    void accept()
    {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            if (server.findChildren<QTcpSocket *>().size() > MAX_CONNECTIONS) {
                socket->abort();
                continue;
            }
            // A client that sends nothing for a while is dropped; each byte it sends restarts the clock,
            // and a complete request stops it.
            auto *idle = new QTimer(socket);
            idle->setObjectName(QStringLiteral("idle"));
            idle->setSingleShot(true);
            connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
            idle->start(IDLE_LIMIT_MS);
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, idle] {
                idle->start(IDLE_LIMIT_MS);
                read(socket);
            });
        }
    }

    void read(QTcpSocket *socket)
    {
        const QByteArray data = socket->readAll();
        if (socket->property("answered").toBool())
            return;
        // The command travels in the query; a body is only waited for, never kept.
        qint64 bodyLeft = socket->property("bodyLeft").toLongLong();
        if (bodyLeft > 0) {
            socket->setProperty("bodyLeft", bodyLeft - data.size());
            if (bodyLeft <= data.size())
                answer(socket);
            return;
        }
        QByteArray head = socket->property("head").toByteArray() + data;
        const int end = head.indexOf("\r\n\r\n");
        if (end > MAX_HEAD_BYTES || (end < 0 && head.size() > MAX_HEAD_BYTES)) {
            socket->abort();
            return;
        }
        if (end >= 0) {
            const qint64 length = headerValue(head.left(end), "content-length").toLongLong();
            if (length > MAX_BODY_BYTES) {
                socket->abort();
                return;
            }
            bodyLeft = length - (head.size() - end - 4);
            head.truncate(end);
        }
        socket->setProperty("head", head);
        socket->setProperty("bodyLeft", bodyLeft);
        if (end >= 0 && bodyLeft <= 0)
            answer(socket);
    }

    void answer(QTcpSocket *socket)
    {
        socket->setProperty("answered", true);
        socket->findChild<QTimer *>(QStringLiteral("idle"))->stop();
        const QByteArray head = socket->property("head").toByteArray();
        const QList<QByteArray> requestLine = head.split('\n').first().trimmed().split(' ');
        const QByteArray method = requestLine.value(0);
        const QByteArray target = requestLine.value(1);
        if (options.apiOff) {
            log(method, target, "closed without an answer");
            socket->abort();
            return;
        }
        const Answer answer = respond(requestLine, head);
        QTimer::singleShot(options.delayMs, socket, [socket, method, target, answer] {
            log(method, target, QByteArray::number(answer.status) + ' ' + answer.body);
            socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + answer.reason
                          + "\r\nContent-Type: application/json\r\nContent-Length: "
                          + QByteArray::number(answer.body.size())
                          + (answer.status == 401 ? "\r\nWWW-Authenticate: Basic realm=\"Tasmota\"" : "")
                          + "\r\nConnection: close\r\n\r\n" + answer.body);
            socket->disconnectFromHost();
        });
    }

    Answer respond(const QList<QByteArray> &requestLine, const QByteArray &head)
    {
        const QByteArray method = requestLine.value(0);
        // A proxy-style absolute target names the path the same way as an origin-form one.
        const QUrl url(QString::fromLatin1(requestLine.value(1)), QUrl::StrictMode);
        if (requestLine.size() != 3 || !requestLine.at(2).startsWith("HTTP/1.") || !url.isValid()
            || url.path().isEmpty())
            return {400, "Bad Request", R"({"WARNING":"Bad request"})"};
        if (url.path() != QLatin1String("/cm"))
            return {404, "Not Found", R"({"WARNING":"Not found"})"};
        if (method != "GET" && method != "POST")
            return {405, "Method Not Allowed", R"({"WARNING":"Method not allowed"})"};
        // Form encoding writes the space in "Power On" as +.
        const QUrlQuery query(url.query(QUrl::FullyEncoded).replace(QLatin1Char('+'), QLatin1String("%20")));
        if (!options.password.isEmpty() && !authorised(query, headerValue(head, "authorization")))
            return {401, "Unauthorized", R"({"WARNING":"Need user=<username>&password=<password>"})"};

        const QStringList words = query.queryItemValue(QStringLiteral("cmnd"), QUrl::FullyDecoded)
                                      .toLower()
                                      .split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString argument = words.value(1);
        if (words.value(0) != QLatin1String("power") || words.size() > 2)
            return {200, "OK", R"({"Command":"Unknown"})"};
        if (argument == QLatin1String("on") || argument == QLatin1String("1"))
            on = true;
        else if (argument == QLatin1String("off") || argument == QLatin1String("0"))
            on = false;
        else if (argument == QLatin1String("toggle") || argument == QLatin1String("2"))
            on = !on;
        else if (!argument.isEmpty())
            return {200, "OK", R"({"Command":"Unknown"})"};
        return {200, "OK", on ? R"({"POWER":"ON"})" : R"({"POWER":"OFF"})"};
    }

    bool authorised(const QUrlQuery &query, const QByteArray &authorization) const
    {
        const QByteArray basic = "Basic " + ("admin:" + options.password.toUtf8()).toBase64();
        return authorization == basic
            || (query.queryItemValue(QStringLiteral("user"), QUrl::FullyDecoded) == QLatin1String("admin")
                && query.queryItemValue(QStringLiteral("password"), QUrl::FullyDecoded) == options.password);
    }

    static QByteArray headerValue(const QByteArray &head, const QByteArray &name)
    {
        for (const QByteArray &line : head.split('\n')) {
            const int colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == name)
                return line.mid(colon + 1).trimmed();
        }
        return QByteArray();
    }

    static void log(const QByteArray &method, const QByteArray &target, const QByteArray &outcome)
    {
        std::printf("%s %s -> %s\n", method.left(16).constData(), target.left(200).constData(), outcome.constData());
        std::fflush(stdout);
    }

    const Options options;
    bool on;
};

// SIGINT and SIGTERM end the event loop, so the server closes its socket on the way out.
void quitOnSignals(QCoreApplication &app)
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    const int fd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel-plug"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A simulated Tasmota plug with one relay, for trying Quorvel."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("listen"), QStringLiteral("Address to listen on, IPv4 or IPv6 (default 127.0.0.1)."),
         QStringLiteral("address"), QStringLiteral("127.0.0.1")},
        {QStringLiteral("port"), QStringLiteral("Port to listen on (default 80); 0 picks a free one."),
         QStringLiteral("port"), QStringLiteral("80")},
        {QStringLiteral("state"), QStringLiteral("Relay state at start: on or off (default off)."),
         QStringLiteral("state"), QStringLiteral("off")},
        {QStringLiteral("password"), QStringLiteral("Web password: requests need user admin with it."),
         QStringLiteral("password")},
        {QStringLiteral("delay"), QStringLiteral("Wait this long before each answer (default 0)."),
         QStringLiteral("ms"), QStringLiteral("0")},
        {QStringLiteral("api-off"), QStringLiteral("Close every connection without an answer.")},
    });
    parser.process(app);

    const QHostAddress address(parser.value(QStringLiteral("listen")));
    bool portOk = false, delayOk = false;
    const uint port = parser.value(QStringLiteral("port")).toUInt(&portOk);
    Options options;
    options.password = parser.value(QStringLiteral("password"));
    options.delayMs = parser.value(QStringLiteral("delay")).toInt(&delayOk);
    options.apiOff = parser.isSet(QStringLiteral("api-off"));
    const QString state = parser.value(QStringLiteral("state")).toLower();
    if (address.isNull() || !portOk || port > 65535 || !delayOk || options.delayMs < 0
        || (state != QLatin1String("on") && state != QLatin1String("off"))) {
        std::fprintf(stderr, "quorvel-plug: invalid option; see --help\n");
        return 2;
    }

    Plug plug(options, state == QLatin1String("on"));
    if (!plug.server.listen(address, quint16(port))) {
        std::fprintf(stderr, "quorvel-plug: cannot listen on %s port %u: %s\n", qPrintable(address.toString()), port,
                     qPrintable(plug.server.errorString()));
        return 1;
    }
    std::printf("quorvel-plug listening on %s port %u\n", qPrintable(address.toString()), plug.server.serverPort());
    std::fflush(stdout);
    quitOnSignals(app);
    return app.exec();
}
