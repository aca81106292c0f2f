#!/usr/bin/env bash
# The program in a folder the user may not write to, as when installed for everyone: its
# first start keeps the user's files in the data folder and opens the options window
# there, as a first start beside the program does. Usage: data_folder_test.sh <tavix>
set -uo pipefail
tavix="$1"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"

work=$(mktemp -d)
trap 'stop_xsession; chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() { echo "$1"; cat "$work/log.txt" 2>/dev/null; exit 1; }
start_xsession
trap 'stop_xsession; chmod -R u+w "$work"; rm -rf "$work"' EXIT

mkdir "$work/program"
copy_program "$tavix" "$work/program"
chmod 555 "$work/program"
export XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$work/program/tavix" >"$work/log.txt" 2>&1 &
APP_PID=$!
wait_for_frame '^Tavix' >/dev/null || fail "the frame never appeared"
wait_for_window '^オプション$' >/dev/null || fail "the first start opened no options window"
[ -f "$XDG_DATA_HOME/Tavix/CloseURL.txt" ] && [ ! -s "$XDG_DATA_HOME/Tavix/CloseURL.txt" ] ||
  fail "the data folder has no empty CloseURL.txt"
[ -d "$XDG_DATA_HOME/Tavix/WebList" ] || fail "the data folder has no WebList folder"
[ "$(ls -A "$work/program" | tr '\n' ' ')" = "libtavix-blink.so libtavixcore.so tavix " ] ||
  fail "something was written beside the program"
# An error box would be a second window titled after the program.
sleep 1
[ "$(visible_windows '^Tavix$' | wc -l)" = 1 ] || fail "an error box appeared"
kill "$APP_PID"
wait "$APP_PID" 2>/dev/null
APP_PID=""
echo "ok"
