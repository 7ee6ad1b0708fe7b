#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Fuzzes for MINUTES minutes (default 1) with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, half the time each for the two targets: vantrel_fuzz_recording
# (the loader and every format but those a library writes) and vantrel_fuzz_library_formats
# (HDF5, MATLAB 7.3 and 5, EDF, BDF). Builds the fuzz preset (clang), writes the seed
# corpus, replays the committed regression inputs on both targets, then mutates, one target
# after the other. Inputs grow to 32 KiB: enough for thousands of scans, so the chunk sizes
# the inputs choose put chunk ends inside EDF and BDF data records. The corpus each target
# grows stays in build/fuzz/corpus/TARGET for the next run, and each starts from the other's
# too. Fails on any crash, leak, sanitizer report, broken promise, hang (over 30 s per input:
# the machine may be shared) or memory blow-up, in either target; the input that caused it
# is left in build/fuzz/artifacts/, named after its target.
#
# Usage: tools/fuzz.sh [MINUTES]
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-1}
if ! [[ $minutes =~ ^[0-9]+$ ]] || ((minutes < 1)); then
    echo "usage: $0 [MINUTES]  (a whole number of minutes, at least 1)" >&2
    exit 2
fi

targets=(vantrel_fuzz_recording vantrel_fuzz_library_formats)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2 --target "${targets[@]}" vantrel_fuzz_seeds

build=build/fuzz
rm -rf "$build/seeds"
"$build/fuzz/vantrel_fuzz_seeds" "$build/seeds"
mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
    mkdir -p "$build/corpus/$target"
done

# Every committed regression input must pass on both targets before new inputs are
# searched for.
for target in "${targets[@]}"; do
    "$build/fuzz/$target" -runs=0 fuzz/corpus/regressions
done

# Files written by a library go to the temporary folder: a memory one where there is one.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
seconds=$((minutes * 60))
share=(
    $(((seconds + 1) / 2))
    $((seconds / 2))
)
failed=0
for i in "${!targets[@]}"; do
    target=${targets[$i]}
    other=${targets[$((1 - i))]}
    # New inputs go to the first folder; the other target's corpus, the seeds and the
    # regressions are read only.
    echo "== $target: ${share[$i]} s"
    nice "$build/fuzz/$target" \
        -max_total_time="${share[$i]}" \
        -max_len=32768 \
        -timeout=30 \
        -rss_limit_mb=2048 \
        -print_final_stats=1 \
        -dict=fuzz/recording.dict \
        -artifact_prefix="$build/artifacts/$target-" \
        "$build/corpus/$target" "$build/corpus/$other" "$build/seeds" \
        fuzz/corpus/regressions || failed=1
done
exit $failed
