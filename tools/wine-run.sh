#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Runs a Windows program under Wine: wine-run.sh PROGRAM.exe [ARGUMENT...]
# Now and then Wine ends a run before the program starts: no output at all and a failure
# status (once in about 2,000 runs of vantrel-convert.exe, and once in a CI run of the 338
# tests). Our programs and tests always print something when they fail, so such a run is
# Wine's: it is noted on descriptor $WINE_RUN_NOTES_FD (standard error unless set) and made
# once more. The program's output is held until it ends, then given as it came, standard
# output and error apart.
set -uo pipefail

wine=${WINE:-wine}
notes=${WINE_RUN_NOTES_FD:-2}
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
    status=0
    "$wine" "$@" >"$out" 2>"$err" || status=$?
    if ((status == 0)) || [ -s "$out" ] || [ -s "$err" ]; then
        break
    fi
    ((attempt == 1)) &&
        echo "note: Wine ran $* and it printed nothing (exit $status); once more" >&"$notes"
done
cat "$out"
cat "$err" >&2
exit "$status"
