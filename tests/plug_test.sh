#!/usr/bin/env bash
# plug_test.sh SOURCE_DIR BUILD_DIR cases: the simulated plug answers what the demo relies on as a
# Tasmota plug does: the state, on and off, a bad request, the web password, the API switched off, a
# late answer; a stop asked for is a clean end; and it serves more than an hour of the demo's polling.
# plug_test.sh SOURCE_DIR BUILD_DIR demo, on an X server of its own (with_x.sh): scripts/demo, whatever
# proxies the caller's environment names, as a user tries it with both buttons by keyboard and closes
# its window: its own copy and configuration, nothing on stderr, and the plug ends with it. Then
# scripts/run takes a Wayland display alone for a display, and starts the build's own program, which
# keeps its position when closed.
set -euo pipefail
plug=$2/tools/quorvel-plug
tmp=$(mktemp -d)
trap 'kill ${pid:-} 2>/dev/null || true; rm -rf "$tmp"' EXIT
# A private runtime directory keeps away Qt's note of a missing one, which names the user.
export XDG_RUNTIME_DIR=$tmp/run && mkdir -m 700 "$XDG_RUNTIME_DIR"
if [ "$3" = demo ]; then
    mkdir -p "$tmp/built/tools" && cp "$2/quorvel" "$tmp/built" && cp "$plug" "$tmp/built/tools"
    printf '[Allgemein]\nTitel=Meins\n' | tee "$tmp/built/quorvel.config" > "$tmp/mine"
    # What the plug logged, once it is $1 lines; a poll more, as on a slow machine, is not told.
    log() { for _ in $(seq 100); do [ $(uniq "$tmp/log" | wc -l) -ge $1 ] && break; sleep 0.1; done; uniq "$tmp/log"; }
    export QUORVEL_BUILT=$tmp/built no_proxy=.test HTTP_PROXY=http://192.0.2.1:9 PLUG_LOG=$tmp/log
    "$1/scripts/demo" -- --state on > "$tmp/out" 2>&1 & pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quorvel Demo$')
    log 2 > /dev/null && xdotool windowfocus --sync "$window" key Tab Tab space # "Ein"
    log 4 > /dev/null && xdotool key Tab space # "Aus"
    [ "$(log 6 | sed 's/port [0-9]*$/port N/')" = "$(cat <<'LOG'
quorvel-plug listening on 127.0.0.1 port N
GET http://steckdose.test/cm?cmnd=Power -> 200 {"POWER":"ON"}
GET http://steckdose.test/cm?cmnd=Power%20On -> 200 {"POWER":"ON"}
GET http://steckdose.test/cm?cmnd=Power -> 200 {"POWER":"ON"}
POST http://steckdose.test/cm?cmnd=Power%20Off -> 200 {"POWER":"OFF"}
GET http://steckdose.test/cm?cmnd=Power -> 200 {"POWER":"OFF"}
LOG
)" ] || { cat "$tmp/log" "$tmp/out"; exit 1; }
    closes "$window" $pid
    (exec 3<>"/dev/tcp/127.0.0.1/$(awk '{ print $NF; exit }' "$tmp/log")") 2>/dev/null && exit 1
    grep -vq '^A simulated plug plays steckdose.test; close the window' "$tmp/out" && exit 1
    cmp "$tmp/mine" "$tmp/built/quorvel.config"
    grep -qx 'X=[0-9]*' "$tmp/built/demo/quorvel.config"
    [[ $(env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=x "$1/scripts/run" 2>&1) != *graphical* ]]
    "$1/scripts/run" & pid=$!
    closes "$(timeout 20 xdotool search --sync --onlyvisible --name '^Meins$')" $pid
    grep -qx 'X=[0-9]*' "$tmp/built/quorvel.config"
    exit
fi
# Starts the plug with the options given, on a free port: $pid, listening on $port.
start() {
    : > "$tmp/log"
    "$plug" --port 0 "$@" > "$tmp/log" & pid=$!
    until [ -s "$tmp/log" ]; do sleep 0.01; done
    port=$(awk '{ print $NF; exit }' "$tmp/log")
    SECONDS=0
}
# Each case: plug options | request line | an extra header | the answer's status line, "Basic" where it
# asks for a password so, and its body. A late answer comes, late, after the time that a plug drops a
# client that sends nothing.
while IFS='|' read -r options request header expected; do
    start $options
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    printf '%s\r\nHost: plug\r\n%s\r\n' "$request" "${header:+$header$'\r\n'}" >&3
    answer=$(tr -d '\r' <&3 | sed -n '1p;s/^WWW-Authenticate: Basic .*/Basic/p;$p' | paste -sd ' ')
    [ "$answer" = "$expected" ] || { echo "FAIL: $options $request: '$answer'"; exit 1; }
    [[ $options != --delay* || $SECONDS -ge 10 ]] || { echo "FAIL: $options: not late"; exit 1; }
    kill $pid && wait $pid # a stop asked for is a clean end
done <<'CASES'
|GET /cm?cmnd=Power On HTTP/1.1||HTTP/1.1 400 Bad Request {"WARNING":"Bad request"}
--password x|GET /cm HTTP/1.1||HTTP/1.1 401 Unauthorized Basic {"WARNING":"Need user=<username>&password=<password>"}
--password x|GET /cm?cmnd=Power HTTP/1.1|Authorization: Basic YWRtaW46eA==|HTTP/1.1 200 OK {"POWER":"OFF"}
--password x|GET /cm?cmnd=Power&user=admin&password=x HTTP/1.1||HTTP/1.1 200 OK {"POWER":"OFF"}
--state on|GET /cm?cmnd=Power%20Toggle HTTP/1.1||HTTP/1.1 200 OK {"POWER":"OFF"}
--api-off|GET /cm?cmnd=Power HTTP/1.1||
|POST /cm?cmnd=Power+On HTTP/1.1||HTTP/1.1 200 OK {"POWER":"ON"}
--delay 10500|GET /cm?cmnd=Power HTTP/1.1||HTTP/1.1 200 OK {"POWER":"OFF"}
CASES
# More than an hour of the demo's polling, each request on a connection of its own: not one refused.
start
for i in $(seq 1000); do
    answer=refused
    exec 3<>"/dev/tcp/127.0.0.1/$port" && printf 'GET /cm HTTP/1.1\r\n\r\n' >&3 && read -r answer <&3
    [ "$answer" = $'HTTP/1.1 200 OK\r' ] || { echo "FAIL: request $i: '$answer'"; exit 1; }
done
