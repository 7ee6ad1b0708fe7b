#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test: formatting, the warnings-as-errors
# build with its tests, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a minute of fuzzing the loader and the conversion.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
jobs=$(nproc)

echo "== formatting"
bash tools/check-format.sh

echo "== build and test (warnings as errors)"
cmake --preset ci
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

echo "== build and test (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

echo "== fuzzing the loader and the conversion for one minute (libFuzzer + sanitizers)"
bash tools/fuzz.sh 1
