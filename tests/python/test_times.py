# SPDX-License-Identifier: BSD-3-Clause
"""Each scan's time: seconds from the start and clock times exact to the nanosecond, through
the module and the CSV output, read back by pandas."""

import struct
import subprocess
import sys

import numpy as np
import pandas as pd
import pytest

from conftest import BUILD, CONVERT, run_convert, same_bits, scan_seconds

sys.path.insert(0, str(BUILD / "python"))
import vantrel  # noqa: E402

HEADER = struct.Struct("<10shhBihhhdh8s8s3s6s")


def write_recording(path, scans, rate, date=b"12/31/99", time=b"23:59:59", millis=b"999"):
    """A one-channel recording of card type 1 whose codes count the scans."""
    header = HEADER.pack(b"MervikDAQ1", 1, 1, 0, scans, 1, 0, 1, rate, 0, date, time, millis,
                         b"")
    path.write_bytes(header + (np.arange(scans) % 65536).astype("<u2").tobytes())
    return path


def test_times_csv_and_pandas_agree_on_every_recording(references, workdir):
    for ref in references:
        where = ref.recording.name
        rec = vantrel.open(ref.recording)
        assert same_bits(rec.times(), scan_seconds(ref.info)), where
        clock = rec.times("absolute")
        assert clock.dtype == np.dtype("datetime64[ns]") and clock.shape == (rec.scan_count,)
        if rec.scan_count >= 9:
            assert np.array_equal(clock[3:9], rec.times("absolute", scans=slice(3, 9))), where

        out = workdir / (ref.recording.stem + ".clock.csv")
        run_convert("-f", "csv", "--time-base", "absolute", "-o", out, ref.recording)
        read = pd.read_csv(out, parse_dates=[0], index_col=0, float_precision="round_trip")
        frame = rec.to_pandas(time_base="absolute")
        assert frame.index.name == read.index.name == "time", where
        if rec.scan_count:
            assert np.array_equal(read.index.values, clock), where
            assert same_bits(read.values, ref.scaled), where
        assert np.array_equal(frame.index.values, clock), where
        assert same_bits(frame.values, ref.scaled), where

        out = workdir / (ref.recording.stem + ".untimed.csv")
        vantrel.convert(ref.recording, out, "csv", time_base="none")
        assert out.read_bytes().split(b"\r\n")[0].decode() == ",".join(frame.columns), where
        untimed = rec.to_pandas(time_base="none")
        assert isinstance(untimed.index, pd.RangeIndex) and untimed.index.name == "scan"


def test_clock_times_are_exact_to_the_last_scan_of_a_long_recording(tmp_path):
    # 44.1 kHz from 1999-12-31T23:59:59.999, across a new year and a new century.
    scans = 3_000_000
    rec = vantrel.open(write_recording(tmp_path / "long.daq", scans, 44100.0))
    offsets = (np.arange(scans, dtype=np.int64) * 10**9 + 22050) // 44100  # exact, rounded
    expected = np.datetime64("1999-12-31T23:59:59.999", "ns") + offsets.astype("m8[ns]")
    held = rec.times("absolute")
    assert np.array_equal(held, expected)
    assert str(held[-1]) == "2000-01-01T00:01:08.026188209"
    # A selected part keeps the recording's clock.
    part = rec.to_pandas(time_base="absolute", scans=slice(scans - 5, None))
    assert np.array_equal(part.index.values, expected[-5:])


@pytest.mark.parametrize("date, time, millis, rate, message", [
    (b"13/31/99", b"23:59:59", b"999", 1000.0,
     'The start "13/31/99 23:59:59.999" does not read as a date and time, so the scans have no '
     'clock time!'),
    (b"12/31/99", b"23:59:59", b"999", 0.0,
     "The scan rate is not a positive number, so the scans have no clock time!"),
])
def test_a_recording_without_a_clock_is_refused_clock_times(tmp_path, date, time, millis, rate,
                                                            message):
    path = write_recording(tmp_path / "clockless.daq", 10, rate, date, time, millis)
    rec = vantrel.open(path)
    for call in (lambda: rec.times("absolute"), lambda: rec.to_pandas(time_base="absolute")):
        with pytest.raises(ValueError, match="^" + message.replace(".", r"\.") + "$"):
            call()
    out = tmp_path / "out.csv"
    with pytest.raises(vantrel.RefusedError, match="^" + message.replace(".", r"\.")):
        vantrel.convert(path, out, "csv", time_base="absolute")
    done = subprocess.run([str(CONVERT), "-f", "csv", "--time-base", "absolute", "-o", str(out),
                           str(path)], capture_output=True, text=True)
    assert done.returncode != 0 and message in done.stderr and not out.exists()
    # Relative times need only the rate.
    vantrel.convert(path, out, "csv")
    assert out.read_bytes().startswith(b"time_s," if rate > 0 else b"Channel_0\r\n")


def test_time_base_names_are_checked(tmp_path):
    rec = vantrel.open(write_recording(tmp_path / "r.daq", 4, 10.0))
    for call in (lambda: rec.times("none"), lambda: rec.times("clock"),
                 lambda: rec.to_pandas(time_base="Absolute"),
                 lambda: vantrel.convert(tmp_path / "r.daq", tmp_path / "o.csv", "csv",
                                         time_base="")):
        with pytest.raises(ValueError):
            call()
