#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the program and its example recordings, and
# shows the header of each example with the command-line tool.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset release
cmake --build --preset release -j "$(nproc)"

build/release/cli/vantrel-convert --info build/release/examples/*.daq
