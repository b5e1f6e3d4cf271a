#include "configdialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryFile>
#include <QThread>
#include <QVBoxLayout>

#include <limits>

const QString DEFAULT_TITLE = QStringLiteral("Quorvel");

namespace {

QComboBox *createMethodBox(QWidget *parent)
{
    auto *box = new QComboBox(parent);
    // Named by its label, a box says its value as its description.
    QObject::connect(box, &QComboBox::currentTextChanged, box, &QWidget::setAccessibleDescription);
    box->addItem(QStringLiteral("POST"));
    box->addItem(QStringLiteral("GET"));
    return box;
}

// A field after its label, which also names it to assistive technology.
void addLabelled(QHBoxLayout *row, const QString &text, QWidget *field)
{
    auto *label = new QLabel(text, field->parentWidget());
    label->setBuddy(field);
    row->addWidget(label);
    row->addWidget(field);
}

// The "Ein" and "Aus" groups: a URL row and a method row.
QGroupBox *createSenderGroup(const QString &title, QWidget *parent, QLineEdit *&urlEdit, QComboBox *&methodBox)
{
    auto *group = new QGroupBox(title, parent);
    auto *layout = new QVBoxLayout(group);
    auto *urlRow = new QHBoxLayout;
    urlEdit = new QLineEdit(group);
    addLabelled(urlRow, QStringLiteral("Ziel-URL:"), urlEdit);
    layout->addLayout(urlRow);
    auto *methodRow = new QHBoxLayout;
    methodBox = createMethodBox(group);
    addLabelled(methodRow, QStringLiteral("Methode:"), methodBox);
    methodRow->addStretch();
    layout->addLayout(methodRow);
    return group;
}

// Show the method a switch request really uses: POST for "post" in any case, GET for anything else.
void showMethod(QComboBox *box, const QString &method)
{
    const bool post = method.compare(QLatin1String("POST"), Qt::CaseInsensitive) == 0;
    box->setCurrentIndex(box->findText(post ? QStringLiteral("POST") : QStringLiteral("GET")));
}

// Editors write the file in UTF-8, and so does Qt 6; Qt 5 would read its bytes as Latin-1 and write
// them back as escapes of the wrong characters. Escapes written so far still read as what they stand for.
void useUtf8(QSettings &settings)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    settings.setIniCodec("UTF-8");
#else
    Q_UNUSED(settings);
#endif
}

// QVariant::toInt() wraps numbers beyond 32 bits into some other number; such a value does not
// convert and reads as 0, like any other text that is not an integer.
int readInt(const QSettings &settings, const QString &key, int defaultValue)
{
    bool ok = false;
    const qlonglong value = settings.value(key, defaultValue).toLongLong(&ok);
    return ok && value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max() ? int(value) : 0;
}

// How long a save waits for another writer of the file, and a close, which must not hang.
const int SAVE_LOCK_WAIT_MS = 3000;
const int CLOSE_LOCK_WAIT_MS = 1000;

// Sets `values` in the file at `path` and reports whether they reached it. The settings layer
// keeps what it could not write in a cache of the file that every later reader in this process
// shares and the next successful write flushes, so the file itself is only ever read through it:
// the keys go into a private copy, and only a copy that was written replaces the file, whole.
bool writeKeys(const QString &path, const QVariantMap &values, int lockWaitMs)
{
    // Another window, or another copy of the program, may be writing the file too. Every writer holds
    // this lock, the settings layer's own, from reading the file until it is replaced, so that none
    // drops what another wrote meanwhile; a lock left by a process that no longer runs is taken over.
    // A write takes milliseconds, so the wait tries every one, where the toolkit's own would sleep a
    // tenth of a second and longer between tries.
    QLockFile lock(path + QStringLiteral(".lock"));
    QElapsedTimer waited;
    waited.start();
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || waited.hasExpired(lockWaitMs))
            return false;
        QThread::msleep(1);
    }
    QTemporaryFile copy;
    if (!copy.open())
        return false;
    QFile current(path);
    if (current.exists() && !(current.open(QIODevice::ReadOnly) && copy.write(current.readAll()) == current.size()))
        return false; // unreadable: writing would drop the keys it holds
    if (!copy.flush())
        return false;
    copy.close();
    {
        // A line the reader cannot parse is dropped on write, as it always was, but sets FormatError,
        // which as the first error would hide a failed write. A reader parses the copy first and the
        // writer shares its parse, so the writer's status tells the write alone; were the copy parsed
        // again, a save would only be refused, never reported done.
        {
            QSettings reader(copy.fileName(), QSettings::IniFormat);
            useUtf8(reader);
            reader.allKeys();
        }
        QSettings settings(copy.fileName(), QSettings::IniFormat);
        useUtf8(settings);
        for (auto it = values.begin(); it != values.end(); ++it)
            settings.setValue(it.key(), it.value());
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return false;
    }
    QFile written(copy.fileName());
    QSaveFile file(path);
    if (!written.open(QIODevice::ReadOnly) || !file.open(QIODevice::WriteOnly))
        return false;
    // The file may hold the plug's password: one it creates only its owner may read. An existing
    // file keeps its mode.
    if (!current.exists() && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    if (file.write(written.readAll()) != written.size())
        return false;
    // commit() does not notice a buffer it could not write out (a full disk) and would put a
    // cut-off file in place; a failed flush leaves the file as it was.
    return file.flush() && file.commit();
}

} // namespace

ConfigDialog::ConfigDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Konfiguration"));
    resize(440, 380);

    auto *mainLayout = new QVBoxLayout(this);

    auto *generalGroup = new QGroupBox(QStringLiteral("Allgemein"), this);
    auto *generalLayout = new QVBoxLayout(generalGroup);
    auto *titleRow = new QHBoxLayout;
    titleEdit = new QLineEdit(generalGroup);
    titleEdit->setPlaceholderText(DEFAULT_TITLE);
    addLabelled(titleRow, QStringLiteral("Fenstertitel:"), titleEdit);
    generalLayout->addLayout(titleRow);
    auto *intervalRow = new QHBoxLayout;
    intervalEdit = new QLineEdit(generalGroup);
    intervalEdit->setFixedWidth(50);
    intervalEdit->setAccessibleDescription(QStringLiteral("Sekunden"));
    addLabelled(intervalRow, QStringLiteral("Abfrageintervall:"), intervalEdit);
    intervalRow->addWidget(new QLabel(QStringLiteral("Sekunden"), generalGroup));
    intervalRow->addStretch();
    generalLayout->addLayout(intervalRow);
    mainLayout->addWidget(generalGroup);

    mainLayout->addWidget(createSenderGroup(QStringLiteral("Ein"), this, einUrlEdit, einMethodBox));
    mainLayout->addWidget(createSenderGroup(QStringLiteral("Aus"), this, ausUrlEdit, ausMethodBox));

    mainLayout->addStretch();

    // Shown only when a save could not be written; the dialog then stays open with the input.
    saveErrorLabel = new QLabel(this);
    saveErrorLabel->setObjectName(QStringLiteral("saveErrorLabel"));
    saveErrorLabel->setTextFormat(Qt::PlainText);
    saveErrorLabel->setWordWrap(true);
    saveErrorLabel->setStyleSheet(QStringLiteral("color: #e74c3c;"));
    saveErrorLabel->hide();
    mainLayout->addWidget(saveErrorLabel);

    auto *buttonRow = new QHBoxLayout;
    auto *saveButton = new QPushButton(QStringLiteral("Speichern"), this);
    auto *cancelButton = new QPushButton(QStringLiteral("Abbrechen"), this);
    buttonRow->addStretch();
    buttonRow->addWidget(saveButton);
    buttonRow->addWidget(cancelButton);
    mainLayout->addLayout(buttonRow);

    connect(saveButton, &QPushButton::clicked, this, &ConfigDialog::onSaveClicked);
    connect(cancelButton, &QPushButton::clicked, this, &ConfigDialog::reject);

    populateFromConfig(loadConfig());
}

void ConfigDialog::populateFromConfig(const AppConfig &config)
{
    titleEdit->setText(config.title);
    intervalEdit->setText(QString::number(config.interval));
    einUrlEdit->setText(config.ein.url);
    showMethod(einMethodBox, config.ein.method);
    ausUrlEdit->setText(config.aus.url);
    showMethod(ausMethodBox, config.aus.method);
}

void ConfigDialog::onSaveClicked()
{
    const QString title = titleEdit->text().trimmed();
    bool ok = false;
    const int interval = intervalEdit->text().trimmed().toInt(&ok, 10);
    const QVariantMap values{
        {QStringLiteral("Allgemein/Titel"), title.isEmpty() ? DEFAULT_TITLE : title},
        {QStringLiteral("Allgemein/Intervall"), ok && interval > 0 ? interval : 1},
        {QStringLiteral("SenderEin/Url"), einUrlEdit->text().trimmed()},
        {QStringLiteral("SenderEin/Method"), einMethodBox->currentText()},
        {QStringLiteral("SenderAus/Url"), ausUrlEdit->text().trimmed()},
        {QStringLiteral("SenderAus/Method"), ausMethodBox->currentText()},
    };
    if (!writeKeys(configFilePath(), values, SAVE_LOCK_WAIT_MS)) {
        saveErrorLabel->setText(QStringLiteral("Die Konfiguration konnte nicht gespeichert werden: %1")
                                    .arg(QDir::toNativeSeparators(configFilePath())));
        saveErrorLabel->show();
        return;
    }
    accept();
}

QString ConfigDialog::configFilePath()
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + QStringLiteral("quorvel.config");
}

AppConfig ConfigDialog::loadConfig()
{
    AppConfig config;
    QSettings settings(configFilePath(), QSettings::IniFormat);
    useUtf8(settings);

    config.title = settings.value(QStringLiteral("Allgemein/Titel"), DEFAULT_TITLE).toString();
    config.interval = readInt(settings, QStringLiteral("Allgemein/Intervall"), 10);
    if (config.interval < 1)
        config.interval = 10;

    const int x = readInt(settings, QStringLiteral("Fenster/X"), -1);
    const int y = readInt(settings, QStringLiteral("Fenster/Y"), -1);
    config.windowPos = QPoint(x, y);

    config.ein.url = settings.value(QStringLiteral("SenderEin/Url"), QString()).toString();
    config.ein.method = settings.value(QStringLiteral("SenderEin/Method"), QStringLiteral("POST")).toString();
    config.aus.url = settings.value(QStringLiteral("SenderAus/Url"), QString()).toString();
    config.aus.method = settings.value(QStringLiteral("SenderAus/Method"), QStringLiteral("POST")).toString();
    return config;
}

void ConfigDialog::saveWindowPos(const QPoint &pos)
{
    // Without the lock in time the position is not saved: closing the window must not hang.
    const QVariantMap values{{QStringLiteral("Fenster/X"), pos.x()}, {QStringLiteral("Fenster/Y"), pos.y()}};
    writeKeys(configFilePath(), values, CLOSE_LOCK_WAIT_MS);
}
