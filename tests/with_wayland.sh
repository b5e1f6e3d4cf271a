#!/usr/bin/env bash
# with_wayland.sh COMMAND...: COMMAND on Qt's Wayland platform, as a client of a headless compositor of
# its own, which ends with it; skipped where no compositor is installed.
set -euo pipefail
command -v weston > /dev/null || { echo "skipped: no weston, the Wayland compositor"; exit 77; }
export XDG_RUNTIME_DIR=$(mktemp -d) WAYLAND_DISPLAY=quorvel-test QT_QPA_PLATFORM=wayland
weston --backend=headless-backend.so --use-pixman --socket=$WAYLAND_DISPLAY &
trap 'kill $!; rm -rf "$XDG_RUNTIME_DIR"' EXIT
until [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]; do kill -0 $!; sleep 0.1; done
# Under the sanitizers: the Wayland client library leaves bytes behind, as the X11 side does (with_x.sh).
export ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0
"$@"
