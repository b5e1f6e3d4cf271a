#ifndef ACCESSIBILITY_H
#define ACCESSIBILITY_H

#include <QLabel>

// What assistive technology is told beyond what the widgets say of themselves: the program is
// quorvel, whichever copy it is; the main window is a window named by its title, without the dot,
// which only repeats the state word in colour; its status line, the label named "statusLabel", is its
// status bar; and an Announcement is a notification. Installed once, before the main window is built:
// a running screen reader asks for the roles as soon as the parts exist.
void installAccessibility();

// A label that is never seen. Showing it to assistive technology has a screen reader speak it,
// wherever the focus is.
class Announcement : public QLabel
{
    Q_OBJECT

public:
    explicit Announcement(QWidget *parent);

    // Has a screen reader speak `text`, then `detail`, without moving the focus.
    void announce(const QString &text, const QString &detail = QString());
};

#endif
