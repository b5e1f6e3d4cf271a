#!/usr/bin/env bash
# Installs into a scratch HOME, with a space in the path: the launcher, a reinstall that keeps the
# configuration, and an uninstall that leaves only the configuration. Any failing step fails.
set -euxo pipefail
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp/home XDG_DATA_HOME=$tmp/xdg
dir="$tmp/opt dir"
files() { (cd "$tmp" && find . -type f | sort | xargs); }
"$1/scripts/install" "$dir"
desktop-file-validate "$XDG_DATA_HOME/applications/quorvel.desktop"
grep -qx "Exec=\"$dir/quorvel\"" "$XDG_DATA_HOME/applications/quorvel.desktop"
echo '[Allgemein]' > "$dir/quorvel.config"
"$1/scripts/install" "$dir"
[ "$(files)" = "./opt dir/quorvel ./opt dir/quorvel.config ./xdg/applications/quorvel.desktop ./xdg/icons/hicolor/scalable/apps/quorvel.svg" ]
"$1/scripts/install" --uninstall "$dir"
[ "$(files)" = "./opt dir/quorvel.config" ]
grep -qx '\[Allgemein\]' "$dir/quorvel.config"
