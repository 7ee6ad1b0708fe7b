# SPDX-License-Identifier: BSD-3-Clause
"""The formats written by a library (HDF5, MATLAB 7.3 and 5, EDF, BDF) when the output's
file system fills up or the output outgrows the file-size limit half way: the run ends with
exit status 1 and the write error, not a crash or SIGXFSZ, the earlier file at the output
path is left byte for byte, and no unfinished output is left beside it."""

import os
import resource
import signal
import subprocess

import pytest

import recording_builder as rb
from conftest import CONVERT

LIBRARY_FORMATS = ["hdf5", "mat", "mat5", "edf", "bdf"]
EARLIER = b"an earlier output, to be kept whole\n" * 512  # 18 KiB
LIMIT = 1 << 20  # bytes, for the file-size limit; the file system holds 2 MiB


@pytest.fixture(scope="module")
def recording(tmp_path_factory):
    """16 channels of 100,000 scans of random codes (3.2 MB, incompressible): every format's
    output is larger than both the file system and the limit."""
    path = tmp_path_factory.mktemp("faults") / "full-disk.daq"
    rb.write(rb.Layout("full-disk", 1, 16, 100_000, 1000.0, seed=11), path)
    return path


@pytest.fixture
def small_file_system(tmp_path):
    folder = tmp_path / "small"
    folder.mkdir()
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=2m", "tmpfs", str(folder)],
                             capture_output=True, text=True)
    if mounted.returncode != 0:
        pytest.skip("cannot mount a 2 MiB tmpfs (needs root): " + mounted.stderr.strip())
    yield folder
    subprocess.run(["umount", str(folder)], check=True)


def limit_file_size():
    resource.setrlimit(resource.RLIMIT_FSIZE, (LIMIT, LIMIT))


def convert_into(folder, fmt, recording, **how):
    out = folder / ("earlier." + fmt)
    out.write_bytes(EARLIER)
    # As from a shell: SIGXFSZ (and SIGPIPE) at their default, which ends the process.
    done = subprocess.run([str(CONVERT), "-f", fmt, "-o", str(out), str(recording)],
                          capture_output=True, text=True, restore_signals=True, **how)
    return out, done


def status(code):
    return signal.Signals(-code).name if code < 0 else code


@pytest.mark.parametrize("fmt", LIBRARY_FORMATS)
@pytest.mark.parametrize("fault", ["file system full", "file-size limit"])
def test_a_failed_write_keeps_the_earlier_file(fault, fmt, recording, tmp_path, request):
    if fault == "file system full":
        folder = request.getfixturevalue("small_file_system")
        out, done = convert_into(folder, fmt, recording)
    else:
        folder = tmp_path / "limited"
        folder.mkdir()
        out, done = convert_into(folder, fmt, recording, preexec_fn=limit_file_size)
    assert done.returncode == 1, (status(done.returncode), done.stderr)
    assert "Write Output File Error!" in done.stderr, done.stderr
    assert out.read_bytes() == EARLIER
    assert sorted(os.listdir(folder)) == [out.name]


@pytest.mark.parametrize("compress", [False, True])
@pytest.mark.parametrize("short_by", [1, 5, 60])
def test_mat5_cut_short_in_its_last_variable_is_a_write_error(compress, short_by, tmp_path):
    """matio does not report a short write. The last variable of a MATLAB 5 file is a fact
    (uncompressed: the facts follow the matrices) or `codes` (compressed): a file-size limit
    that cuts it by a byte of padding or more must fail as the limit's first byte would."""
    path = tmp_path / "odd.daq"
    rb.write(rb.Layout("odd", 1, 3, 1001, 100.0, seed=5), path)  # 6006 bytes of codes
    options = ["--compress"] if compress else []
    whole = tmp_path / "whole.mat"
    subprocess.run([str(CONVERT), "-q", "-f", "mat5", *options, "-o", str(whole), str(path)],
                   check=True)
    limit = whole.stat().st_size - short_by
    folder = tmp_path / "limited"
    folder.mkdir()
    out = folder / "earlier.mat"
    out.write_bytes(EARLIER)
    done = subprocess.run(
        [str(CONVERT), "-f", "mat5", *options, "-o", str(out), str(path)],
        capture_output=True, text=True, restore_signals=True,
        preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit)))
    assert done.returncode == 1, (status(done.returncode), done.stderr)
    assert "Write Output File Error!" in done.stderr, done.stderr
    assert out.read_bytes() == EARLIER
    assert sorted(os.listdir(folder)) == [out.name]


def test_python_with_h5py_survives_a_failed_library_write(recording, tmp_path):
    """h5py started HDF5 first, so the library would still close files at exit: a file whose
    write failed must never reach the library's close."""
    script = f"""
import sys, resource, signal
import h5py
sys.path.insert(0, {str(CONVERT.parent.parent / "python")!r})
import vantrel
signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
resource.setrlimit(resource.RLIMIT_FSIZE, ({LIMIT}, resource.RLIM_INFINITY))
for fmt in ("hdf5", "mat"):
    try:
        vantrel.convert({str(recording)!r}, {str(tmp_path / "out")!r} + "." + fmt, format=fmt)
        print(fmt, "converted")
    except vantrel.Error as e:
        print(fmt, e)
"""
    done = subprocess.run(["/usr/bin/python3", "-c", script], capture_output=True, text=True)
    assert done.returncode == 0, (status(done.returncode), done.stderr)
    assert done.stdout == "hdf5 Write Output File Error!\nmat Write Output File Error!\n"
    assert os.listdir(tmp_path) == []


@pytest.mark.parametrize("channels", [0, 1025, 8000])
def test_hdf5_holds_any_channel_count(channels, tmp_path):
    """Per-column facts of thousands of channels outgrow an object header; none at all make
    empty attributes."""
    h5py = pytest.importorskip("h5py")
    recording = tmp_path / "wide.daq"
    rb.write(rb.Layout("wide", 1, channels, 3, 1000.0, seed=5), recording)
    out = tmp_path / "wide.h5"
    done = subprocess.run([str(CONVERT), "-f", "hdf5", "-o", str(out), str(recording)],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    with h5py.File(out) as f:
        assert f["scaled"].shape == (3, channels)
        assert list(f["scaled"].attrs["channel"]) == list(range(channels))
        assert len(f["scaled"].attrs["range_label"]) == channels
        assert f.attrs["channel_count"] == channels
