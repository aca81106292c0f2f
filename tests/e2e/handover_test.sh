#!/usr/bin/env bash
# Addresses on the command line: the first start opens them; a later start hands its
# addresses to the running frame and ends; after the running frame died, leaving its
# socket behind, the next start runs the frame itself. Usage: handover_test.sh <tavix>,
# with TAVIX_IE_ENGINE choosing the pages' engine (see xsession.sh).
set -uo pipefail
tavix="$1"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"

start_xsession_with_pages
fail() { echo "$1 ($(ie_engine_name))"; cat "$folder/log.txt" 2>/dev/null; exit 1; }

# A runtime folder of this test's own: the socket lives there.
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
folder="$work/p"; mkdir "$folder"
make_program_folder "$folder" "$tavix" "[General]
LastEngine=IE"
url="http://127.0.0.1:$PAGE_PORT"

frames() { visible_windows '^Tavix' | wc -l; }

"$folder/tavix" "$url/first" >"$folder/log.txt" 2>&1 &
APP_PID=$!
wait_for_frame '^Tavix' >/dev/null || fail "the frame never appeared"
wait_for_request /first 30 || fail "the first start's address never loaded"
check_ie_engine "$APP_PID" || fail "wrong engine"
[ -S "$XDG_RUNTIME_DIR"/tavix-"$(id -u)"-* ] || fail "the running frame has no socket"

# A later start, from another folder, with an address typed without its scheme and one
# no other program may open: it ends at once with success, and the running frame opens
# the good one.
(cd / && timeout 20 "$folder/tavix" "127.0.0.1:$PAGE_PORT/second" "javascript:alert(1)" >"$work/second.txt" 2>&1)
rc=$?
[ "$rc" = 0 ] || { cat "$work/second.txt"; fail "the later start ended with $rc"; }
wait_for_request /second 30 || fail "the handed-over address never loaded"
[ "$(frames)" = 1 ] || fail "a second frame appeared"
kill -0 "$APP_PID" 2>/dev/null || fail "the running frame ended"

# The running frame dies and leaves its socket; the next start becomes the running one.
kill -9 "$APP_PID"
wait "$APP_PID" 2>/dev/null
APP_PID=""
"$folder/tavix" "$url/third" >>"$folder/log.txt" 2>&1 &
APP_PID=$!
wait_for_request /third 60 || fail "the start after a dead frame opened nothing"
kill -0 "$APP_PID" 2>/dev/null || fail "the start after a dead frame did not keep running"
timeout 20 "$folder/tavix" "$url/fourth" >"$work/fourth.txt" 2>&1 || fail "the start after that did not hand over"
wait_for_request /fourth 30 || fail "the new running frame did not open what was handed to it"
echo "ok"
