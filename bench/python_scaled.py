# SPDX-License-Identifier: BSD-3-Clause
"""Times vantrel's Recording.scaled() against numpy.fromfile and the same scaling arithmetic,
side by side in one run, and measures the peak memory of each in a fresh child process.

    python3 bench/python_scaled.py MODULE_DIR RECORDING CHANNELS [RUNS]
    python3 bench/python_scaled.py MODULE_DIR RECORDING CHANNELS --memory-of with_vantrel

The recording is card type 1, +/-10V, uniform order (what make_large_recording writes):
numpy's version is right for it; the module must be as fast while right for every card.
Prints one line per measure and exits 1 when a target is missed."""

import statistics
import subprocess
import sys
import time

import numpy as np

module_dir, recording, channels = sys.argv[1], sys.argv[2], int(sys.argv[3])
runs = int(sys.argv[4]) if len(sys.argv) > 4 and sys.argv[4].isdigit() else 5
sys.path.insert(0, module_dir)
import vantrel  # noqa: E402


def with_numpy():
    codes = np.fromfile(recording, dtype="<i2", offset=60).reshape(-1, channels)
    return codes / 32768.0 * 10.0


def with_vantrel():
    return vantrel.open(recording).scaled()


def peak_growth(name):
    """Bytes the maximum resident size grows by while `name` runs, and the result's size,
    measured in a fresh interpreter."""
    done = subprocess.run([sys.executable, __file__, module_dir, recording, str(channels),
                           "--memory-of", name], capture_output=True, text=True, check=True)
    grown, nbytes = map(int, done.stdout.split())
    return grown, nbytes


def peak_kib():
    """This process's peak resident size. Unlike getrusage's, it starts anew at exec, so a
    child does not inherit its parent's peak."""
    with open("/proc/self/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmHWM:"))


if "--memory-of" in sys.argv:
    before = peak_kib()
    result = globals()[sys.argv[-1]]()
    print((peak_kib() - before) * 1024, result.nbytes)
    sys.exit(0)

assert np.array_equal(with_vantrel().view("<u8"), with_numpy().view("<u8")), "values differ"
ours, theirs = [], []
for i in range(runs):
    # Alternate which goes first, so neither always follows the same work.
    for fn, times in ((with_vantrel, ours), (with_numpy, theirs))[:: 1 if i % 2 else -1]:
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
ours_s, theirs_s = statistics.median(ours), statistics.median(theirs)
ratio = ours_s / theirs_s
status = 0
verdict = "PASS" if ratio <= 1.5 else "FAIL"
status |= verdict == "FAIL"
print(f"Recording.scaled(): {ours_s:.3f} s, numpy fromfile + scaling: {theirs_s:.3f} s, "
      f"ratio {ratio:.2f} (target <= 1.5): {verdict}")
for name in ("with_vantrel", "with_numpy"):
    grown, nbytes = peak_growth(name)
    extra = (grown - nbytes) / 2**20
    verdict = "PASS" if extra <= 64 else "FAIL"
    if name == "with_vantrel":
        status |= verdict == "FAIL"
    else:
        verdict = "(no target)"
    print(f"  {name[5:]:8s} peak memory: the {nbytes / 2**20:.0f} MiB result + {extra:.0f} MiB "
          f"(target <= 64): {verdict}")
sys.exit(status)
