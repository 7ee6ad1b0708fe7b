#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Sets up a fresh Debian 12 machine, builds the program and its example recordings, and
# starts the window program.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh run
cmake --preset release
cmake --build --preset release -j "$(nproc)"

if ls build/release/examples/*.daq >/dev/null 2>&1; then
    echo "Example recordings to load: $(pwd)/build/release/examples/"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to show the window on. To see it without one: bash tools/screenshots.sh" >&2
    exit 1
fi
exec build/release/ui/vantrel
