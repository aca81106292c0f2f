#!/usr/bin/env bash
# Keys typed the moment the frame appears: the address typed at once and Enter must reach
# the page server whole, every time. Usage: early_keys_test.sh <tavix> [tries], with
# TAVIX_IE_ENGINE choosing the page's engine (see xsession.sh).
set -uo pipefail
tavix="$1"
tries="${2:-6}"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"

start_xsession_with_pages

failed=0
for i in $(seq "$tries"); do
  folder="$work/p$i"
  mkdir "$folder"
  make_program_folder "$folder" "$tavix" "[General]
LastEngine=IE"
  "$folder/tavix" >"$folder/log.txt" 2>&1 &
  APP_PID=$!
  wait_for_frame >/dev/null || { echo "try $i: the frame never appeared"; cat "$folder/log.txt"; exit 1; }
  # The user types as soon as the window is there.
  xdotool type --delay 15 "http://127.0.0.1:$PAGE_PORT/typed$i"
  xdotool key Return
  if wait_for_request "/typed$i" 15; then
    echo "try $i: ok ($(ie_engine_name))"
    [ "$i" = 1 ] && { check_ie_engine "$APP_PID" || failed=$((failed + 1)); }
  else
    echo "try $i: the typed address was lost ($(ie_engine_name)); the server saw:"
    grep -v '^/loaded' "$PAGE_LOG" | sed 's/^/    /' | tail -n 3
    failed=$((failed + 1))
  fi
  kill "$APP_PID" 2>/dev/null
  wait "$APP_PID" 2>/dev/null
  APP_PID=""
done
[ "$failed" -eq 0 ] || { echo "$failed of $tries tries lost keys"; exit 1; }
echo "ok"
