#!/usr/bin/env bash
# First paint, Chromium processes at rest and the first page load of one or more builds
# of the program, interleaved on one virtual display (1280x800, openbox).
# Usage: bench/first_paint.sh <label>=<tavix> [<label>=<tavix> ...]   (RUNS=5 by default)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/e2e/xsession.sh"
start_xsession
python3 "$here/first_paint.py" "$@"
