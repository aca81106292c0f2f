# Shared by the end-to-end scripts: a virtual X display with a window manager.
# Sourcing it sets DISPLAY and stops everything it started when the script exits.

start_xsession() {
  local named
  named=$(mktemp)
  # The server takes the first free display and names it once it listens. Choosing a
  # number first raced with other sessions starting a server and with a server on that
  # number still shutting down: the second server died, and nothing ran on the display.
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$named" >/dev/null 2>&1 &
  XVFB_PID=$!
  trap stop_xsession EXIT
  for _ in $(seq 300); do [ -s "$named" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n 1 "$named")"
  rm -f "$named"
  # A window mapped while the window manager is still starting may never be managed;
  # one that gave up on a busy machine is started again.
  local _try
  for _try in 1 2 3; do
    openbox >/dev/null 2>&1 &
    WM_PID=$!
    for _ in $(seq 100); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
      kill -0 "$WM_PID" 2>/dev/null || break
      sleep 0.1
    done
    # Still starting: a second one would only find it there.
    kill -0 "$WM_PID" 2>/dev/null && break
  done
  echo "no window manager on $DISPLAY" >&2
}

# Every step runs whatever the ones before it met: under set -e a failed kill of a
# process that had already gone would end the trap and leave the server running.
stop_xsession() {
  if [ -n "${APP_PID:-}" ]; then kill "$APP_PID" 2>/dev/null || true; fi
  if [ -n "${WM_PID:-}" ]; then kill "$WM_PID" 2>/dev/null || true; fi
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  return 0
}

# The ids of the visible windows whose name matches $1, one a line. xdotool ends on an
# X error when a window goes away while it walks the tree (the engines' windows come and
# go): such a search is made again rather than taken for "none".
visible_windows() {
  local out errors
  errors=$(mktemp)
  for _ in $(seq 10); do
    out=$(xdotool search --onlyvisible --name "$1" 2>"$errors")
    grep -q 'X Error' "$errors" || break
  done
  rm -f "$errors"
  [ -z "$out" ] || printf '%s\n' "$out"
}

# Waits until a visible window whose name matches $1 exists; prints its id.
wait_for_window() {
  local id
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# Starts pageserver.py; sets PAGE_PORT and PAGE_LOG (every requested path, one a line).
start_pageserver() {
  local dir="$1" here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  PAGE_LOG="$dir/requests.txt"
  : >"$PAGE_LOG"
  rm -f "$dir/port.txt"
  python3 "$here/pageserver.py" "$dir/port.txt" "$PAGE_LOG" &
  PAGE_PID=$!
  for _ in $(seq 100); do [ -s "$dir/port.txt" ] && break; sleep 0.05; done
  PAGE_PORT=$(cat "$dir/port.txt")
}

stop_pageserver() {
  [ -n "${PAGE_PID:-}" ] && kill "$PAGE_PID" 2>/dev/null
  PAGE_PID=""
  return 0
}

# A copy of the program $1 in the folder $2, with links to the libraries built beside
# it: the program looks for them in its own folder.
copy_program() {
  local from
  from=$(cd "$(dirname "$1")" && pwd)
  cp "$1" "$2/tavix"
  ln -sf "$from/libtavixcore.so" "$from/libtavix-blink.so" "$2/"
}

# Opens a new page (Ctrl+N) in the frame window $1 of the program $2, whose engine menu is
# on "Gekko", and prints the pid of the WebKit host showing it; fails after 30 s without one.
open_webkit_page() {
  xdotool windowactivate --sync "$1" 2>/dev/null || true
  xdotool key --window "$1" ctrl+n
  webkit_host_showing_a_page "$2"
}

# Prints the pid of the WebKit host of the program $1 once it shows a page; fails after
# 30 s. The host may run before any page (Gekko is the menu's choice): a page is there
# once WebKit has started a process of its own for it.
webkit_host_showing_a_page() {
  local host=""
  for _ in $(seq 150); do
    host=$(pgrep -P "$1" -x tavix-webkit-ho || true)
    [ -n "$host" ] && pgrep -P "$host" >/dev/null && { echo "$host"; return 0; }
    sleep 0.2
  done
  return 1
}

# A program folder in $1 holding a copy of the program $2 and, when $3 is given, a
# config.ini with that text (CR LF line ends are added). TAVIX_IE_ENGINE, when set, is
# the engine of the Internet Explorer slot written there: 0 the system's Chromium, 1 the
# built-in one; the text must then have no [Option_Main] of its own.
make_program_folder() {
  copy_program "$2" "$1"
  : >"$1/CloseURL.txt"
  mkdir -p "$1/WebList"
  local text="${3:-}"
  if [ -n "$text" ] && [ -n "${TAVIX_IE_ENGINE:-}" ]; then
    text="$text
[Option_Main]
IEEngine=$TAVIX_IE_ENGINE"
  fi
  if [ -n "$text" ]; then printf '%s\n' "$text" | sed 's/$/\r/' >"$1/config.ini"; fi
}

# The engine the scripts run the slot with, for their messages.
ie_engine_name() {
  case "${TAVIX_IE_ENGINE:-0}" in 1) echo "built-in engine" ;; *) echo "system Chromium" ;; esac
}

# Waits (polling every 20 ms, at most $2 seconds, default 30) until a visible window
# named exactly "Tavix" exists; prints its id.
wait_for_frame() {
  local id n=$(( ${2:-30} * 50 ))
  for _ in $(seq "$n"); do
    id=$(xdotool search --onlyvisible --name "${1:-^Tavix\$}" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.02
  done
  return 1
}

# Waits until the page server saw a request for exactly $1 (at most $2 seconds).
wait_for_request() {
  local n=$(( ${2:-10} * 20 ))
  for _ in $(seq "$n"); do
    grep -qxF "$1" "$PAGE_LOG" && return 0
    sleep 0.05
  done
  return 1
}

# A virtual display and the page server, both stopped (with a work folder) at exit; sets
# work.
start_xsession_with_pages() {
  work=$(mktemp -d)
  cleanup() { stop_pageserver; stop_xsession; rm -rf "$work"; }
  trap cleanup EXIT
  start_xsession
  trap cleanup EXIT
  start_pageserver "$work"
}

# Whether the program $1 serves its Internet Explorer slot with the engine TAVIX_IE_ENGINE
# asks for: a Chromium browser among its children for the system's Chromium, the built-in
# engine's page process and no Chromium for the built-in one. Waits at most 15 s.
check_ie_engine() {
  local chromium builtin
  for _ in $(seq 75); do
    chromium=$(pgrep -P "$1" -x chromium || true)
    builtin=$(pgrep -P "$1" -f QtWebEngineProcess || true)
    if [ "${TAVIX_IE_ENGINE:-0}" = 1 ]; then
      [ -n "$builtin" ] && [ -z "$chromium" ] && return 0
    else
      [ -n "$chromium" ] && return 0
    fi
    sleep 0.2
  done
  echo "the slot is not served by the $(ie_engine_name): chromium '$chromium', built-in '$builtin'" >&2
  return 1
}
