#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Cross-builds the core, the command line and their tests for 64-bit Windows (the windows
# preset), runs the tests under Wine, compares vantrel-convert.exe with the Linux build
# (tools/windows-check.sh, after the ci preset's build) and makes the release archive.
# Wine keeps its prefix under build/windows/, apart from any of the user's.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh windows
export WINEPREFIX=$PWD/build/windows/wine-prefix WINEDEBUG=-all
# One Wine server for the whole run: a server that exits between two programs (as it does
# after a few idle seconds) can drop a program that was just connecting. The prefix is
# set up first, with its background processes on /dev/null: started later by a program
# whose output is captured, they would hold that pipe open.
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wine wineboot --init >/dev/null 2>&1

cmake --preset windows
cmake --build --preset windows -j "$(nproc)"
ctest --preset windows -j "$(nproc)"
[ -x build/ci/cli/vantrel-convert ] || {
    cmake --preset ci >/dev/null
    cmake --build --preset ci --target vantrel-convert vantrel_examples
}
bash tools/windows-check.sh build/ci build/windows
cmake --build --preset windows --target package
archive=$(ls build/windows/vantrel-*-windows-x86_64.zip)
listing=$(/usr/bin/python3 -m zipfile -l "$archive")
for member in bin/vantrel-convert.exe README.md LICENSE third-party-notices.txt docs/licences.md \
    examples/card1-ascending-10V.daq; do
    grep -q "/$member " <<<"$listing" || { echo "$archive lacks $member" >&2; exit 1; }
done
if grep "^==== .*: NOT FOUND" build/windows/third-party-notices.txt; then
    echo "build/windows/third-party-notices.txt lacks notices" >&2
    exit 1
fi
echo "$archive: $(grep -c '\.daq ' <<<"$listing") example recordings, the program, the README, the licence and notices"
