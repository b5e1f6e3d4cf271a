#ifndef DESKTOP_H
#define DESKTOP_H

// Has the desktop know this copy of the program as scripts/install made it known: docks and task
// switchers tie its windows to the copy's own launcher by its id, and every window carries the
// program's icon. Called once, after the application object exists and before the first window.
void introduceToDesktop();

#endif
