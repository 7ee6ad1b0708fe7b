# SPDX-License-Identifier: BSD-3-Clause
"""Shared fixtures of the Python tests (the readers' and the module's): the built tools,
recordings of every kind, and the reference outputs every analysis format and the module are
compared with (the scaled binary output, the
codes text output and `--info --json`)."""

import datetime
import hashlib
import json
import math
import os
import pathlib
import subprocess

import numpy as np
import pytest

ROOT = pathlib.Path(__file__).resolve().parents[1]
BUILD = pathlib.Path(os.environ.get("VANTREL_BUILD_DIR", ROOT / "build" / "ci"))
CONVERT = BUILD / "cli" / "vantrel-convert"
MAKE_EXAMPLES = BUILD / "examples" / "vantrel-make-examples"
MAKE_LARGE = BUILD / "bench" / "make_large_recording"


def run_convert(*args):
    """Runs vantrel-convert; fails the test with its messages when it does not succeed."""
    done = subprocess.run([str(CONVERT), *map(str, args)], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return done.stdout


class Reference:
    """What a recording converts to in the formats every other one is checked against."""

    def __init__(self, recording, folder):
        self.recording = recording
        self.info = json.loads(run_convert("--info", "--json", recording))
        assert self.info["source_sha256"] == hashlib.sha256(recording.read_bytes()).hexdigest()
        channels = max(self.info["channel_count"], 0)
        scans = max(self.info["scan_count"], 0)
        binary = folder / (recording.stem + ".bin")
        run_convert("-f", "scaled-binary", "-o", binary, recording)
        self.scaled = np.fromfile(binary, dtype="<f8").reshape(scans, channels)
        codes = folder / (recording.stem + ".codes")
        run_convert("-f", "codes-text", "-s", "tab", "--no-title", "-o", codes, recording)
        sixteen_bit = self.info["card_type"] in (1, 2, 3, 8)
        self.code_dtype = np.dtype("<u2" if sixteen_bit else "<i4")
        values = np.fromfile(codes, dtype=np.int64, sep=" ")  # any white space separates
        limits = np.iinfo(self.code_dtype)
        assert values.size == 0 or limits.min <= values.min() and values.max() <= limits.max
        self.codes = values.astype(self.code_dtype).reshape(scans, channels)


def make_recordings(folder):
    """Every example recording (every card type, order, custom queue, one channel) and one
    without scans."""
    examples = folder / "examples"
    subprocess.run([str(MAKE_EXAMPLES), str(examples)], check=True, capture_output=True)
    recordings = sorted(examples.glob("*.daq"))
    empty = folder / "zero-scans.daq"
    subprocess.run([str(MAKE_LARGE), str(empty), "3", "0"], check=True, capture_output=True)
    return recordings + [empty]


@pytest.fixture(scope="session")
def workdir(tmp_path_factory):
    return tmp_path_factory.mktemp("readers")


@pytest.fixture(scope="session")
def references(workdir):
    return [Reference(r, workdir) for r in make_recordings(workdir)]


@pytest.fixture(scope="session")
def large_reference(tmp_path_factory):
    """A recording of 256 MiB (8 channels x 16 million scans), in a memory folder where
    there is one: its outputs are gigabytes."""
    shm = pathlib.Path("/dev/shm")
    folder = pathlib.Path(tmp_path_factory.mktemp("large", numbered=True))
    if shm.is_dir():
        folder = shm / ("vantrel-readers-" + str(os.getpid()))
        folder.mkdir(exist_ok=True)
    recording = folder / "large.daq"
    subprocess.run([str(MAKE_LARGE), str(recording), "8", "16000000"], check=True,
                   capture_output=True)
    yield Reference(recording, folder)
    for path in folder.iterdir():
        path.unlink()
    folder.rmdir()


def same_bits(a, b):
    """Arrays of doubles equal bit for bit (NaN, -0.0 and all)."""
    a = np.ascontiguousarray(a, dtype="<f8")
    b = np.ascontiguousarray(b, dtype="<f8")
    return a.shape == b.shape and np.array_equal(a.view("<u8"), b.view("<u8"))


# The recording's facts every format records, by the names `--info --json` gives them.
RECORDING_FACTS = ["card_type", "card_name", "channel_count", "scan_count", "scan_rate_hz",
                   "start_date", "start_time", "start_iso8601", "order", "source_file",
                   "source_sha256", "converter"]
COLUMN_FACTS = ["channel", "range_code", "range_label", "input_kind", "name", "unit"]
TEXT_COLUMN_FACTS = {"range_label", "name", "unit"}


def scan_seconds(info, first=0, count=None):
    """time_s of scans [first, first + count) (every scan by default): the scan number over
    the rate; None where the rate is not a positive number."""
    rate = info["scan_rate_hz"]
    if rate is None or not 0 < rate < math.inf:
        return None
    count = max(info["scan_count"], 0) - first if count is None else count
    return np.arange(first, first + count, dtype="f8") / rate


def start_datenum(info):
    """MATLAB's serial date of the start, where it reads with its milliseconds."""
    if "start_iso8601" not in info:
        return None
    start = datetime.datetime.fromisoformat(info["start_iso8601"])
    midnight = datetime.datetime(start.year, start.month, start.day)
    # Python counts 0001-01-01 as day 1, MATLAB as day 367.
    return start.toordinal() + 366 + (start - midnight) / datetime.timedelta(days=1)


def column_facts(info):
    """Per column fact name, the list `--info --json` gives (input_kind for card 4 only)."""
    facts = {}
    for name in COLUMN_FACTS:
        values = [c[name] for c in info["columns"] if name in c]
        if name != "input_kind" or info["card_type"] == 4:
            facts[name] = values
    return facts
