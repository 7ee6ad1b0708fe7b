#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# The preview's three figures, side by side in one run: for the benchmark recording (8
# channels, 2.5 million scans) and, with --huge, a 4 GiB one (8 channels, 268 million scans),
# the time the overview takes against a dd copy of the recording's bytes (the overview reads
# them once, so dd's copy is the limit), the overview's memory as a share of the recording,
# and the median time of a full repaint of the lanes at 1920x1080 with everything in view.
#
#   bench/preview_benchmark.sh [--runs N] [--dir DIR] [--huge]
#
#   --runs N   each overview and each dd copy runs N times, alternating (default 5); the
#              medians count
#   --dir DIR  where the recordings and the copies go (default /dev/shm, a tmpfs: a disk's
#              write-back moves the ratios by half)
#
# Both times are the programs' own, each the fastest of five in a row: dd's "copied, T s"
# and bench_preview's clock around the overview (after the header is read, as the window
# has read it at Load). Both read the recording from the page cache, just written.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=5
dir=/dev/shm/vantrel-preview
[ -d /dev/shm ] || dir=${TMPDIR:-/tmp}/vantrel-preview
huge=0
while (($#)); do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        --dir) dir=$2; shift 2 ;;
        --huge) huge=1; shift ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

# The window's release build (as tools/run.sh builds it), with the benchmarks, in a folder
# of its own: the repaint is measured on the window's lanes.
bash tools/install-deps.sh test
build=build/preview-bench
cmake --preset release -B "$build" -DVANTREL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j 2 --target bench_preview make_large_recording
bench=$build/bench
export QT_QPA_PLATFORM=offscreen

mkdir -p "$dir"
cleanup() { rm -f "$dir"/*.daq "$dir"/copy; }
trap cleanup EXIT

median() { tr ' ' '\n' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
check() {  # check VALUE OP LIMIT -> PASS/FAIL
    awk -v v="$1" -v l="$3" -v op="$2" 'BEGIN {
        ok = (op == "<=") ? (v <= l) : (v >= l); print ok ? "PASS" : "FAIL" }'
}

printf '%-26s %10s %10s %9s %6s %10s %6s %11s %6s\n' recording overview_s dd_s ratio '<=1' \
    memory '<=2%' repaint_ms '<=30'
row() {  # row NAME CHANNELS SCANS
    local name=$1 file=$dir/$1.daq overview=() copy=() share repaint figures
    "$bench/make_large_recording" "$file" "$2" "$3"
    for ((r = 0; r < runs; r++)); do
        # The fastest of five copies, as bench_preview gives the fastest of five overviews.
        local fastest=
        for ((k = 0; k < 5; k++)); do
            local t
            t=$(dd if="$file" of="$dir/copy" bs=1M 2>&1 |
                awk -F', ' '/copied/ { sub(/ s$/, "", $3); print $3 }')
            rm -f "$dir/copy"
            fastest=$(awk -v a="$t" -v b="${fastest:-$t}" 'BEGIN { print (a < b) ? a : b }')
        done
        copy+=("$fastest")
        figures=$("$bench/bench_preview" "$file" 2>/dev/null)
        overview+=("$(awk '$1 == "overview_s" { print $2 }' <<<"$figures")")
        share=$(awk '$1 == "overview_share" { printf "%.2f", $2 * 100 }' <<<"$figures")
        repaint=$(awk '$1 == "repaint_ms" { print $2 }' <<<"$figures")
    done
    local o d ratio
    o=$(echo "${overview[*]}" | median)
    d=$(echo "${copy[*]}" | median)
    ratio=$(awk -v a="$o" -v b="$d" 'BEGIN { printf "%.2f", a / b }')
    printf '%-26s %10s %10s %9s %6s %9s%% %6s %11s %6s\n' "$name" "$o" "$d" "$ratio" \
        "$(check "$ratio" '<=' 1)" "$share" "$(check "$share" '<=' 2)" "$repaint" \
        "$(check "$repaint" '<=' 30)"
    rm -f "$file"
}
row "bench-8ch-2.5M" 8 2500000
if ((huge)); then
    row "huge-8ch-268M-4GiB" 8 268435456
fi
