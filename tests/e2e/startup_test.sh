#!/usr/bin/env bash
# The real program on a virtual display: it starts on a fresh program folder, shows its
# frame, and writes its settings when the user chooses File > Exit.
set -euo pipefail
tavix="$1"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"

folder=$(mktemp -d)
trap 'stop_xsession; rm -rf "$folder"' EXIT
cp "$tavix" "$folder/tavix"
start_xsession
trap 'stop_xsession; rm -rf "$folder"' EXIT

"$folder/tavix" >"$folder/log.txt" 2>&1 &
APP_PID=$!
win=$(wait_for_window '^Tavix') || { echo "the main window never appeared"; cat "$folder/log.txt"; exit 1; }
sleep 1
xdotool windowactivate --sync "$win" 2>/dev/null || true
import -window root "$folder/shot.png"
colours=$(convert "$folder/shot.png" -format '%k' info:)
[ "$colours" -gt 20 ] || { echo "the screen is blank ($colours colours)"; exit 1; }

# File > Exit through the keyboard, as a user would.
xdotool key --window "$win" alt+f
sleep 0.5
xdotool key x
for _ in $(seq 100); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$APP_PID" 2>/dev/null; then echo "File > Exit did not end the program"; exit 1; fi
APP_PID=""
grep -q $'^LastEngine=IE\r$' "$folder/config.ini" || { echo "config.ini lacks [General]"; cat "$folder/config.ini"; exit 1; }
grep -q $'^JBarSize=153\r$' "$folder/config.ini" || { echo "config.ini lacks [Bar]"; exit 1; }
echo "ok"
