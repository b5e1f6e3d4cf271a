#!/usr/bin/env bash
# Installs into a scratch HOME and checks the launcher, a reinstall and the uninstall.
set -euo pipefail
repo=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp/home XDG_DATA_HOME=$tmp/xdg
dir="$tmp/opt dir"
entry=$XDG_DATA_HOME/applications/quorvel.desktop
icon=$XDG_DATA_HOME/icons/hicolor/scalable/apps/quorvel.svg
fail() { echo "FAIL: $*"; exit 1; }
files() { (cd "$tmp" && find . -type f | sort); }

"$repo/scripts/install" "$dir" >/dev/null
[ -x "$dir/quorvel" ] || fail "binary missing"
[ -f "$icon" ] || fail "icon missing"
desktop-file-validate "$entry" || fail "desktop entry invalid"
grep -qx "Exec=\"$dir/quorvel\"" "$entry" || fail "Exec does not name the installed binary: $(grep Exec "$entry")"
grep -qx 'Icon=quorvel' "$entry" || fail "Icon"
grep -qx 'StartupWMClass=quorvel' "$entry" || fail "StartupWMClass"
[ "$(files | wc -l)" -eq 3 ] || fail "expected exactly three files, got: $(files)"

printf '[Allgemein]\nTitel=Flur\n' > "$dir/quorvel.config"
cp "$dir/quorvel.config" "$tmp/config.before"
"$repo/scripts/install" "$dir" >/dev/null
cmp -s "$dir/quorvel.config" "$tmp/config.before" || fail "reinstall changed quorvel.config"

"$repo/scripts/install" --uninstall "$dir" >/dev/null
rm "$tmp/config.before"
[ "$(files)" = "./opt dir/quorvel.config" ] || fail "uninstall left or removed the wrong files: $(files)"
echo "install, reinstall and uninstall as expected"
