#!/usr/bin/env bash
# Converts one large recording into each output format with vantrel-convert and prints, side
# by side from this one run: each conversion's time, the time dd takes to copy the same
# output bytes (the write limit), numpy's fromfile + scaling + savetxt on the same recording,
# the ratios against the targets, and each conversion's peak memory above the idle size.
#
#   bench/run_benchmark.sh [--channels N] [--scans N] [--dir DIR] [--build DIR] [--no-numpy]
#   bench/run_benchmark.sh --huge    # also converts a recording larger than 4 GiB to
#                                    # /dev/null and reports its peak memory
set -euo pipefail
cd "$(dirname "$0")/.."

channels=8
scans=2500000
dir=${TMPDIR:-/tmp}/vantrel-bench
build=build/release
numpy=1
huge=0
while (($#)); do
    case "$1" in
        --channels) channels=$2; shift 2 ;;
        --scans) scans=$2; shift 2 ;;
        --dir) dir=$2; shift 2 ;;
        --build) build=$2; shift 2 ;;
        --no-numpy) numpy=0; shift ;;
        --huge) huge=1; shift ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

if [ ! -x "$build/cli/vantrel-convert" ] || [ ! -x "$build/bench/make_large_recording" ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release -j "$(nproc)" --target vantrel-convert make_large_recording
fi
convert=$build/cli/vantrel-convert
mkdir -p "$dir"
input=$dir/bench.daq
"$build/bench/make_large_recording" "$input" "$channels" "$scans"
samples=$((channels * scans))

# Runs a command under /usr/bin/time; sets t (seconds) and mem (KiB peak resident size).
measure() {
    local report
    report=$(mktemp)
    /usr/bin/time -f "%e %M" -o "$report" "$@" >/dev/null
    read -r t mem <"$report"
    rm -f "$report"
}

measure "$convert" --version
idle_kib=$mem

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "inf" }'; }
check() {  # check VALUE OP LIMIT -> PASS/FAIL
    awk -v v="$1" -v l="$3" -v op="$2" 'BEGIN {
        ok = (op == "<=") ? (v <= l) : (v >= l); print ok ? "PASS" : "FAIL" }'
}

echo "recording: $channels channels x $scans scans, card type 1, +/-10V ($(du -h "$input" | cut -f1))"
echo "idle size of vantrel-convert: $((idle_kib / 1024)) MiB"
printf '\n%-14s %10s %10s %9s %8s %12s %6s\n' format "convert s" "dd copy s" ratio target "peak+ MiB" result
status=0
declare -A limits=([scaled-text]=3 [codes-text]=3 [scaled-binary]=1.5)
text_seconds=0
for format in scaled-text codes-text scaled-binary; do
    out=$dir/out.$format
    rm -f "$out" "$out.copy"
    measure "$convert" -f "$format" -s tab -o "$out" "$input"
    conv_t=$t
    peak=$(((mem - idle_kib) / 1024))
    [ "$format" = scaled-text ] && text_seconds=$conv_t
    measure dd if="$out" of="$out.copy" bs=1M status=none
    dd_t=$t
    r=$(ratio "$conv_t" "$dd_t")
    res=$(check "$r" "<=" "${limits[$format]}")
    memres=$(check "$peak" "<=" 64)
    [ "$res" = PASS ] && [ "$memres" = PASS ] || status=1
    printf '%-14s %10s %10s %9s %8s %12s %6s\n' "$format" "$conv_t" "$dd_t" "$r" \
        "<=${limits[$format]}" "$peak" "$res/$memres"
    rm -f "$out.copy"
done

if ((numpy)) && /usr/bin/python3 -c 'import numpy' 2>/dev/null; then
    out=$dir/out.numpy.txt
    # Debian's numpy, without the OpenBLAS core overrides that slow it down.
    measure env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE /usr/bin/python3 -c "
import numpy as np, sys
d = np.fromfile(sys.argv[1], dtype='<i2', offset=60).reshape(-1, int(sys.argv[3]))
np.savetxt(sys.argv[2], d / 32768.0 * 10.0, fmt='%11.7f', delimiter='\t')
" "$input" "$out" "$channels"
    np_t=$t
    r=$(ratio "$np_t" "$text_seconds")
    res=$(check "$r" ">=" 30)
    [ "$res" = PASS ] || status=1
    printf '\nnumpy fromfile + savetxt(fmt=%%11.7f): %s s; scaled-text is %sx faster (target >= 30): %s\n' \
        "$np_t" "$r" "$res"
    rm -f "$out"
else
    echo "numpy: not installed (Debian python3-numpy); comparison skipped"
fi

if ((huge)); then
    big=$dir/huge.daq
    big_scans=$(((4 * 1024 * 1024 * 1024 / (2 * channels)) + 1000000))
    "$build/bench/make_large_recording" "$big" "$channels" "$big_scans"
    echo
    echo "recording larger than 4 GiB: $(du -h "$big" | cut -f1), converted to /dev/null"
    for format in scaled-text codes-text scaled-binary; do
        measure "$convert" -f "$format" -o /dev/null "$big"
        peak=$(((mem - idle_kib) / 1024))
        res=$(check "$peak" "<=" 64)
        [ "$res" = PASS ] || status=1
        printf '%-14s %8s s  peak+ %5s MiB  %s\n' "$format" "$t" "$peak" "$res"
    done
    rm -f "$big"
fi
rm -f "$dir"/out.* "$input"
exit $status
