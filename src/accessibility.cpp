#include "accessibility.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QAccessibleWidget>

#include <algorithm>

namespace {

// A label that assistive technology sees in another role, named by its text.
class AccessibleLabel : public QAccessibleWidget
{
public:
    AccessibleLabel(QLabel *label, QAccessible::Role role)
        : QAccessibleWidget(label, role)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? static_cast<QLabel *>(widget())->text() : QAccessibleWidget::text(t);
    }
};

// The main window as a window named by its title (a plain QWidget would be a nameless filler, with
// no title bar or status bar to read). Its parts are listed in the order they were created; the dot
// and hidden widgets, such as an announcement, are not among them.
class AccessibleWindow : public QAccessibleWidget
{
public:
    explicit AccessibleWindow(QWidget *window)
        : QAccessibleWidget(window, QAccessible::Window)
    {
    }
    int childCount() const override { return parts().size(); }
    QAccessibleInterface *child(int index) const override
    {
        return QAccessible::queryAccessibleInterface(parts().value(index));
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return parts().indexOf(qobject_cast<QWidget *>(child->object()));
    }

private:
    QList<QWidget *> parts() const
    {
        QList<QWidget *> parts = widget()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        parts.erase(std::remove_if(parts.begin(), parts.end(),
                                   [](QWidget *w) {
                                       return w->isWindow() || w->isHidden()
                                           || w->objectName() == QLatin1String("stateIndicator");
                                   }),
                    parts.end());
        return parts;
    }
};

// The program by the name it always had, its executable's, where the toolkit would say the id that
// tells its copies apart: a screen reader keeps its settings for an application under this name.
class AccessibleProgram : public QAccessibleApplication
{
public:
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? QStringLiteral("quorvel") : QAccessibleApplication::text(t);
    }
};

QAccessibleInterface *accessibleInterfaceFor(const QString &className, QObject *object)
{
    if (className == QLatin1String("QApplication"))
        return new AccessibleProgram;
    if (className == QLatin1String("MainWindow"))
        return new AccessibleWindow(static_cast<QWidget *>(object));
    if (className == QLatin1String("Announcement"))
        return new AccessibleLabel(static_cast<QLabel *>(object), QAccessible::Notification);
    auto *label = qobject_cast<QLabel *>(object);
    if (label && label->objectName() == QLatin1String("statusLabel"))
        return new AccessibleLabel(label, QAccessible::StatusBar);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static const bool installed = (QAccessible::installFactory(accessibleInterfaceFor), true);
    Q_UNUSED(installed);
}

Announcement::Announcement(QWidget *parent)
    : QLabel(parent)
{
    hide();
}

void Announcement::announce(const QString &text, const QString &detail)
{
    setText(text);
    setAccessibleDescription(detail);
    QAccessibleEvent event(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&event);
}
