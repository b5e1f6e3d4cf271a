#include "mainwindow.h"
#include "aboutdialog.h"
#include "accessibility.h"
#include "configdialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// Longest a request may take from sending to finishing; a device that hangs or trickles must not
// leave the buttons disabled or polling stopped for good.
const int REQUEST_TIME_LIMIT_MS = 15000;

// Each reply carries the kind of request that produced it, so that overlapping status and switch
// requests are each handled as what they are.
const char STATUS_QUERY_PROPERTY[] = "quorvelStatusQuery";

// A real answer is a few dozen bytes; a device that sends without end must not fill the memory.
const qint64 MAX_REPLY_BYTES = 1024 * 1024;
const char TOO_LARGE_PROPERTY[] = "quorvelTooLarge";

// Why a reply failed, or an empty text when it did not. A body past the bound counts as a
// failure also when it arrived whole before it could be stopped.
QString failureOf(QNetworkReply *reply)
{
    if (reply->property(TOO_LARGE_PROPERTY).toBool() || reply->bytesAvailable() > MAX_REPLY_BYTES)
        return QStringLiteral("Antwort zu groß (mehr als 1 MiB)");
    if (reply->error() == QNetworkReply::NoError)
        return QString();
    // The network layer calls a request that ran out of time "canceled", as if someone had.
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return QStringLiteral("Keine Antwort innerhalb von %1 Sekunden").arg(REQUEST_TIME_LIMIT_MS / 1000);
    // The network layer names the URL with its password; the status line is for everyone to see.
    QString text = reply->errorString();
    const QUrl url = reply->url();
    if (!url.password().isEmpty())
        text.replace(url.toString(), url.toString(QUrl::RemovePassword));
    return text;
}

// Whether `area` lies wholly on one of the screens.
bool isOnAScreen(const QRect &area)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [&](QScreen *s) { return s->geometry().contains(area); });
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
    , statusQueryPending(false)
    , keepingFocus(false)
{
    installAccessibility();
    const AppConfig config = ConfigDialog::loadConfig();
    setWindowTitle(config.title);
    resize(360, 260);

    auto *mainLayout = new QVBoxLayout(this);

    auto *topRow = new QHBoxLayout;
    auto *aboutButton = new QPushButton(QStringLiteral("i"), this);
    aboutButton->setFixedSize(32, 32);
    // Screen readers would read the bare glyphs as a letter and a trigram symbol.
    aboutButton->setAccessibleName(QStringLiteral("Über Quorvel"));
    topRow->addWidget(aboutButton);
    topRow->addStretch();
    configButton = new QPushButton(QStringLiteral("☰"), this);
    configButton->setFixedSize(32, 32);
    configButton->setAccessibleName(QStringLiteral("Konfiguration"));
    topRow->addWidget(configButton);
    mainLayout->addLayout(topRow);
    // A position saved on a monitor that is gone would open the window out of reach. It is used only
    // where the window's top row, by which it is grabbed and with both corner buttons, lies on a
    // screen; elsewhere the window system places the window, as when no position was saved.
    const QRect topBand(config.windowPos, QSize(width(), mainLayout->contentsMargins().top() + aboutButton->height()));
    if (config.windowPos.x() >= 0 && config.windowPos.y() >= 0 && isOnAScreen(topBand))
        move(config.windowPos);

    auto *stateRow = new QHBoxLayout;
    stateRow->addStretch();
    stateIndicator = new QLabel(QStringLiteral("●"), this);
    stateIndicator->setObjectName(QStringLiteral("stateIndicator"));
    QFont dotFont = stateIndicator->font();
    dotFont.setPointSize(18);
    stateIndicator->setFont(dotFont);
    stateIndicator->setStyleSheet(QStringLiteral("color: gray;"));
    stateRow->addWidget(stateIndicator);
    stateLabel = new QLabel(QStringLiteral("Unbekannt"), this);
    stateLabel->setObjectName(QStringLiteral("stateLabel"));
    // The dot says nothing without its colour; the word carries the state for assistive technology.
    stateLabel->setAccessibleName(QStringLiteral("Zustand: Unbekannt"));
    QFont stateFont = stateLabel->font();
    stateFont.setPointSize(11);
    stateFont.setWeight(QFont::Bold);
    stateLabel->setFont(stateFont);
    stateRow->addWidget(stateLabel);
    stateRow->addStretch();
    mainLayout->addLayout(stateRow);

    mainLayout->addStretch();

    auto *einRow = new QHBoxLayout;
    einRow->addStretch();
    einButton = new QPushButton(QStringLiteral("Ein"), this);
    einButton->setFixedWidth(120);
    einRow->addWidget(einButton);
    einRow->addStretch();
    mainLayout->addLayout(einRow);

    mainLayout->addSpacing(8);

    auto *ausRow = new QHBoxLayout;
    ausRow->addStretch();
    ausButton = new QPushButton(QStringLiteral("Aus"), this);
    ausButton->setFixedWidth(120);
    ausRow->addWidget(ausButton);
    ausRow->addStretch();
    mainLayout->addLayout(ausRow);

    mainLayout->addStretch();

    // Named before its first text: a screen reader asks for its role at once.
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    statusLabel->setText(QStringLiteral("Version %1").arg(QStringLiteral(QUORVEL_VERSION)));
    // The status line carries texts the device chose (reason phrases); never render them as markup.
    statusLabel->setTextFormat(Qt::PlainText);
    statusLabel->setWordWrap(true);
    statusLabel->setAlignment(Qt::AlignCenter);
    mainLayout->addWidget(statusLabel);

    announcement = new Announcement(this);

    networkManager = new QNetworkAccessManager(this);
    networkManager->setTransferTimeout(REQUEST_TIME_LIMIT_MS);
    // The answer shown is the one the target gave; Qt 6 would follow a redirect elsewhere by default.
    networkManager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    connect(networkManager, &QNetworkAccessManager::finished, this, &MainWindow::onReplyFinished);

    pollTimer = new QTimer(this);
    pollTimer->setObjectName(QStringLiteral("pollTimer"));
    pollTimer->setSingleShot(true);
    connect(pollTimer, &QTimer::timeout, this, &MainWindow::queryStatus);

    connect(aboutButton, &QPushButton::clicked, this, [this] {
        AboutDialog dialog(this);
        dialog.exec();
    });
    connect(configButton, &QPushButton::clicked, this, &MainWindow::onConfigClicked);
    connect(einButton, &QPushButton::clicked, this, &MainWindow::onEinClicked);
    connect(ausButton, &QPushButton::clicked, this, &MainWindow::onAusClicked);

    QTimer::singleShot(200, this, &MainWindow::queryStatus);
}

MainWindow::~MainWindow()
{
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Wayland never tells a window where it is: what Qt reports there is no position, and writing it
    // would lose the one remembered on another desktop.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        ConfigDialog::saveWindowPos(pos());
    event->accept();
}

bool MainWindow::focusNextPrevChild(bool next)
{
    // Refused while setSwitching disables the focused button.
    return keepingFocus || QWidget::focusNextPrevChild(next);
}

// The switch buttons rest exactly while a switch request is on its way. Disabling the focused button
// would move the focus on, to a button that the next key press would press; it stays where the user
// pressed.
void MainWindow::setSwitching(bool switching)
{
    keepingFocus = true;
    einButton->setEnabled(!switching);
    ausButton->setEnabled(!switching);
    keepingFocus = false;
}

bool MainWindow::isSwitching() const
{
    return !einButton->isEnabled();
}

void MainWindow::onConfigClicked()
{
    ConfigDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    setWindowTitle(ConfigDialog::loadConfig().title);
    statusLabel->setText(QStringLiteral("Konfiguration gespeichert."));
    pollTimer->stop();
    QTimer::singleShot(200, this, &MainWindow::queryStatus);
}

void MainWindow::onEinClicked()
{
    sendRequest(ConfigDialog::loadConfig().ein);
}

void MainWindow::onAusClicked()
{
    sendRequest(ConfigDialog::loadConfig().aus);
}

void MainWindow::onReplyFinished(QNetworkReply *reply)
{
    // The flag describes only the request sent last; the kind recorded on the reply is exact.
    const QVariant kind = reply->property(STATUS_QUERY_PROPERTY);
    const bool isStatusReply = kind.isValid() ? kind.toBool() : statusQueryPending;

    const QString failure = failureOf(reply);
    if (isStatusReply) {
        QString line;
        if (failure.isEmpty()) {
            const QJsonDocument document = QJsonDocument::fromJson(reply->readAll());
            const QString power = document.object().value(QStringLiteral("POWER")).toString().toUpper();
            if (power == QLatin1String("ON"))
                showState(QStringLiteral("color: #2ecc40;"), QStringLiteral("EIN"));
            else if (power == QLatin1String("OFF"))
                showState(QStringLiteral("color: #e74c3c;"), QStringLiteral("AUS"));
            else
                showState(QStringLiteral("color: gray;"), QStringLiteral("Unbekannt"));
            line = QStringLiteral("Bereit.");
        } else {
            showState(QStringLiteral("color: gray;"), QStringLiteral("Unbekannt"));
            line = QStringLiteral("Status-Abfrage fehlgeschlagen: %1").arg(failure);
        }
        // Until a switch request's answer arrives, the status line speaks of the request the user started.
        if (!isSwitching())
            statusLabel->setText(line);
        scheduleNextPoll();
    } else {
        setSwitching(false);
        if (failure.isEmpty()) {
            const int code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            statusLabel->setText(QStringLiteral("Erfolgreich gesendet. HTTP-Status: %1").arg(code));
            switchResult = statusLabel->text(); // announced with the state it led to
            QTimer::singleShot(600, this, &MainWindow::queryStatus);
        } else {
            tell(QStringLiteral("Fehler beim Senden: %1").arg(failure));
            scheduleNextPoll();
        }
    }
    reply->deleteLater();
}

void MainWindow::queryStatus()
{
    pollTimer->stop();
    const QString url = tasmotaStatusUrl();
    if (url.isEmpty()) {
        showState(QStringLiteral("color: gray;"), QStringLiteral("Unbekannt"));
        scheduleNextPoll();
        return;
    }
    statusQueryPending = true;
    watch(networkManager->get(QNetworkRequest(QUrl(url, QUrl::TolerantMode))), true);
}

QString MainWindow::tasmotaStatusUrl() const
{
    const QUrl url(ConfigDialog::loadConfig().ein.url.trimmed(), QUrl::TolerantMode);
    if (!url.isValid())
        return QString();
    QString host = url.host();
    if (host.isEmpty())
        return QString();
    // host() strips the brackets of an IPv6 literal; without them the address is not a host.
    if (host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return QStringLiteral("%1://%2/cm?cmnd=Power").arg(url.scheme(), host);
}

void MainWindow::scheduleNextPoll()
{
    // Clamp rather than overflow: a huge interval must still mean "a long time", not a negative delay.
    const qint64 ms = qint64(ConfigDialog::loadConfig().interval) * 1000;
    pollTimer->start(int(qMin<qint64>(ms, std::numeric_limits<int>::max())));
}

void MainWindow::sendRequest(const SenderConfig &sender)
{
    switchResult.clear(); // a new press is what the user waits to hear of now
    const QString text = sender.url.trimmed();
    if (text.isEmpty()) {
        tell(QStringLiteral("Fehler: Keine URL konfiguriert. Bitte erst ☰ öffnen."));
        return;
    }
    const QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid() || url.scheme().isEmpty()) {
        tell(QStringLiteral("Fehler: Ungültige URL (Schema fehlt?)."));
        return;
    }

    setSwitching(true);
    tell(QStringLiteral("Sende…"));
    statusQueryPending = false;
    pollTimer->stop();

    QNetworkRequest request(url);
    QNetworkReply *reply;
    if (sender.method.compare(QLatin1String("POST"), Qt::CaseInsensitive) == 0) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/html; charset=utf-8"));
        reply = networkManager->post(request, QByteArray());
    } else {
        reply = networkManager->get(request);
    }
    watch(reply, false);
}

void MainWindow::watch(QNetworkReply *reply, bool isStatusQuery)
{
    reply->setProperty(STATUS_QUERY_PROPERTY, isStatusQuery);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received) {
        if (received <= MAX_REPLY_BYTES)
            return;
        reply->setProperty(TOO_LARGE_PROPERTY, true);
        if (reply->isRunning())
            reply->abort();
    });
    // The manager's transfer timeout ends a stalled transfer; this ends one that keeps trickling.
    const int limit = networkManager->transferTimeout();
    if (limit > 0) {
        QTimer::singleShot(limit, reply, [reply] {
            if (reply->isRunning())
                reply->abort();
        });
    }
}

void MainWindow::showState(const QString &colour, const QString &word)
{
    // A switch's result is heard with the state it led to; otherwise a state is heard when it changes.
    const QString result = std::exchange(switchResult, QString());
    const bool changed = stateLabel->text() != word;
    if (changed) { // the dot is restyled, and assistive technology told, only then
        stateIndicator->setStyleSheet(colour);
        stateLabel->setText(word);
        stateLabel->setAccessibleName(QStringLiteral("Zustand: %1").arg(word));
    }
    if (!result.isEmpty())
        announcement->announce(result, stateLabel->accessibleName());
    else if (changed)
        announcement->announce(stateLabel->accessibleName());
}

// What became of the user's press: on the status line, and spoken by a screen reader.
void MainWindow::tell(const QString &text)
{
    statusLabel->setText(text);
    announcement->announce(text);
}
