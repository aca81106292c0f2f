# Shared by the end-to-end scripts: a virtual X display with a window manager.
# Sourcing it sets DISPLAY and stops everything it started when the script exits.

start_xsession() {
  local n
  for n in $(seq 140 199); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >/dev/null 2>&1 &
  WM_PID=$!
  # A window mapped while the window manager is still starting may never be managed.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  trap stop_xsession EXIT
}

stop_xsession() {
  [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null
  [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  return 0
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

# A program folder in $1 holding a copy of the program $2 and, when $3 is given, a
# config.ini with that text (CR LF line ends are added).
make_program_folder() {
  cp "$2" "$1/tavix"
  : >"$1/CloseURL.txt"
  mkdir -p "$1/WebList"
  if [ -n "${3:-}" ]; then printf '%s\n' "$3" | sed 's/$/\r/' >"$1/config.ini"; fi
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
