#!/usr/bin/env bash
# The real program on a virtual display: it starts on a fresh installation (the program,
# an empty CloseURL.txt and WebList folder, no config.ini), shows its frame and, for a
# first start, the options window; it writes its settings when the user chooses File > Exit.
set -euo pipefail
tavix="$1"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"

folder=$(mktemp -d)
trap 'stop_xsession; rm -rf "$folder"' EXIT
copy_program "$tavix" "$folder"
: >"$folder/CloseURL.txt"
mkdir "$folder/WebList"
start_xsession
trap 'stop_xsession; rm -rf "$folder"' EXIT

"$folder/tavix" >"$folder/log.txt" 2>&1 &
APP_PID=$!
win=$(wait_for_window '^Tavix') || { echo "the main window never appeared"; cat "$folder/log.txt"; exit 1; }
# A first start opens the options window; its Cancel closes it and writes nothing.
opt=$(wait_for_window '^オプション$') || { echo "the first start opened no options window"; cat "$folder/log.txt"; exit 1; }
sleep 1
import -window root "$folder/first-start.png"
xdotool mousemove --window "$opt" 444 237 click 1
for _ in $(seq 50); do [ -n "$(visible_windows '^オプション$')" ] || break; sleep 0.1; done
if [ -n "$(visible_windows '^オプション$')" ]; then echo "Cancel left the options window open"; exit 1; fi
[ ! -e "$folder/config.ini" ] || { echo "Cancel wrote config.ini"; exit 1; }
sleep 0.5
xdotool windowactivate --sync "$win" 2>/dev/null || true
import -window root "$folder/shot.png"
colours=$(convert "$folder/shot.png" -format '%k' info:)
[ "$colours" -gt 20 ] || { echo "the screen is blank ($colours colours)"; exit 1; }

# File > Exit through the keyboard, as a user would, once the frame has the focus (on a
# loaded machine the window manager may take a moment to hand it back after the options
# window closed).
for _ in 1 2 3; do
  xdotool windowactivate --sync "$win" 2>/dev/null || true
  for _ in $(seq 30); do [ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ] && break; sleep 0.1; done
  xdotool key --window "$win" alt+f
  sleep 0.5
  xdotool key x
  for _ in $(seq 50); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$APP_PID" 2>/dev/null || break
  xdotool key Escape Escape
done
if kill -0 "$APP_PID" 2>/dev/null; then echo "File > Exit did not end the program"; exit 1; fi
APP_PID=""
grep -q $'^LastEngine=IE\r$' "$folder/config.ini" || { echo "config.ini lacks [General]"; cat "$folder/config.ini"; exit 1; }
grep -q $'^JBarSize=153\r$' "$folder/config.ini" || { echo "config.ini lacks [Bar]"; exit 1; }
echo "ok"
