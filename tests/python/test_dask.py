# SPDX-License-Identifier: BSD-3-Clause
"""vantrel.dask on a local cluster of two worker processes: arrays whose blocks equal the
module's slices, a reduction larger than the workers' memory, the command line's batch as
Dask tasks, a file changed under an array, and Zarr stores read back."""

import os
import pickle
import shutil
import subprocess
import sys

import numpy as np
import pytest

from conftest import BUILD, CONVERT, ROOT, same_bits

sys.path.insert(0, str(BUILD / "python"))
sys.path.insert(0, str(ROOT / "tests" / "readers"))
import recording_builder as rb  # noqa: E402
import vantrel  # noqa: E402

da = pytest.importorskip("dask.array")
distributed = pytest.importorskip("distributed")
zarr = pytest.importorskip("zarr")
import vantrel.dask as vd  # noqa: E402

WORKER_MEMORY = 256 << 20

# Recordings of many blocks: positions without a rule (card 1 has no range 5 or 3) carry
# the value before them into every block's first scan; 24-bit codes; packed input kinds.
LAYOUTS = [
    rb.Layout("card1-5ch-custom-carried", 1, 5, 200_003, 12.5, order=2, seed=41,
              queue=((3, 5), (1, 3), (4, 1), (0, 23), (4, 10))),
    rb.Layout("card7-3ch-wide", 7, 3, 150_001, 1000.0, seed=42),
    rb.Layout("card4-7ch-custom-kinds", 4, 7, 60_007, 200.0, order=2, kinds=(0, 1, 2, 7),
              seed=43, queue=((6, 35), (2, 3), (0, 35), (5, 36), (3, 6), (1, 0), (4, 35))),
]


def peak_bytes():
    """The peak resident size of the process (a worker's own: VmHWM starts anew at exec)."""
    with open("/proc/self/status") as status:
        return next(int(line.split()[1]) * 1024 for line in status
                    if line.startswith("VmHWM:"))


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  memory_limit=WORKER_MEMORY, dashboard_address=":0") as cluster:
        with distributed.Client(cluster) as connected:
            yield connected


@pytest.fixture(scope="module")
def long_recordings(tmp_path_factory):
    folder = tmp_path_factory.mktemp("dask")
    made = []
    for layout in LAYOUTS:
        path = folder / (layout.name + ".daq")
        rb.write(layout, path)
        made.append(path)
    return made


def test_blocks_equal_the_modules_slices(client, references, long_recordings):
    """Every card group, custom queues, no scans; blocks that start mid-recording, where the
    carried values and the codes must be the module's."""
    for path in [r.recording for r in references] + long_recordings:
        rec = vantrel.open(path)
        small = 4999 if path in long_recordings else 7
        for chunk_scans in (None, small):
            scaled = vd.from_recording(path, chunk_scans)
            codes = vd.from_recording(rec, chunk_scans, kind="codes")
            assert scaled.shape == codes.shape == rec.shape, path
            assert codes.dtype == rec.codes(0, 0).dtype, path
            assert same_bits(scaled.compute(), rec.scaled()), (path, chunk_scans)
            assert np.array_equal(codes.compute(), rec.codes()), (path, chunk_scans)
        if rec.channel_count > 1 and rec.scan_count:
            channel = rec.columns[-1].channel
            picked = vd.from_recording(path, small, channels=[channel]).compute()
            assert same_bits(picked, rec.scaled(channels=[channel])), path
            picked = vd.from_recording(path, small - 2, columns=[1, 0, 1], kind="codes").compute()
            assert np.array_equal(picked, rec.codes(columns=[1, 0, 1])), path


def test_the_graph_holds_no_samples(long_recordings):
    path = long_recordings[0]
    array = vd.from_recording(path, 1000)
    graph = pickle.dumps(dict(array.__dask_graph__()))
    assert array.npartitions == 201
    assert len(graph) < 64 * array.npartitions  # the path, names and identity, once
    # The same recording gives the same names, so Dask reuses what it computed.
    assert vd.from_recording(path, 1000).name == array.name
    assert vd.from_recording(path, 1000, kind="codes").name != array.name


def test_a_reduction_larger_than_the_workers_memory(client, large_reference):
    """A gigabyte of scaled values averaged by two workers of 256 MiB each, none of them
    restarted or grown past its limit."""
    workers = set(client.scheduler_info()["workers"])
    volts = vd.from_recording(large_reference.recording)
    assert volts.nbytes > 2 * WORKER_MEMORY
    mean = volts.mean(axis=0).compute()
    assert np.allclose(mean, large_reference.scaled.mean(axis=0), rtol=1e-12, atol=0)
    assert set(client.scheduler_info()["workers"]) == workers
    peaks = client.run(peak_bytes)
    assert max(peaks.values()) < WORKER_MEMORY, peaks


@pytest.mark.parametrize("change", ["touched", "deleted"])
def test_a_file_changed_after_from_recording_fails_on_compute(client, references, tmp_path,
                                                              change):
    path = tmp_path / "run.daq"
    shutil.copy(next(r.recording for r in references if r.info["scan_count"] > 100), path)
    volts = vd.from_recording(path, 10)
    vd.from_recording(path, 11).sum().compute()  # other keys: nothing of it is reused
    if change == "touched":
        os.utime(path, ns=(0, os.stat(path).st_mtime_ns + 1))
        message = "Recording changed since it was opened!"
    else:
        path.unlink()
        message = "Recording deleted or moved since it was opened!"
    with pytest.raises(vantrel.LoadError, match=message):
        volts.sum().compute()
    with pytest.raises(vantrel.LoadError, match=message):
        volts.sum().compute(scheduler="threads")


def test_open_many_tables_the_facts(references, tmp_path):
    broken = tmp_path / "broken.daq"
    broken.write_bytes(b"not a recording")
    paths = [r.recording for r in references] + [tmp_path / "missing.daq", broken]
    arrays, facts = vd.open_many(paths, 100, kind="codes")
    assert len(arrays) == len(facts) == len(paths)
    for ref, array, (_, row) in zip(references, arrays, facts.iterrows()):
        info = vantrel.open(ref.recording).info()
        assert array.shape == (ref.info["scan_count"], ref.info["channel_count"])
        assert row["path"] == str(ref.recording)
        assert row["card_type"] == ref.info["card_type"]
        assert row["header.scan_rate"] == pytest.approx(info["header"]["scan_rate"],
                                                        nan_ok=True)
        assert row["display.Card Type:"] == ref.info["display"]["Card Type:"]
        assert row["columns"] == ref.info["columns"]
    assert arrays[-2:] == [None, None]
    assert "No such file" in facts["error"].iloc[-2]
    with pytest.raises(vantrel.LoadError) as raised:
        vantrel.open(broken)
    assert facts["error"].iloc[-1] == str(raised.value)


def cli_batch(arguments, folder):
    """What vantrel-convert prints for each input: {input: [lines]}, and its status."""
    done = subprocess.run([str(CONVERT.resolve()), *map(str, arguments)], capture_output=True,
                          text=True, cwd=folder)
    return done.stdout.splitlines(), done.stderr.splitlines(), done.returncode


@pytest.mark.parametrize("on_cluster", [True, False])
def test_convert_many_is_the_command_lines_batch(client, references, tmp_path, on_cluster):
    """Good inputs, a truncated one, one EDF refuses, two whose outputs would be one file,
    and an existing output under no_clobber: the same files and the same messages."""
    inputs = tmp_path / "in"
    inputs.mkdir()
    good = [r.recording for r in references if r.info["card_type"] in (1, 3, 8)][:4]
    batch = []
    for path in good:
        batch.append(inputs / path.name)
        shutil.copy(path, batch[-1])
    refused = next(r.recording for r in references if r.info["card_type"] == 4)
    batch.append(inputs / refused.name)
    shutil.copy(refused, batch[-1])
    batch.append(inputs / "truncated.daq")
    batch[-1].write_bytes(good[0].read_bytes()[:-3])
    batch.append(inputs / (good[1].stem + ".dat"))  # the same output as good[1]
    shutil.copy(good[1], batch[-1])
    out = tmp_path / "out"
    out.mkdir()
    existing = out / (good[2].stem + ".edf")
    existing.write_bytes(b"kept")
    names = [str(p) for p in batch]

    stdout, stderr, status = cli_batch(["-f", "edf", "--no-clobber", "--output-dir", out,
                                        *names], tmp_path)
    assert status == 1
    written = {p.name: p.read_bytes() for p in out.iterdir()}
    for p in out.iterdir():
        if p != existing:
            p.unlink()

    table = vd.convert_many(names, "edf", out, client if on_cluster else None, no_clobber=True)
    assert {p.name: p.read_bytes() for p in out.iterdir()} == written
    assert existing.read_bytes() == b"kept"
    assert list(table["input"]) == names
    assert list(table["output"]) == [str(out / (p.stem + ".edf")) for p in batch]
    assert list(table["outcome"]) == ["written", "written", "skipped", "written", "refused",
                                      "failed", "refused"]
    said = table[table["outcome"].isin(["written", "skipped"])]["message"]
    assert "\n".join(said).splitlines() == stdout
    failed = table[~table["outcome"].isin(["written", "skipped"])]
    assert [f"{i}: {line}" for i, m in zip(failed["input"], failed["message"])
            for line in m.splitlines()] == stderr


def test_to_zarr_round_trips(client, long_recordings, references, tmp_path):
    for path in long_recordings[:2] + [r.recording for r in references][-1:]:
        rec = vantrel.open(path)
        store = tmp_path / (path.stem + ".zarr")
        group = vd.to_zarr(path, str(store), 4096)
        opened = zarr.open(str(store), mode="r")
        assert dict(opened.attrs) == rec.info()
        assert same_bits(opened["scaled"][:], rec.scaled()), path
        assert np.array_equal(opened["codes"][:], rec.codes()), path
        assert opened["codes"].dtype == rec.codes(0, 0).dtype
        assert opened["scaled"].attrs["_ARRAY_DIMENSIONS"] == ["time", "column"]
        assert same_bits(da.from_zarr(str(store), component="scaled").compute(), rec.scaled())
        empty = rec.scan_count == 0  # no scans: chunks of one
        assert group["scaled"].chunks[0] == (1 if empty else 4096)
        with pytest.raises(zarr.errors.ContainsGroupError):
            vd.to_zarr(rec, str(store))
        vd.to_zarr(rec, str(store), 1000, overwrite=True)
        assert zarr.open(str(store), mode="r")["scaled"].chunks[0] == (1 if empty else 1000)
