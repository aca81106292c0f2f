#!/usr/bin/env bash
# The real program with "Gekko" checked: its WebKit host answers malformed input with
# errors and goes on, starts with the frame rather than with the first page, and File >
# Exit leaves no host or WebKit process running.
set -euo pipefail
tavix="$1"
host="$2"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"

folder=$(mktemp -d)
trap 'stop_xsession; rm -rf "$folder"' EXIT
copy_program "$tavix" "$folder"
cp "$host" "$folder/tavix-webkit-host"
printf '[General]\r\nLastEngine=Gecko\r\n[Option_Main]\r\nMozilla=2\r\n' > "$folder/config.ini"
: > "$folder/CloseURL.txt"
start_xsession
trap 'stop_xsession; rm -rf "$folder"' EXIT

# The host alone: bad lines get errors, good ones still work after them.
out=$(printf 'bogus 1\nnavigate x y\ncreate 1 200 100\nnavigate 1\nnavigate 1 about:blank\nquit 0\n' |
      timeout 60 "$folder/tavix-webkit-host" 2>/dev/null)
echo "$out" | grep -q '^ready 0 1$' || { echo "no ready line: $out"; exit 1; }
[ "$(echo "$out" | grep -c '^error ')" -ge 3 ] || { echo "malformed lines not answered: $out"; exit 1; }
echo "$out" | grep -q '^window 1 [0-9]' || { echo "no window after the bad lines: $out"; exit 1; }

"$folder/tavix" >"$folder/log.txt" 2>&1 &
APP_PID=$!
win=$(wait_for_window '^Tavix') || { echo "the main window never appeared"; cat "$folder/log.txt"; exit 1; }
# The engine of the menu's choice starts a moment after the frame, before any page; the
# other slot's engine stays unloaded.
for _ in $(seq 100); do pgrep -P "$APP_PID" -x tavix-webkit-ho >/dev/null && break; sleep 0.1; done
pgrep -P "$APP_PID" -x tavix-webkit-ho >/dev/null || { echo "no host started ahead of the first page"; exit 1; }
sleep 1
if grep -q libtavix-blink.so "/proc/$APP_PID/maps"; then echo "the other slot's engine was loaded"; exit 1; fi
hostpid=$(open_webkit_page "$win" "$APP_PID") ||
  { echo "New with Gekko checked started no host"; cat "$folder/log.txt"; exit 1; }
webkit=$(pgrep -P "$hostpid" || true)

xdotool key --window "$win" alt+f
sleep 0.5
xdotool key x
for _ in $(seq 150); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$APP_PID" 2>/dev/null; then echo "File > Exit did not end the program"; exit 1; fi
wait "$APP_PID" && rc=0 || rc=$?
APP_PID=""
[ "$rc" -eq 0 ] || { echo "the program ended with $rc"; cat "$folder/log.txt"; exit 1; }
if kill -0 "$hostpid" 2>/dev/null; then echo "the host is still running"; exit 1; fi
for p in $webkit; do
  for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$p" 2>/dev/null; then echo "WebKit process $p is still running"; exit 1; fi
done
echo "ok"
