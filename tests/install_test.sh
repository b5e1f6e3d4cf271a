#!/usr/bin/env bash
# Two copies in a scratch HOME: the default DIR, named by its own title and started at login, and a
# DIR with a space, named by hand, once given relative to where the installer runs. Each gets a
# launcher of its own; a usage error or a bad DIR exits 2 and changes nothing; uninstalling one
# leaves the other whole, and every quorvel.config stays.
set -euxo pipefail
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp/home XDG_DATA_HOME=$tmp/xdg XDG_CONFIG_HOME=$tmp/config
install=$1/scripts/install flur=$tmp/home/.local/opt/quorvel kueche="$tmp/opt dir"
files() { (cd "$tmp" && find . -type f -exec md5sum {} + | sort -k 2); }
mkdir -p "$flur" "$kueche" && printf '[Allgemein]\nTitel="Flur, \\"oben\\""\n' > "$flur/quorvel.config"
echo 'Titel=Anders' > "$kueche/quorvel.config" # --name comes first
"$install" --autostart
"$install" --autostart --name 'Küche' "$kueche"
# Again, with DIR relative to where it runs: the same copy and launcher, by its whole path, no longer at login.
(cd "$tmp" && "$install" --name 'Steckdose "Küche"' "opt dir")
desktop-file-validate "$XDG_DATA_HOME"/applications/* "$XDG_CONFIG_HOME"/autostart/*
apps=$XDG_DATA_HOME/applications
cmp "$apps"/quorvel.desktop "$XDG_CONFIG_HOME"/autostart/quorvel.desktop
[ "$(ls "$XDG_CONFIG_HOME"/autostart)" = quorvel.desktop ]
grep -x -e 'Name=Flur, "oben"' -e "Exec=$flur/quorvel" "$apps"/quorvel.desktop | wc -l | grep -qx 2
grep -x -e 'Name=Steckdose "Küche"' -e "Exec=\"$kueche/quorvel\"" "$apps"/quorvel-*.desktop | wc -l | grep -qx 2
both=$(files)
# Usage errors (an unknown option, --name without a text, two DIRs) and a DIR under a file.
for wrong in --frobnicate --name "$tmp/a $tmp/b" "$flur/quorvel.config/x"; do
    code=0 && "$install" $wrong || code=$?
    [ "$code: $(files)" = "2: $both" ] # one test: a failure on the left of && would not stop the script
done
"$install" --uninstall "$kueche"
[ "$(files)" = "$(grep -v -e ' ./opt dir/quorvel$' -e '/quorvel-.*\.desktop$' <<< "$both")" ]
"$install" --uninstall
[ "$(files | cut -c 35- | xargs)" = "./home/.local/opt/quorvel/quorvel.config ./opt dir/quorvel.config" ]
