#!/usr/bin/env bash
# with_x.sh COMMAND...: COMMAND on an X server of its own with a window manager; both end with it. There
# `closes WINDOW PID` closes the window as its close button does, again while the program runs (one that
# has only just appeared may miss the first request), and fails unless the program, a child of the
# caller, ends within 10 s with status 0.
set -euo pipefail
coproc X { exec Xvfb -displayfd 1 -nolisten tcp 2>/dev/null; }
trap 'kill $X_PID' EXIT
read -r -t 10 -u "${X[0]}" display
# On that server, whatever platform the caller's environment names (the tests' own is offscreen), and
# without a session bus, which D-Bus would otherwise start for the display, with a file in HOME.
export DISPLAY=:$display QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS=disabled:
# The window manager, a client of that server, ends with it.
openbox --sm-disable > /dev/null 2>&1 &
until wmctrl -m > /dev/null 2>&1; do sleep 0.1; done
closes() {
    for _ in $(seq 50); do kill -0 "$2" 2>/dev/null && wmctrl -i -c "$1" && sleep 0.2 || break; done
    ! kill -0 "$2" 2>/dev/null && wait "$2"
}
export -f closes
# Under the sanitizers: the toolkit's X11 side leaves bytes behind in a library it has unloaded, which
# LeakSanitizer cannot name; finding leaks is the offscreen suites' part.
export ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0
"$@"
