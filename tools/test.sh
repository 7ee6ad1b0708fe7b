#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Sets up a fresh Debian 12 machine and runs every test: formatting, the warnings-as-errors
# build with its tests, the Python tests (readers of each format, the Python module), the
# cell formatter against printf, valgrind's memcheck on the command-line tool, the Debian
# package (built, checked by lintian, installed, used from outside the tree and removed),
# the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, the Windows build of
# the core and the command line with their tests under Wine, and a minute of fuzzing the
# loader, the conversion and the reads of scans.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh test
jobs=$(nproc)

echo "== formatting"
bash tools/check-format.sh

echo "== build and test (warnings as errors)"
cmake --preset ci
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

echo "== every analysis format read back by h5py, SciPy, NumPy, pandas, MNE and GNU Octave;"
echo "== the Python module against the command line"
VANTREL_BUILD_DIR=build/ci /usr/bin/python3 -m pytest -q tests/readers tests/python

echo "== cell formatter against printf on 3 million values per format"
build/ci/bench/verify_format 3000000

echo "== valgrind memcheck: vantrel-convert on every example recording, in each format"
memcheck_dir=$(mktemp -d)
trap 'rm -rf "$memcheck_dir"' EXIT
cp build/ci/examples/*.daq "$memcheck_dir"/
memcheck=(valgrind --quiet --error-exitcode=1 --leak-check=full)
# Every format of this build, by the name the program gives it.
formats=$(build/ci/cli/vantrel-convert --list-formats | cut -d' ' -f1)
for format in $formats; do
    inputs=("$memcheck_dir"/*.daq)
    # EDF holds the 16-bit cards only (it refuses the others, by design).
    [ "$format" = edf ] && inputs=("$memcheck_dir"/card[1238]-*.daq)
    "${memcheck[@]}" build/ci/cli/vantrel-convert -f "$format" -s tab "${inputs[@]}" >/dev/null
done
"${memcheck[@]}" build/ci/cli/vantrel-convert -s comma --no-title "$memcheck_dir"/*.daq >/dev/null
"${memcheck[@]}" build/ci/cli/vantrel-convert --info "$memcheck_dir"/*.daq >/dev/null

echo "== the Debian package: built, checked by lintian, installed, used, removed"
bash tools/package-check.sh

echo "== build and test (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

echo "== Windows: cross-built with MinGW-w64, its tests and vantrel-convert.exe run under Wine"
bash tools/windows-test.sh

echo "== fuzzing the loader and the conversion for one minute (libFuzzer + sanitizers)"
bash tools/fuzz.sh 1
