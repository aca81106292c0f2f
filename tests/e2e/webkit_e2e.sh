#!/usr/bin/env bash
# Runs the WebKit end-to-end tests on a virtual display with a window manager, as a user
# would see the program: real X input, real windows.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"
start_xsession
export QT_QPA_PLATFORM=xcb
"$@" &
APP_PID=$!
rc=0
wait "$APP_PID" || rc=$?
APP_PID=""
exit "$rc"
