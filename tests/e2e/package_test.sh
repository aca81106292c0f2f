#!/usr/bin/env bash
# The Debian package of a built tree: CPack makes it, it is unpacked (never installed)
# into a scratch folder, and what it holds, what it depends on and its desktop files
# are checked; then the unpacked program runs on a virtual display, with its engine
# library and WebKit host found in the installed layout, not in the build folder.
set -euo pipefail
build=$(cd "$1" && pwd -P)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"

work=$(mktemp -d)
trap 'stop_xsession; rm -rf "$work"' EXIT
fail() { echo "$*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.txt" 2>&1 ||
  { cat "$work/cpack.txt"; fail "cpack failed"; }
debs=("$work"/out/tavix_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { cat "$work/cpack.txt"; fail "no single tavix_*.deb: ${debs[*]}"; }
deb=${debs[0]}

[ "$(dpkg-deb -f "$deb" Package)" = tavix ] || fail "package name: $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Section)" = web ] || fail "section: $(dpkg-deb -f "$deb" Section)"
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6webenginewidgets6 libqt6webenginecore6 libqt6webenginecore6-bin libwebkit2gtk-4.1-0 \
         libgtk-3-0 libqt6widgets6 libfontconfig1 fonts-noto-cjk qt6-translations-l10n; do
  grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
# The program's own libraries are in the package, not something to depend on.
if grep -q tavix <<<"$depends"; then fail "Depends names our own libraries: $depends"; fi

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/tavix usr/lib/tavix/libtavixcore.so usr/lib/tavix/libtavix-blink.so \
         usr/libexec/tavix/tavix-webkit-host usr/share/icons/hicolor/scalable/apps/tavix.svg \
         usr/share/applications/org.tavix.Tavix.desktop usr/share/metainfo/org.tavix.Tavix.metainfo.xml; do
  [ -f "$root/$f" ] || { (cd "$root" && find . -type f); fail "the package lacks $f"; }
done
[ -x "$root/usr/bin/tavix" ] && [ -x "$root/usr/libexec/tavix/tavix-webkit-host" ] || fail "programs not executable"
outside=$(cd "$root" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$outside" ] || fail "files outside /usr: $outside"

# Run paths relative to each binary; none leads back into the build folder.
runpath() { readelf -d "$1" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p'; }
[ "$(runpath "$root/usr/bin/tavix")" = '$ORIGIN/../lib/tavix' ] || fail "tavix RUNPATH: $(readelf -d "$root/usr/bin/tavix")"
[ "$(runpath "$root/usr/lib/tavix/libtavix-blink.so")" = '$ORIGIN' ] ||
  fail "libtavix-blink.so RUNPATH: $(readelf -d "$root/usr/lib/tavix/libtavix-blink.so")"
if readelf -d "$root/usr/lib/tavix/libtavixcore.so" | grep -q 'R.*PATH'; then fail "libtavixcore.so has a run path"; fi
if grep -rlF "$build" "$root"; then fail "the package holds the build folder's path"; fi
# The build folder's own program and libraries are relocatable too (CMake may pad a run
# path with empty entries to make room for the installed one).
for f in tavix libtavix-blink.so; do
  [ "$(runpath "$build/$f" | tr -s ':' | sed 's/:$//')" = '$ORIGIN' ] || fail "build $f RUNPATH: $(readelf -d "$build/$f")"
done

desktop-file-validate "$root/usr/share/applications/org.tavix.Tavix.desktop" || fail "desktop entry invalid"
grep -qx 'Exec=tavix %U' "$root/usr/share/applications/org.tavix.Tavix.desktop" || fail "desktop entry Exec"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.tavix.Tavix.metainfo.xml" >"$work/as.txt" 2>&1 ||
  { cat "$work/as.txt"; fail "metainfo invalid"; }

# The unpacked program (its own folder is writable here, so it keeps its files there)
# with the built-in engine for new pages, whose library then loads after the first
# paint, and a Gecko page to bring back, whose host starts with the program. Nothing may
# come from the build folder.
printf '[General]\r\nLastEngine=IE\r\n[Option_Main]\r\nMozilla=2\r\nIEEngine=1\r\n[Option_Window]\r\nRestore=1\r\n' \
  >"$root/usr/bin/config.ini"
printf 'Gecko\tabout:blank\t*\r\n' >"$root/usr/bin/session.txt"
: >"$root/usr/bin/CloseURL.txt"
start_xsession
trap 'stop_xsession; rm -rf "$work"' EXIT
mkdir -p "$work/home"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
  XDG_CACHE_HOME="$work/home/.cache" "$root/usr/bin/tavix" >"$work/log.txt" 2>&1 &
APP_PID=$!
win=$(wait_for_window '^Tavix') || { cat "$work/log.txt"; fail "the main window never appeared"; }
for _ in $(seq 100); do
  grep -qF "$root/usr/lib/tavix/libtavix-blink.so" "/proc/$APP_PID/maps" 2>/dev/null && break
  sleep 0.1
done
grep -qF "$root/usr/lib/tavix/libtavix-blink.so" "/proc/$APP_PID/maps" ||
  { cat "$work/log.txt"; fail "the engine library was not loaded from the package"; }
if grep -F "$build" "/proc/$APP_PID/maps"; then fail "the program loaded something from the build folder"; fi

host=$(webkit_host_showing_a_page "$APP_PID") || { cat "$work/log.txt"; fail "the Gecko page brought back started no host"; }
[ "$(readlink "/proc/$host/exe")" = "$root/usr/libexec/tavix/tavix-webkit-host" ] ||
  fail "the host came from $(readlink "/proc/$host/exe")"
kill "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=""
# The host ends with the program that started it.
for _ in $(seq 50); do kill -0 "$host" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$host" 2>/dev/null; then kill "$host"; fail "the host outlived the program"; fi
echo "ok"
