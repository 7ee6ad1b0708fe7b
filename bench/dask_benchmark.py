# SPDX-License-Identifier: BSD-3-Clause
"""vantrel.dask against one process, side by side in one run:

- from_recording(...).sum(axis=0).compute() on a local cluster of two worker processes
  against rec.scaled().sum(axis=0) in this process (target: within 1.5x), with the peak
  resident size of each worker, on the recording and on one four times its size (target:
  under 256 MiB, whatever the size);
- convert_many() of 16 recordings on those two workers against vantrel-convert -j 2 on the
  same files (target: within 1.3x).

    python3 bench/dask_benchmark.py BUILD_DIR DIR CHANNELS SCANS [RUNS]

Recordings and outputs go into DIR (a tmpfs: a disk's write-back moves the ratios). Prints
one line per measure and exits 1 when a target is missed."""

import pathlib
import shutil
import statistics
import subprocess
import sys
import time

build, folder = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
channels, scans = int(sys.argv[3]), int(sys.argv[4])
runs = int(sys.argv[5]) if len(sys.argv) > 5 else 3
sys.path.insert(0, str(build / "python"))
import distributed  # noqa: E402
import numpy  # noqa: E402

import vantrel  # noqa: E402
import vantrel.dask as vd  # noqa: E402

WORKER_LIMIT = 256 << 20
BATCH = 16
FORMAT = "csv"


def median_seconds(run, cluster=None):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
        if cluster is not None:
            released(cluster)
    return statistics.median(times)


def make(path, scans_in_it):
    subprocess.run([str(build / "bench" / "make_large_recording"), str(path), str(channels),
                    str(scans_in_it), "1"], check=True, capture_output=True)


def peak_bytes():
    """This process's peak resident size (VmHWM starts anew at exec, unlike getrusage's,
    which a worker inherits from the process that started it)."""
    with open("/proc/self/status") as status:
        return next(int(line.split()[1]) * 1024 for line in status
                    if line.startswith("VmHWM:"))


def released(cluster):
    """Waits until the scheduler holds no task: a result still held would be handed to the
    next run of the same graph instead of computed."""
    while cluster.scheduler.tasks:
        time.sleep(0.01)


def main():
    folder.mkdir(parents=True, exist_ok=True)
    missed = False
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  memory_limit=4 * WORKER_LIMIT,
                                  dashboard_address=":0") as cluster:
        with distributed.Client(cluster) as client:
            for factor in (1, 4):
                recording = folder / f"dask-{factor}.daq"
                make(recording, scans * factor)
                rec = vantrel.open(recording)
                volts = vd.from_recording(recording)
                # The same sums, up to the order they were added in.
                assert numpy.allclose(volts.sum(axis=0).compute(), rec.scaled().sum(axis=0),
                                      rtol=1e-12, atol=0)
                alone = median_seconds(lambda: rec.scaled().sum(axis=0))
                released(cluster)
                on_cluster = median_seconds(lambda: volts.sum(axis=0).compute(), cluster)
                peak = max(client.run(peak_bytes).values())
                ratio = on_cluster / alone
                fits = peak < WORKER_LIMIT
                print(f"sum(axis=0) of {volts.nbytes / 2**20:.0f} MiB: one process "
                      f"{alone:.3f} s, two workers {on_cluster:.3f} s, ratio {ratio:.2f} "
                      f"(target 1.5); peak per worker {peak / 2**20:.0f} MiB (target 256)")
                missed |= factor == 1 and ratio > 1.5 or not fits
                recording.unlink()

            inputs = folder / "batch"
            shutil.rmtree(inputs, ignore_errors=True)
            inputs.mkdir()
            make(inputs / "0.daq", scans // 4)
            paths = [inputs / "0.daq"]
            for i in range(1, BATCH):
                paths.append(inputs / f"{i}.daq")
                shutil.copy(paths[0], paths[-1])
            out = folder / "batch-out"

            def clear():
                shutil.rmtree(out, ignore_errors=True)
                out.mkdir()

            def with_cli():
                clear()
                subprocess.run([str(build / "cli" / "vantrel-convert"), "-q", "-j", "2", "-f",
                                FORMAT, "--output-dir", str(out), *map(str, paths)], check=True)

            def with_dask():
                clear()
                table = vd.convert_many(paths, FORMAT, out, client)
                assert (table["outcome"] == "written").all(), table

            cli = median_seconds(with_cli)
            dask = median_seconds(with_dask, cluster)
            ratio = dask / cli
            print(f"{FORMAT} of {BATCH} recordings of {paths[0].stat().st_size / 2**20:.1f} MiB: "
                  f"vantrel-convert -j 2 {cli:.3f} s, convert_many on two workers {dask:.3f} s, "
                  f"ratio {ratio:.2f} (target 1.3)")
            missed |= ratio > 1.3
            shutil.rmtree(out)
            shutil.rmtree(inputs)
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
