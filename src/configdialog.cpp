#include "configdialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include <limits>

const QString DEFAULT_TITLE = QStringLiteral("Quorvel");

namespace {

QComboBox *createMethodBox(QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->addItem(QStringLiteral("POST"));
    box->addItem(QStringLiteral("GET"));
    return box;
}

// The "Ein" and "Aus" groups: a URL row and a method row.
QGroupBox *createSenderGroup(const QString &title, QWidget *parent, QLineEdit *&urlEdit, QComboBox *&methodBox)
{
    auto *group = new QGroupBox(title, parent);
    auto *layout = new QVBoxLayout(group);
    auto *urlRow = new QHBoxLayout;
    urlRow->addWidget(new QLabel(QStringLiteral("Ziel-URL:"), group));
    urlEdit = new QLineEdit(group);
    urlRow->addWidget(urlEdit);
    layout->addLayout(urlRow);
    auto *methodRow = new QHBoxLayout;
    methodRow->addWidget(new QLabel(QStringLiteral("Methode:"), group));
    methodBox = createMethodBox(group);
    methodRow->addWidget(methodBox);
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

// QVariant::toInt() wraps numbers beyond 32 bits into some other number; such a value does not
// convert and reads as 0, like any other text that is not an integer.
int readInt(const QSettings &settings, const QString &key, int defaultValue)
{
    bool ok = false;
    const qlonglong value = settings.value(key, defaultValue).toLongLong(&ok);
    return ok && value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max() ? int(value) : 0;
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
    titleRow->addWidget(new QLabel(QStringLiteral("Fenstertitel:"), generalGroup));
    titleEdit = new QLineEdit(generalGroup);
    titleEdit->setPlaceholderText(DEFAULT_TITLE);
    titleRow->addWidget(titleEdit);
    generalLayout->addLayout(titleRow);
    auto *intervalRow = new QHBoxLayout;
    intervalRow->addWidget(new QLabel(QStringLiteral("Abfrageintervall:"), generalGroup));
    intervalEdit = new QLineEdit(generalGroup);
    intervalEdit->setFixedWidth(50);
    intervalRow->addWidget(intervalEdit);
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
    QSettings settings(configFilePath(), QSettings::IniFormat);

    const QString title = titleEdit->text().trimmed();
    settings.setValue(QStringLiteral("Allgemein/Titel"), title.isEmpty() ? DEFAULT_TITLE : title);
    bool ok = false;
    const int interval = intervalEdit->text().trimmed().toInt(&ok, 10);
    settings.setValue(QStringLiteral("Allgemein/Intervall"), ok && interval > 0 ? interval : 1);
    settings.setValue(QStringLiteral("SenderEin/Url"), einUrlEdit->text().trimmed());
    settings.setValue(QStringLiteral("SenderEin/Method"), einMethodBox->currentText());
    settings.setValue(QStringLiteral("SenderAus/Url"), ausUrlEdit->text().trimmed());
    settings.setValue(QStringLiteral("SenderAus/Method"), ausMethodBox->currentText());
    settings.sync();

    if (settings.status() != QSettings::NoError) {
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
    QSettings settings(configFilePath(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Fenster/X"), pos.x());
    settings.setValue(QStringLiteral("Fenster/Y"), pos.y());
    settings.sync();
}
