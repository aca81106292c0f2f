#!/usr/bin/env bash
# First paint, Chromium processes at rest, the first page load and the first page painted
# when one is opened at start, of one or more builds of the program, interleaved on one
# virtual display (1280x800, openbox).
# Usage: bench/first_paint.sh [--webkit-host HOST] <label>=<tavix> [<label>=<tavix> ...]
#   (RUNS=5 by default; a label "ref" names bench/ref; the host adds the Gecko restore)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/e2e/xsession.sh"
start_xsession
python3 "$here/first_paint.py" "$@"
