#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Converts a large recording of each card group (1/3/8, 2, 4, 7) into each output format
# with vantrel-convert and prints, side by side from this one run, in one table: each
# conversion's time, the time dd takes to copy the same output bytes (the write limit), the
# ratios with PASS/FAIL against the targets, and each conversion's peak memory above the
# program's idle size; then numpy's fromfile + scaling + savetxt on the card 1 recording.
#
#   bench/run_benchmark.sh [--channels N] [--scans N] [--runs N] [--dir DIR] [--build DIR]
#                          [--against DIR] [--no-numpy] [--huge]
#
#   --runs N      each conversion and each dd copy runs N times (default 5); the median
#                 counts, so that one disturbance on a shared machine does not decide a result
#   --dir DIR     where recordings and outputs go (default /dev/shm, a tmpfs: a disk's
#                 write-back moves the ratios by half)
#   --against DIR also times the vantrel-convert of another build (an earlier version) in
#                 the same runs, and prints this build's time over that one's
#   --huge        also converts a recording larger than 4 GiB to /dev/null, for peak memory
#
# What is compared, and why it is fair:
# - The converter reads its recording from the page cache (the recording was just written)
#   and writes a new file in DIR. dd copies that conversion's own output, likewise just
#   written and so read from the page cache, to a new file in the same DIR, 1 MiB per call.
#   Both start from a removed output file, so both pay the same allocation of new blocks;
#   dd does nothing but move the bytes, which makes it the limit of any converter.
# - Times are wall-clock, from bash's microsecond clock around each command, measured the
#   same way for the conversions and for dd.
# - numpy runs Debian's python3-numpy (/usr/bin/python3): fromfile, the "+/-10V" scaling of
#   card type 1 and savetxt(fmt='%11.7f'), what users script instead. It runs once: it
#   takes seconds, so small disturbances do not matter to it.
# - Peak memory is /usr/bin/time's maximum resident size minus that of `vantrel-convert
#   --version` (the program loaded, converting nothing).
# - The Python module's Recording.scaled() runs against numpy.fromfile and the same scaling
#   arithmetic in the same interpreter, alternating (bench/python_scaled.py).
# - vantrel.dask's reduction on two local worker processes runs against the same reduction
#   in one process, and its batch against vantrel-convert -j 2 (bench/dask_benchmark.py).
set -euo pipefail
cd "$(dirname "$0")/.."

channels=8
scans=2500000
runs=5
dir=/dev/shm/vantrel-bench
[ -d /dev/shm ] || dir=${TMPDIR:-/tmp}/vantrel-bench
build=build/bench
against=
numpy=1
huge=0
while (($#)); do
    case "$1" in
        --channels) channels=$2; shift 2 ;;
        --scans) scans=$2; shift 2 ;;
        --runs) runs=$2; shift 2 ;;
        --dir) dir=$2; shift 2 ;;
        --build) build=$2; shift 2 ;;
        --against) against=$2; shift 2 ;;
        --no-numpy) numpy=0; shift ;;
        --huge) huge=1; shift ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

if [ "$build" = build/bench ]; then
    bash tools/install-deps.sh bench
    cmake --preset bench >/dev/null
    targets=(vantrel-convert make_large_recording)
    # The Python module, where the build found Python and pybind11.
    grep -q 'build python/vantrel' build/bench/build.ninja && targets+=(vantrel_python)
    cmake --build --preset bench -j 2 --target "${targets[@]}"
fi
if [ -n "$against" ] && [ ! -x "$against/cli/vantrel-convert" ]; then
    echo "no $against/cli/vantrel-convert to compare with" >&2
    exit 2
fi
convert=$build/cli/vantrel-convert
mkdir -p "$dir"
input=$dir/bench.daq
big=$dir/huge.daq
cleanup() { rm -f "$dir"/out.* "$input" "$big"; }
trap cleanup EXIT

# Runs a command; sets t (wall seconds) and mem (peak resident KiB).
measure() {
    local report start end
    report=$(mktemp)
    start=$EPOCHREALTIME
    /usr/bin/time -f "%M" -o "$report" "$@" >/dev/null
    end=$EPOCHREALTIME
    mem=$(tail -n 1 "$report")
    rm -f "$report"
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
}

median() { tr ' ' '\n' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "inf" }'; }
check() {  # check VALUE OP LIMIT -> PASS/FAIL
    awk -v v="$1" -v l="$3" -v op="$2" 'BEGIN {
        ok = (op == "<=") ? (v <= l) : (v >= l); print ok ? "PASS" : "FAIL" }'
}

# The other build's conversion of the current format, into its own output.
measure_other() {
    [ -n "$against" ] || return 0
    # An earlier build may not know the format.
    "$against/cli/vantrel-convert" --help 2>/dev/null | grep -qw -- "$format" || return 0
    rm -f "$out.other"
    measure "$against/cli/vantrel-convert" -f "$format" -s tab -o "$out.other" "$input"
    other_times+=("$t")
    rm -f "$out.other"
}

measure "$convert" --version
idle_kib=$mem

echo "recordings: $channels channels x $scans scans, ascending order, one per card group"
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at start; median of $runs runs"
echo "idle size of vantrel-convert: $((idle_kib / 1024)) MiB"
printf '\n%-5s %-14s %8s %10s %10s %7s %7s %6s %10s %6s' card format "out MiB" "convert s" \
    "dd copy s" ratio target result "peak+ MiB" memory
[ -n "$against" ] && printf ' %10s %8s' "other s" "vs other"
echo
status=0
# Every format within a dd copy of its own output, csv within two; the formats a library
# writes within one and a half (mat5 transposes each chunk and writes its columns apart,
# matio chooses the chunks of mat, EDFlib writes through stdio), hdf5 within 1.3; every one
# within 64 MiB.
declare -A limits=([mat5]=1.5 [csv]=2 [mat]=1.5 [edf]=1.5 [bdf]=1.5 [hdf5]=1.3)
limit_of() { echo "${limits[$1]:-1}"; }
# Every format of the build, by the name the program gives it.
format_list=$("$convert" --list-formats | cut -d' ' -f1)
mapfile -t formats <<<"$format_list"
# Card types 1, 3 and 8 share their rules: card 1 stands for them. Cards 4 and 7 are the
# 24-bit ones.
cards=(1 2 4 7)
text_seconds=0
for card in "${cards[@]}"; do
    "$build/bench/make_large_recording" "$input" "$channels" "$scans" "$card"
    for format in "${formats[@]}"; do
        out=$dir/out.$format
        conv_times=() dd_times=() other_times=() peak_kib=0
        # EDF holds 16-bit samples: it refuses the 24-bit cards by design.
        if ! "$convert" -f "$format" -o /dev/null "$input" >/dev/null 2>&1; then
            printf '%-5s %-14s %8s\n' "$card" "$format" "refused"
            continue
        fi
        for ((i = 0; i < runs; i++)); do
            # The other build runs before this one in even runs and after it in odd ones, so
            # that neither always follows the same work.
            ((i % 2 == 0)) && measure_other
            rm -f "$out" "$out.copy"
            measure "$convert" -f "$format" -s tab -o "$out" "$input"
            conv_times+=("$t")
            ((mem > peak_kib)) && peak_kib=$mem
            measure dd if="$out" of="$out.copy" bs=1M status=none
            dd_times+=("$t")
            ((i % 2 == 1)) && measure_other
        done
        conv_t=$(echo "${conv_times[*]}" | median)
        dd_t=$(echo "${dd_times[*]}" | median)
        [ "$card/$format" = 1/scaled-text ] && text_seconds=$conv_t
        size_mib=$(awk -v b="$(stat -c %s "$out")" 'BEGIN { printf "%.0f", b / 1048576 }')
        r=$(ratio "$conv_t" "$dd_t")
        peak=$(((peak_kib - idle_kib) / 1024))
        limit=$(limit_of "$format")
        res=$(check "$r" "<=" "$limit")
        memres=$(check "$peak" "<=" 64)
        [ "$res" != FAIL ] && [ "$memres" != FAIL ] || status=1
        printf '%-5s %-14s %8s %10s %10s %7s %7s %6s %10s %6s' "$card" "$format" "$size_mib" \
            "$conv_t" "$dd_t" "$r" "<=$limit" "$res" "$peak" "$memres"
        if [ -n "$against" ] && ((${#other_times[@]})); then
            other_t=$(echo "${other_times[*]}" | median)
            printf ' %10s %8s' "$other_t" "$(ratio "$conv_t" "$other_t")"
        fi
        echo
        rm -f "$out" "$out.copy"
    done
done
echo
# The numpy comparisons below take the card type 1 recording.
"$build/bench/make_large_recording" "$input" "$channels" "$scans" 1

# Bytes a command reads (read calls, /proc's rchar): a reaped child's counts join those of
# the shell that waited for it.
bytes_read() {
    bash -c 'io() { awk "/^rchar/ { print \$2 }" /proc/$$/io; }
        a=$(io); "$@" >/dev/null; b=$(io); echo $((b - a))' _ "$@"
}

# The last 1% of the card type 1 recording, chosen by time: read by seeking to it, so it
# costs about a dd copy of its output, and reads about 1% of the recording.
duration=$("$convert" --info --json "$input" | sed -n 's/.*"duration_s": *\([0-9.e+]*\).*/\1/p')
from=$(awk -v d="$duration" 'BEGIN { printf "%.6f", d * 0.99 }')
out=$dir/out.part
conv_times=() dd_times=()
for ((run = 0; run < runs; run++)); do
    rm -f "$out"
    measure "$convert" -q --time "$from": -s tab -o "$out" "$input"
    conv_times+=("$t")
    measure dd if="$out" of="$out.copy" bs=1M status=none
    dd_times+=("$t")
done
conv_t=$(echo "${conv_times[*]}" | median)
dd_t=$(echo "${dd_times[*]}" | median)
r=$(ratio "$conv_t" "$dd_t")
res=$(check "$r" "<=" 1.5)
# So small an output shows the program's start: that of --version, measured beside.
start_times=()
for ((run = 0; run < runs; run++)); do
    measure "$convert" --version
    start_times+=("$t")
done
start_t=$(echo "${start_times[*]}" | median)
read_b=$(bytes_read "$convert" -q --time "$from": -s tab -o "$out" "$input")
share=$(awk -v r="$read_b" -v s="$(stat -c %s "$input")" 'BEGIN { printf "%.2f", 100 * r / s }')
read_res=$(check "$share" "<=" 2)
[ "$res" = PASS ] && [ "$read_res" = PASS ] || status=1
printf -- '--time %s: (last 1%%, scaled-text): %s s, dd copy of its %s MiB %s s, ratio %s (target <=1.5): %s\n' \
    "$from" "$conv_t" "$(awk -v b="$(stat -c %s "$out")" 'BEGIN { printf "%.1f", b / 1048576 }')" \
    "$dd_t" "$r" "$res"
printf -- '  of which the program start (--version) %s s; read %s bytes, %s%% of the recording (target <=2%%): %s\n' \
    "$start_t" "$read_b" "$share" "$read_res"
rm -f "$out" "$out.copy"
echo

# The program's start, against dd's, alternating, 100 of each: what a text conversion or
# --info pays before it reads a byte. The library formats' modules (HDF5, matio, EDFlib)
# must not be among what it loads. The target is 2 ms where dd starts in 0.7 ms.
starts() {  # starts COMMAND...: mean seconds of one start, over 100
    local begin=$EPOCHREALTIME
    for ((k = 0; k < 100; k++)); do "$@" >/dev/null 2>&1; done
    awk -v a="$begin" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.5f", (b - a) / 100 }'
}
ours=() dds=() others=()
for ((run = 0; run < 3; run++)); do
    ours+=("$(starts "$convert" --version)")
    dds+=("$(starts dd --version)")
    [ -n "$against" ] && others+=("$(starts "$against/cli/vantrel-convert" --version)")
done
ours_t=$(echo "${ours[*]}" | median)
dd_start=$(echo "${dds[*]}" | median)
r=$(ratio "$ours_t" "$dd_start")
res=$(check "$r" "<=" "$(awk 'BEGIN { printf "%.2f", 2 / 0.7 }')")
loaded=$(LD_DEBUG=files "$convert" --version 2>&1 >/dev/null |
    sed -n 's/.*file=\([^ ]*\).*/\1/p' | sort -u)
library_loaded=$(echo "$loaded" | grep -cE 'hdf5|matio|libedf|-formats' || true)
[ "$res" = PASS ] && [ "$library_loaded" = 0 ] || status=1
printf 'start (--version): %s ms, dd --version %s ms, ratio %s (target <=2.86, 2 ms beside 0.7): %s\n' \
    "$(awk -v t="$ours_t" 'BEGIN { printf "%.2f", t * 1000 }')" \
    "$(awk -v t="$dd_start" 'BEGIN { printf "%.2f", t * 1000 }')" "$r" "$res"
printf '  shared libraries loaded: %s; of HDF5, matio, EDFlib or a module of them: %s\n' \
    "$(echo "$loaded" | wc -l)" "$library_loaded"
if ((${#others[@]})); then
    printf '  other build: %s ms\n' "$(awk -v t="$(echo "${others[*]}" | median)" \
        'BEGIN { printf "%.2f", t * 1000 }')"
fi
echo

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
    printf 'numpy fromfile + savetxt(fmt=%%11.7f): %s s; scaled-text is %sx faster (target >= 30): %s\n' \
        "$np_t" "$r" "$res"
    rm -f "$out"
elif ((numpy)); then
    echo "numpy: not installed (Debian python3-numpy); comparison skipped"
fi

if ((numpy)) && compgen -G "$build/python/vantrel/_vantrel*.so" >/dev/null &&
    /usr/bin/python3 -c 'import numpy' 2>/dev/null; then
    /usr/bin/python3 bench/python_scaled.py "$build/python" "$input" "$channels" "$runs" ||
        status=1
    if /usr/bin/python3 -c 'import dask, distributed' 2>/dev/null; then
        /usr/bin/python3 bench/dask_benchmark.py "$build" "$dir" "$channels" "$scans" "$runs" \
            2> >(grep -v ' - INFO - ' >&2) || status=1
    else
        echo "vantrel.dask: Dask not installed (Debian python3-dask, python3-distributed); skipped"
    fi
fi

if ((huge)); then
    # 4.5 GiB of samples (fewer when the scan count would pass its 31-bit field).
    big_scans=$((9 * 512 * 1024 * 1024 / (2 * channels)))
    ((big_scans > 2147483647)) && big_scans=2147483647
    need_kib=$((big_scans * channels * 2 / 1024 + 1024 * 1024))
    free_kib=$(df -Pk "$dir" | awk 'NR == 2 { print $4 }')
    if ((free_kib < need_kib)); then
        echo "huge: $((free_kib / 1048576)) GiB free in $dir, $((need_kib / 1048576)) GiB needed; skipped"
    else
        "$build/bench/make_large_recording" "$big" "$channels" "$big_scans"
        echo
        big_bytes=$(stat -c %s "$big")
        printf 'recording larger than 4 GiB: %s bytes (%s GiB), %s scans, converted to /dev/null\n' \
            "$big_bytes" "$(awk -v b="$big_bytes" 'BEGIN { printf "%.2f", b / 2^30 }')" "$big_scans"
        for format in "${formats[@]}"; do
            # MATLAB 5 holds at most 2 GiB a variable: it refuses this recording.
            [ "$format" = mat5 ] && continue
            measure "$convert" -f "$format" -o /dev/null "$big"
            peak=$(((mem - idle_kib) / 1024))
            res=$(check "$peak" "<=" 64)
            [ "$res" = PASS ] || status=1
            printf '%-14s %8s s  peak+ %5s MiB  %s\n' "$format" "$t" "$peak" "$res"
        done
        rm -f "$big"
    fi
fi
echo
echo "load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
exit $status
