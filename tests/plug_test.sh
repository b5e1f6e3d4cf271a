#!/usr/bin/env bash
# plug_test.sh SOURCE_DIR BUILD_DIR cases: the simulated plug answers as a Tasmota plug does.
# plug_test.sh SOURCE_DIR BUILD_DIR end-to-end: the real program, started without a display beside
# the plug on port 80 of a network of their own, asks it for the state within 2 s.
set -euo pipefail
plug=$2/tools/quorvel-plug
tmp=$(mktemp -d)
pid=
trap 'kill $pid 2>/dev/null || true; rm -rf "$tmp"' EXIT

if [ "$3" = end-to-end ]; then
    cp "$2/quorvel" "$tmp/"
    printf '[SenderEin]\nUrl=http://127.0.0.1/cm?cmnd=Power%%20On\n' > "$tmp/quorvel.config"
    QUORVEL_PLUG=$plug PLUG_LOG=$tmp/plug.log QT_QPA_PLATFORM=offscreen "$1/scripts/with-plug" -- bash -c \
        '"$0" & for _ in $(seq 20); do grep -q Power "$1" && break; sleep 0.1; done; kill $!' "$tmp/quorvel" "$tmp/plug.log"
    grep -x 'GET /cm?cmnd=Power -> 200 {"POWER":"OFF"}' "$tmp/plug.log"
    exit
fi

# Each case: plug options | request line | an extra header | the answer's status line and body.
while IFS='|' read -r options request header expected; do
    : > "$tmp/log"
    "$plug" --port 0 $options > "$tmp/log" &
    pid=$!
    until [ -s "$tmp/log" ]; do sleep 0.01; done
    exec 3<>"/dev/tcp/127.0.0.1/$(awk '{ print $NF; exit }' "$tmp/log")"
    printf '%s\r\nHost: plug\r\n%s\r\n' "$request" "${header:+$header$'\r\n'}" >&3
    answer=$(tr -d '\r' <&3 | sed -n '1p;$p' | paste -sd ' ')
    [ "$answer" = "$expected" ] || { echo "FAIL: $options $request: '$answer', expected '$expected'"; exit 1; }
    kill $pid
    wait $pid || true
done <<'CASES'
|GET /cm?cmnd=Power HTTP/1.1||HTTP/1.1 200 OK {"POWER":"OFF"}
--state on|GET http://steckdose.test/cm?cmnd=POWER HTTP/1.1||HTTP/1.1 200 OK {"POWER":"ON"}
|POST /cm?cmnd=Power%20On HTTP/1.1||HTTP/1.1 200 OK {"POWER":"ON"}
--state on|GET /cm?cmnd=power+toggle HTTP/1.1||HTTP/1.1 200 OK {"POWER":"OFF"}
|GET /cm?cmnd=Power%201 HTTP/1.1||HTTP/1.1 200 OK {"POWER":"ON"}
|GET /cm?cmnd=Status HTTP/1.1||HTTP/1.1 200 OK {"Command":"Unknown"}
|GET /status HTTP/1.1||HTTP/1.1 404 Not Found {"WARNING":"Not found"}
|GET /cm?cmnd=Power On HTTP/1.1||HTTP/1.1 400 Bad Request {"WARNING":"Bad request"}
--password geheim|GET /cm?cmnd=Power HTTP/1.1||HTTP/1.1 401 Unauthorized {"WARNING":"Need user=<username>&password=<password>"}
--password geheim|GET /cm?cmnd=Power&user=admin&password=geheim HTTP/1.1||HTTP/1.1 200 OK {"POWER":"OFF"}
--password geheim|GET /cm?cmnd=Power HTTP/1.1|Authorization: Basic YWRtaW46Z2VoZWlt|HTTP/1.1 200 OK {"POWER":"OFF"}
--api-off|GET /cm?cmnd=Power HTTP/1.1||
CASES
