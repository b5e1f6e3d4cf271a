#include "aboutdialog.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QFrame *createLine(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel *createCentredLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Über"));
    setFixedSize(220, 200);

    auto *layout = new QVBoxLayout(this);
    layout->setAlignment(Qt::AlignHCenter);
    layout->setSpacing(4);

    QLabel *heading = createCentredLabel(QStringLiteral("Quorvel"), this);
    QFont headingFont = heading->font();
    headingFont.setPointSize(13);
    headingFont.setWeight(QFont::Bold);
    heading->setFont(headingFont);
    layout->addWidget(heading);
    layout->addWidget(createLine(this));
    layout->addSpacing(4);
    QLabel *version = createCentredLabel(QStringLiteral("Version %1").arg(QStringLiteral(QUORVEL_VERSION)), this);
    // A screen reader reads a dialog's labels of three words or more when it opens.
    version->setAccessibleName(QStringLiteral("Quorvel, Version %1").arg(QStringLiteral(QUORVEL_VERSION)));
    layout->addWidget(version);
    layout->addSpacing(6);
    layout->addWidget(createCentredLabel(QStringLiteral("Für Tasmota-Steckdosen"), this));
    layout->addWidget(createCentredLabel(QStringLiteral("Gebaut mit Qt %1").arg(QT_VERSION_MAJOR), this));
    layout->addWidget(createCentredLabel(QStringLiteral("© 2026 Quorvel-Team"), this));
    layout->addSpacing(4);
    layout->addWidget(createLine(this));

    auto *closeButton = new QPushButton(QStringLiteral("Schließen"), this);
    layout->addWidget(closeButton);
    connect(closeButton, &QPushButton::clicked, this, &AboutDialog::accept);
}

AboutDialog::~AboutDialog()
{
}
