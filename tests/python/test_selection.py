# SPDX-License-Identifier: BSD-3-Clause
"""Selections in the module: scaled(), codes(), chunks() and to_pandas() with scans, time,
channels and columns give the NumPy slices of the whole arrays, bit for bit; convert() with a
selection writes what the command line writes with --scans, --time, --channels and
--columns; what a recording does not hold, or a selection of nothing, raises IndexError or
ValueError with the command line's message."""

import subprocess
import sys

import numpy as np
import pandas as pd
import pytest

from conftest import BUILD, CONVERT, ROOT, run_convert, same_bits

sys.path.insert(0, str(BUILD / "python"))
sys.path.insert(0, str(ROOT / "tests" / "readers"))
import recording_builder as rb  # noqa: E402
import vantrel  # noqa: E402

PIECE_SAMPLES = 1 << 22  # samples the module reads at a time

# 4.5 million samples: more than one piece. Positions 0 and 1 have no rule (card 1 has no
# range 5 or 3), so every scan starts with the value carried from the scan before; channel
# 6 is sampled twice a scan.
LAYOUT = rb.Layout("card1-7ch-custom-carried", 1, 7, 650_001, 12.5, order=2, seed=31,
                   queue=((3, 5), (1, 3), (6, 1), (0, 23), (6, 10), (2, 25), (5, 3)))
N = LAYOUT.scans
PIECE = PIECE_SAMPLES // LAYOUT.channels  # the first scan of the second piece


@pytest.fixture(scope="module")
def recording(tmp_path_factory):
    path = tmp_path_factory.mktemp("selection") / (LAYOUT.name + ".daq")
    words = rb.write(LAYOUT, path)
    binary = path.with_suffix(".bin")
    run_convert("-f", "scaled-binary", "-o", binary, path)
    scaled = np.fromfile(binary, "<f8").reshape(N, LAYOUT.channels)
    binary.unlink()
    codes = rb.output_codes(LAYOUT, words).astype("<u2")
    return path, scaled, codes


# (arguments, the scans and columns they select), positions in a scan as the queue holds
# the channels: 3, 1, 6, 0, 6, 2, 5.
READS = [
    ({}, np.s_[:, :]),
    ({"scans": slice(5, 17)}, np.s_[5:17, :]),
    ({"scans": slice(-3, None), "channels": [6]}, np.s_[-3:, [2, 4]]),
    ({"scans": slice(N - 1, N + 100), "columns": [0]}, np.s_[N - 1:, [0]]),
    ({"scans": slice(PIECE - 2, PIECE + 3), "channels": [5, 3]},
     np.s_[PIECE - 2:PIECE + 3, [6, 0]]),
    ({"scans": slice(123_457, 640_000), "columns": [6, 0, 0]}, np.s_[123_457:640_000, [6, 0, 0]]),
    ({"channels": [0, 1, 2, 3, 5, 6]}, np.s_[:, [3, 1, 5, 0, 6, 2, 4]]),
    ({"time": (100.0, 100.5), "columns": [1]}, np.s_[1250:1257, [1]]),
    ({"time": (None, 0.16)}, np.s_[:2, :]),
    ({"start": -10, "channels": [1]}, np.s_[-10:, [1]]),
    ({"start": 7, "stop": 3, "columns": [2, 1]}, np.s_[7:3, [2, 1]]),  # empty, as a slice
    ({"start": N + 5, "columns": [1]}, np.s_[N + 5:, [1]]),
]


def test_the_recording_carries_a_value_into_every_scan(recording):
    _, scaled, _ = recording
    # Position 0 repeats position 5 of the scan before, the last with a rule.
    assert np.array_equal(scaled[1:, 0], scaled[:-1, 5]) and len(np.unique(scaled[:, 0])) > 1000


@pytest.mark.parametrize("arguments, index", READS)
def test_reads_equal_numpy_slices_of_the_whole_arrays(recording, arguments, index):
    path, scaled, codes = recording
    rec = vantrel.open(path)
    arguments = dict(arguments)
    start, stop = arguments.pop("start", 0), arguments.pop("stop", None)
    values = rec.scaled(start, stop, **arguments)
    assert values.dtype == np.float64 and same_bits(values, scaled[index])
    held = rec.codes(start, stop, **arguments)
    assert held.dtype == np.uint16 and np.array_equal(held, codes[index])
    assert held.shape == codes[index].shape


@pytest.mark.parametrize("kind", ["scaled", "codes"])
def test_chunks_of_selected_columns(recording, kind):
    path, scaled, codes = recording
    whole = scaled if kind == "scaled" else codes
    chunks = list(vantrel.open(path).chunks(200_000, kind=kind, channels=[6, 3]))
    assert [c.shape for c in chunks[:-1]] == [(200_000, 3)] * 3
    assert same_bits(np.concatenate(chunks), whole[:, [2, 4, 0]])


def test_to_pandas_of_a_part_is_indexed_as_the_csv_output(recording, tmp_path):
    path, scaled, _ = recording
    frame = vantrel.open(path).to_pandas(scans=slice(PIECE - 100, PIECE + 50), channels=[6, 1])
    assert list(frame.columns) == ["Channel_6", "Channel_6", "Channel_1"]
    assert same_bits(frame.to_numpy(), scaled[PIECE - 100:PIECE + 50, [2, 4, 1]])
    assert frame.index.name == "time_s"
    assert same_bits(frame.index.to_numpy(), np.arange(PIECE - 100, PIECE + 50) / LAYOUT.rate)
    csv = tmp_path / "part.csv"
    run_convert("-f", "csv", "--scans", "%d:%d" % (PIECE - 100, PIECE + 50), "--channels", "6,1",
                "-o", csv, path)
    table = pd.read_csv(csv, float_precision="round_trip")
    assert same_bits(table["time_s"].to_numpy(), frame.index.to_numpy())
    assert same_bits(table.iloc[:, 1:].to_numpy(), frame.to_numpy())


def command_line_message(path, options):
    """What vantrel-convert says of `options` on the recording at `path`; it must exit with
    the usage status."""
    done = subprocess.run([str(CONVERT), *options, "-o", str(path) + ".out", str(path)],
                          capture_output=True, text=True)
    assert done.returncode == 2, done.stderr
    said = done.stderr.strip()
    assert said.startswith(str(path) + ": ")
    return said[len(str(path)) + 2:]


# (arguments, exception, the same selection on the command line where it has one)
ERRORS = [
    ({"scans": slice(N, None)}, IndexError, ["--scans", "%d:" % N]),
    ({"scans": slice(-N - 1, 5)}, IndexError, ["--scans=%d:5" % (-N - 1)]),
    ({"channels": [6, 4]}, IndexError, ["--channels", "6,4"]),
    ({"columns": [7]}, IndexError, ["--columns", "7"]),
    ({"time": (N / LAYOUT.rate, None)}, IndexError, ["--time", "%r:" % (N / LAYOUT.rate)]),
    ({"scans": slice(10, 10)}, ValueError, ["--scans", "10:10"]),
    ({"scans": slice(-5, -10)}, ValueError, ["--scans", "-5:-10"]),
    ({"time": (2.01, 2.05)}, ValueError, ["--time", "2.01:2.05"]),  # between scans 25 and 26
    ({"channels": []}, ValueError, None),
    ({"scans": slice(0, 10, 2)}, ValueError, None),
    ({"channels": [1], "columns": [1]}, ValueError, None),
    ({"scans": slice(1, 2), "time": (0, 1)}, ValueError, None),
    ({"scans": (0, 10)}, TypeError, None),
    ({"time": 5}, TypeError, None),
    ({"channels": 3}, TypeError, None),
]


@pytest.mark.parametrize("arguments, error, options", ERRORS)
def test_selections_not_held_raise_with_the_command_lines_message(recording, tmp_path,
                                                                  arguments, error, options):
    path = recording[0]
    rec = vantrel.open(path)
    output = tmp_path / "out.cvt"
    calls = [rec.scaled, rec.codes, rec.to_pandas,
             lambda **selection: vantrel.convert(path, output, **selection)]
    if "scans" not in arguments and "time" not in arguments:
        calls.append(lambda **selection: next(rec.chunks(**selection)))
    messages = set()
    for call in calls:
        with pytest.raises(error) as raised:
            call(**arguments)
        messages.add(str(raised.value))
    assert len(messages) == 1 and not output.exists()
    if options is not None:
        assert messages == {command_line_message(path, options)}


def test_start_and_stop_do_not_go_with_scans_or_time(recording):
    rec = vantrel.open(recording[0])
    for call in (rec.scaled, rec.codes):
        # A slice in start's place is the scans.
        assert same_bits(call(slice(PIECE - 2, PIECE + 3), channels=[5, 3]),
                         call(scans=slice(PIECE - 2, PIECE + 3), channels=[5, 3]))
        with pytest.raises(TypeError):
            call(5, scans=slice(1, 2))
        with pytest.raises(TypeError):
            call(0, 9, time=(0.0, 1.0))
        assert call(0, None, scans=slice(3, 4)).shape == (1, LAYOUT.channels)


def test_convert_of_a_part_writes_what_the_command_line_writes(references, tmp_path):
    ref = next(r for r in references if r.recording.name == "card1-custom-queue.daq")
    selections = [
        ({"scans": slice(17, -40), "channels": [1, 2, 1]}, ["--scans", "17:-40", "--channels",
                                                            "1,2,1"]),
        ({"time": (0.5, 1.25), "columns": [2, 0]}, ["--time", "0.5:1.25", "--columns", "2,0"]),
    ]
    for name, extension, _ in vantrel.formats():
        for arguments, options in selections:
            ours, theirs = tmp_path / ("module" + extension), tmp_path / ("cli" + extension)
            vantrel.convert(ref.recording, ours, format=name, **arguments)
            run_convert("-f", name, *options, "-o", theirs, ref.recording)
            if name == "mat":  # MATLAB 7.3 files carry the time their objects were made
                assert ours.stat().st_size == theirs.stat().st_size
            else:
                assert ours.read_bytes() == theirs.read_bytes(), (name, options)


def test_a_part_of_a_recording_without_a_rate_is_indexed_by_scan_number(tmp_path):
    layout = rb.Layout("no-rate", 3, 3, 1000, 0.0, seed=32)
    path = tmp_path / "no-rate.daq"
    rb.write(layout, path)
    rec = vantrel.open(path)
    frame = rec.to_pandas(scans=slice(-300, -200), columns=[2, 0])
    assert frame.index.name == "scan" and list(frame.index) == list(range(700, 800))
    assert same_bits(frame.to_numpy(), rec.scaled()[700:800, [2, 0]])
    with pytest.raises(IndexError) as raised:
        rec.scaled(time=(0.0, 1.0))
    assert str(raised.value) == command_line_message(path, ["--time", "0:1"])


def bucket_starts(scans, buckets):
    """The first scan of each bucket: an even split, the shorter buckets first."""
    buckets = min(buckets, scans)
    shortest, longer = divmod(scans, buckets)
    return np.array([b * shortest + max(0, b - (buckets - longer)) for b in range(buckets)])


# (envelope arguments, the scans and columns they take): whole recording (two readers),
# a part across a piece border, repeats and more buckets than scans.
ENVELOPES = [
    (1, {}, np.s_[:, :]),
    (1920, {}, np.s_[:, :]),
    (7, {"scans": slice(PIECE - 2, PIECE + 3), "channels": [5, 3]},
     np.s_[PIECE - 2:PIECE + 3, [6, 0]]),
    (333, {"time": (100.0, 300.5), "columns": [6, 0, 0]}, np.s_[1250:3757, [6, 0, 0]]),
]


@pytest.mark.parametrize("buckets, arguments, index", ENVELOPES)
def test_envelope_is_the_min_and_max_of_each_bucket(recording, buckets, arguments, index):
    path, scaled, _ = recording
    part = scaled[index]
    low, high = vantrel.open(path).envelope(buckets, **arguments)
    starts = bucket_starts(len(part), buckets)
    assert low.shape == high.shape == (len(starts), part.shape[1])
    assert np.array_equal(low, np.minimum.reduceat(part, starts, axis=0))
    assert np.array_equal(high, np.maximum.reduceat(part, starts, axis=0))


def test_envelope_refuses_no_buckets_and_what_the_recording_lacks(recording):
    rec = vantrel.open(recording[0])
    with pytest.raises(ValueError, match="buckets must be at least 1"):
        rec.envelope(0)
    with pytest.raises(IndexError, match="Channel 9 is not in the recording"):
        rec.envelope(10, channels=[9])
