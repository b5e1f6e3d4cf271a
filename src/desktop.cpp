#include "desktop.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>

namespace {

// The id of this copy, which names its launcher: "quorvel" for the copy in the installer's default
// directory, so that launchers pinned before stay whole, and for a copy anywhere else "quorvel-" and
// the first twelve hex digits of the SHA-256 of its directory's path, as the installer names them.
QString desktopId()
{
    const QString dir = QDir(QCoreApplication::applicationDirPath()).canonicalPath();
    if (dir == QDir(QDir::homePath() + QStringLiteral("/.local/opt/quorvel")).canonicalPath())
        return QStringLiteral("quorvel");
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(dir), QCryptographicHash::Sha256);
    return QStringLiteral("quorvel-") + QString::fromLatin1(hash.toHex().left(12));
}

// Drawn from data/quorvel.svg at build time at every size a task bar asks for, so that no size is
// blurred by scaling and the program needs no SVG support where it runs.
QIcon programIcon()
{
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/icons"));
    while (sizes.hasNext())
        icon.addFile(sizes.next());
    return icon;
}

} // namespace

void introduceToDesktop()
{
    // The icons are built into the core library; a static library's resources are registered by hand.
    Q_INIT_RESOURCE(icons);
    const QString id = desktopId();
    // Wayland's app_id is the desktop file name. X11's WM_CLASS is the instance name, which the toolkit
    // reads from RESOURCE_NAME when it creates the first window, and the class, the application name.
    QGuiApplication::setDesktopFileName(id);
    qputenv("RESOURCE_NAME", id.toLocal8Bit());
    QCoreApplication::setApplicationName(id);
    QGuiApplication::setWindowIcon(programIcon());
}
