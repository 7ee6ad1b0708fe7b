#!/usr/bin/env bash
# Fuzzes the loader and the conversion for MINUTES minutes (default 1) with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer. Builds the fuzz preset (clang), writes
# the seed corpus, replays the committed regression inputs, then mutates. The corpus it
# grows stays in build/fuzz/corpus for the next run. Fails on any crash, leak, sanitizer
# report, broken promise, hang (over 30 s per input: the machine may be shared) or memory
# blow-up; the input that caused it is left in build/fuzz/artifacts/.
#
# Usage: tools/fuzz.sh [MINUTES]
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-1}
if ! [[ $minutes =~ ^[0-9]+$ ]] || ((minutes < 1)); then
    echo "usage: $0 [MINUTES]  (a whole number of minutes, at least 1)" >&2
    exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2 --target vantrel_fuzz_recording vantrel_fuzz_seeds

build=build/fuzz
fuzzer=$build/fuzz/vantrel_fuzz_recording
rm -rf "$build/seeds"
"$build/fuzz/vantrel_fuzz_seeds" "$build/seeds"
mkdir -p "$build/corpus" "$build/artifacts"

# Every committed regression input must pass before new inputs are searched for.
"$fuzzer" -runs=0 fuzz/corpus/regressions

# New inputs go to the first folder; the seeds and regressions are read only.
# Files written by a library go to the temporary folder: a memory one where there is one.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
nice "$fuzzer" \
    -max_total_time=$((minutes * 60)) \
    -timeout=30 \
    -rss_limit_mb=2048 \
    -print_final_stats=1 \
    -dict=fuzz/recording.dict \
    -artifact_prefix="$build/artifacts/" \
    "$build/corpus" "$build/seeds" fuzz/corpus/regressions
