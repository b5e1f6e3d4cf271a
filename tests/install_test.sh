#!/usr/bin/env bash
# install_test.sh SOURCE_DIR, on an X server of its own (with_x.sh). Two copies in a scratch HOME with a
# space in its path: the default DIR, named "Quorvel" while it has no title, then by its title, and
# started at login; and a DIR with a % beside it whose path begins with the default's, new, named by
# hand, once given relative to where the installer runs. Each gets a launcher of its own, and a binary
# of the toolkit asked for, also after an install with the other one; installing the default copy
# again leaves the other's launcher alone. Each copy's window carries its launcher's id and the
# program's icon; closed as a window manager closes it, the copy ends with status 0 and keeps its
# position. A usage error or a bad DIR exits 2 and changes nothing; uninstalling one leaves the other
# whole, and every quorvel.config stays.
set -euxo pipefail
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/my home" XDG_DATA_HOME=$tmp/xdg XDG_CONFIG_HOME=$tmp/config
install=$1/scripts/install flur=$HOME/.local/opt/quorvel kueche="$flur 100% kueche"
files() { (cd "$tmp" && find . -type f -exec md5sum {} + | LC_ALL=C sort -k 2); }
toolkit() { readelf -d "$1/quorvel" | grep -o 'libQt[56]Core'; }
apps=$XDG_DATA_HOME/applications
# First an install with the other toolkit, of a copy without a title yet: switching between installs
# builds what is asked each time.
QUORVEL_QT=$((11 - QUORVEL_QT)) "$install"
[ "$(toolkit "$flur")" = "libQt$((11 - QUORVEL_QT))Core" ]
grep -qx Name=Quorvel "$apps"/quorvel.desktop
printf '[Allgemein]\nTitel="Flur, \\"oben\\""\n' > "$flur/quorvel.config"
"$install" --autostart --name 'Küche' "$kueche" # a new DIR
echo 'Titel=Anders' > "$kueche/quorvel.config" # --name comes first
# Again, with DIR relative to where it runs: the same copy and launcher, by its whole path, no longer at login.
(cd "$HOME/.local/opt" && "$install" --name 'Steckdose "Küche"' "quorvel 100% kueche")
# The default copy again, which leaves the other's launcher alone.
"$install" --autostart
[ "$(toolkit "$flur")" = "libQt${QUORVEL_QT}Core" ]
desktop-file-validate "$XDG_DATA_HOME"/applications/* "$XDG_CONFIG_HOME"/autostart/*
cmp "$apps"/quorvel.desktop "$XDG_CONFIG_HOME"/autostart/quorvel.desktop
[ "$(ls "$XDG_CONFIG_HOME"/autostart)" = quorvel.desktop ]
# Each copy's Exec is checked below by starting it.
[ "$(grep -h ^Name= "$apps"/quorvel{,-*}.desktop)" = $'Name=Flur, "oben"\nName=Steckdose "Küche"' ]
for entry in "$XDG_CONFIG_HOME"/autostart/quorvel.desktop "$apps"/quorvel-*.desktop; do
    id=$(basename "$entry" .desktop)
    eval "$(sed -n 's/%\(.\)/\1/g; s/^Exec=/program=/p' "$entry")" # a % escapes the next character
    "$program" & pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --pid $pid)
    # Its icon's sizes, then at 16 px a corner, clear, and the colours of its ground and of its dot:
    # #ff34495e and #ff2ecc40.
    icon=$(xprop -len 999999 -f _NET_WM_ICON 32c -id "$window" _NET_WM_ICON | cut -d= -f2 | tr , '\n' |
        awk '{ a[NR] = $1 } END { for (i = 1; i < NR; i += 2 + a[i] * a[i + 1]) printf "%s ", a[i]
                                  print a[3], a[132], a[207] }')
    [ "$icon" = "16 22 24 32 48 64 128 256 0 4281616734 4281257024" ]
    [ "$(xprop -id "$window" WM_CLASS)" = "WM_CLASS(STRING) = \"$id\", \"$id\"" ]
    grep -qx "StartupWMClass=$id" "$entry"
    closes "$window" $pid
    grep -qx 'X=[0-9]*' "${program%/*}/quorvel.config"
done
both=$(files)
# Usage errors (an unknown option, --name without a text, two DIRs) and a DIR under a file.
for wrong in --frobnicate --name "$tmp/a $tmp/b" "$flur/quorvel.config/x"; do
    code=0 && "$install" $wrong || code=$?
    [ "$code: $(files)" = "2: $both" ] # one test: a failure on the left of && would not stop the script
done
"$install" --uninstall "$kueche"
[ "$(files)" = "$(grep -v -e " ./${kueche#$tmp/}/quorvel$" -e 'quorvel-.*\.desktop$' <<< "$both")" ]
"$install" --uninstall
[ "$(files | cut -c 56- | xargs)" = "quorvel 100% kueche/quorvel.config quorvel/quorvel.config" ]
