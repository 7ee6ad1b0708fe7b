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
