#!/usr/bin/env bash
# bench/run compiles through ccache only when ccache is there: a machine without it must
# configure, and so must a build folder configured earlier while it was there.
# Usage: bench_run_configure_test.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$1"; cat "$work/build/bench-configure.txt" 2>/dev/null | tail -n 20; exit 1; }
cached_launcher() { sed -n 's/^CMAKE_CXX_COMPILER_LAUNCHER:[A-Z]*=//p' "$work/build/CMakeCache.txt"; }

# A stand-in ccache first on the path.
mkdir "$work/bin"
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/ccache"
chmod +x "$work/bin/ccache"
env -u CMAKE_CXX_COMPILER_LAUNCHER PATH="$work/bin:$PATH" "$root/bench/run" --configure-only "$work/build" ||
  fail "the folder did not configure with ccache on the path"
[ "$(cached_launcher)" = "$work/bin/ccache" ] || fail "ccache on the path was not taken: '$(cached_launcher)'"

# Gone again: the same folder configures and leaves it out (unless this machine has its own).
rm "$work/bin/ccache"
expected=$(command -v ccache 2>/dev/null)
env -u CMAKE_CXX_COMPILER_LAUNCHER PATH="$work/bin:$PATH" "$root/bench/run" --configure-only "$work/build" ||
  fail "the folder that had ccache did not configure without it"
[ "$(cached_launcher)" = "$expected" ] || fail "the folder still names '$(cached_launcher)' as its launcher"

# An empty launcher in the environment means none, even with ccache installed.
CMAKE_CXX_COMPILER_LAUNCHER= "$root/bench/run" --configure-only "$work/build" || fail "no launcher: did not configure"
[ -z "$(cached_launcher)" ] || fail "an empty launcher was not honoured: '$(cached_launcher)'"
echo "ok"
