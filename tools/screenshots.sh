#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Shows what a user sees: builds the window program, starts it under a virtual X server
# (Xvfb) to check that it comes up, then drives the real main window through a Load of an
# example recording and saves PNG screenshots into screenshots/: the main window at start
# and after Load, the channel/range viewer, the About box, the message box of a conversion,
# the window after a recording was dropped on it (dropped.png), the Format list dropped down
# (formats.png), the progress dialog of a long conversion (progress.png; the driver
# writes a 160 MB recording for it and removes it after), and the preview of a recording
# with a sine, a ramp and a one-sample spike: whole (preview.png), zoomed in to single
# samples with the cursors set (preview-zoomed.png) and the message of converting two
# seconds of two channels (preview-selection.png).
set -euo pipefail
cd "$(dirname "$0")/.."

# The screenshot driver is built with the tests, so this uses the ci preset.
bash tools/install-deps.sh test
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$(nproc)" --target vantrel vantrel-screenshots vantrel_examples

mkdir -p screenshots
# An example with a channel-gain queue, so that the viewer has rows.
example=$(ls build/ci/examples/*custom-queue*.daq 2>/dev/null | head -n 1 || true)
if [ -z "$example" ]; then
    example=$(ls build/ci/examples/*.daq 2>/dev/null | head -n 1 || true)
fi

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    # The program itself: it must still be up with its window after two seconds.
    build/ci/ui/vantrel &
    pid=$!
    sleep 2
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "vantrel ended on its own" >&2
        exit 1
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "vantrel started and kept running"
    # The same window, driven: type the path, Load, View, About, convert; then a drop, the
    # Format list, and a long conversion with its progress dialog.
    build/ci/tools/vantrel-screenshots screenshots "$@"
' screenshots-run ${example:+"$example"}
