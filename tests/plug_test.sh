#!/usr/bin/env bash
# plug_test.sh SOURCE_DIR BUILD_DIR cases: the simulated plug answers what the demo relies on as a
# Tasmota plug does: the state, on and off, a bad request, the web password, the API switched off.
# plug_test.sh SOURCE_DIR BUILD_DIR end-to-end: the real program, without a display, asks the plug
# for the state of steckdose.test within 2 s through scripts/with-plug, whatever proxies the
# caller's environment names, with no warning on stderr; the plug stops with the program.
# plug_test.sh SOURCE_DIR BUILD_DIR direct: the same without a proxy, as at home: the plug on port 80
# of a network of their own (root only; 77 says why it was skipped).
set -euo pipefail
plug=$2/tools/quorvel-plug
tmp=$(mktemp -d)
trap 'kill ${pid:-} 2>/dev/null || true; rm -rf "$tmp"' EXIT
if [ "$3" != cases ]; then
    # The program runs until the plug has logged a status query; what it says on stderr is kept.
    ask='"$0" 2>"$1.err" & for _ in $(seq 20); do grep -q Power "$1" && break; sleep 0.1; done; kill $!'
    # Without a display; a private runtime directory keeps away Qt's note of a missing one, which names the user.
    export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$tmp/run && mkdir -m 700 "$XDG_RUNTIME_DIR"
    cp "$2/quorvel" "$tmp/"
    if [ "$3" = end-to-end ]; then
        printf '[SenderEin]\nUrl=http://steckdose.test/cm?cmnd=Power%%20On\n' > "$tmp/quorvel.config"
        no_proxy=steckdose.test HTTP_PROXY=http://192.0.2.1:9 QUORVEL_PLUG=$plug PLUG_LOG=$tmp/plug.log \
            "$1/scripts/with-plug" -- bash -c "$ask" "$tmp/quorvel" "$tmp/plug.log"
        port=$(awk '{ print $NF; exit }' "$tmp/plug.log")
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && { echo "the plug outlived quorvel"; exit 1; }
        target=http://steckdose.test/cm
    else
        skip() { echo "skipped: $1"; exit 77; }
        [ "$(id -u)" -eq 0 ] || skip "only root may give the plug port 80 of a network of its own"
        unshare --net true 2>/dev/null || skip "this system refuses a network namespace (unshare --net)"
        printf '[SenderEin]\nUrl=http://127.0.0.1/cm?cmnd=Power%%20On\n' > "$tmp/quorvel.config"
        unshare --net bash -c 'ip link set lo up; "$2" --port 80 > "$1" &
            for _ in $(seq 50); do [ -s "$1" ] && break; sleep 0.1; done; '"$ask"'; kill %1' \
            "$tmp/quorvel" "$tmp/plug.log" "$plug"
        target=/cm
    fi
    grep -x "GET $target?cmnd=Power -> 200 {\"POWER\":\"OFF\"}" "$tmp/plug.log"
    # A start without warnings: the one line allowed is what the offscreen platform says of itself.
    if grep -vx 'This plugin does not support propagateSizeHints()' "$tmp/plug.log.err"; then exit 1; fi
    exit
fi

# Each case: plug options | request line | an extra header | the answer's status line and body.
while IFS='|' read -r options request header expected; do
    : > "$tmp/log"
    "$plug" --port 0 $options > "$tmp/log" & pid=$!
    until [ -s "$tmp/log" ]; do sleep 0.01; done
    exec 3<>"/dev/tcp/127.0.0.1/$(awk '{ print $NF; exit }' "$tmp/log")"
    printf '%s\r\nHost: plug\r\n%s\r\n' "$request" "${header:+$header$'\r\n'}" >&3
    answer=$(tr -d '\r' <&3 | sed -n '1p;$p' | paste -sd ' ')
    [ "$answer" = "$expected" ] || { echo "FAIL: $options $request: '$answer'"; exit 1; }
    kill $pid && wait $pid || true
done <<'CASES'
--state on|GET http://steckdose.test/cm?cmnd=Power%20Off HTTP/1.1||HTTP/1.1 200 OK {"POWER":"OFF"}
|POST /cm?cmnd=Power%20On HTTP/1.1||HTTP/1.1 200 OK {"POWER":"ON"}
|GET /cm?cmnd=Power On HTTP/1.1||HTTP/1.1 400 Bad Request {"WARNING":"Bad request"}
--password x|GET /cm HTTP/1.1||HTTP/1.1 401 Unauthorized {"WARNING":"Need user=<username>&password=<password>"}
--password x|GET /cm?cmnd=Power HTTP/1.1|Authorization: Basic YWRtaW46eA==|HTTP/1.1 200 OK {"POWER":"OFF"}
--api-off|GET /cm?cmnd=Power HTTP/1.1||
CASES
