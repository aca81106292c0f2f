#!/usr/bin/env bash
# Typing into the address box while the page in front keeps changing its title: what the
# user typed must reach the server whole. Usage: address_typing_test.sh <tavix>, with
# TAVIX_IE_ENGINE choosing the page's engine (see xsession.sh).
set -uo pipefail
tavix="$1"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"

start_xsession_with_pages
fail() {
  echo "$1 ($(ie_engine_name))"
  import -window root /tmp/address_typing_failure.png 2>/dev/null
  exit 1
}

folder="$work/p"; mkdir "$folder"
make_program_folder "$folder" "$tavix" "[General]
LastEngine=IE
[Option_Window]
AddressBar=0"
"$folder/tavix" >"$folder/log.txt" 2>&1 &
APP_PID=$!
win=$(wait_for_frame) || fail "the frame never appeared"
sleep 1
# Into the address box, as a user would: click it, then type.
click_address() {
  xdotool mousemove --window "$win" 250 67 click 1
  sleep 0.3
  xdotool key End shift+Home
}
click_address
xdotool type --delay 20 "http://127.0.0.1:$PAGE_PORT/retitle"
xdotool key Return
wait_for_request /retitle 20 || fail "the page with the changing title never loaded"
check_ie_engine "$APP_PID" || fail "wrong engine"
sleep 1.5
# The page retitles itself every 50 ms while the user types for about two seconds.
click_address
xdotool type --delay 70 "http://127.0.0.1:$PAGE_PORT/typed-while-retitling"
xdotool key Return
if ! wait_for_request /typed-while-retitling 15; then
  echo "the typed address did not arrive whole ($(ie_engine_name)); the server saw:"
  grep -v '^/loaded' "$PAGE_LOG" | sed 's/^/    /'
  import -window root "$work/shot.png" && cp "$work/shot.png" /tmp/address_typing_failure.png
  exit 1
fi
# Once Enter has taken the address, the box follows the page again: the next typed
# address goes through as well.
sleep 1
click_address
xdotool type --delay 20 "http://127.0.0.1:$PAGE_PORT/second"
xdotool key Return
wait_for_request /second 15 || fail "the second typed address did not arrive"
echo "ok"
