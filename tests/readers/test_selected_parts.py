# SPDX-License-Identifier: BSD-3-Clause
"""A selected part of a recording (a range of scans, and columns by channel or position, in
any order, repeats allowed) converted into each format a library writes must hold exactly the
matching slice of the whole conversion, as the readers users have read them: the same doubles
and codes, the same EDF and BDF samples and signal fields, and the facts of the part (the
other formats' parts are compared byte for byte at every chunk size by the core's tests). Recordings of several
chunks, odd channel counts and custom queues, one per group of card rules; the ranges are
seeded-random, with the first and the last scan, single scans, and ranges across conversion
chunks and data records among them."""

import dataclasses
import datetime
import fractions
import math
import sys

import h5py
import mne
import numpy as np
import pytest
import scipy.io

import recording_builder as rb
from conftest import BUILD, COLUMN_FACTS, TEXT_COLUMN_FACTS, run_convert, same_bits
from test_formats import TABLE_DESCRIPTION, check_netcdf_shape, mat73_text, text

sys.path.insert(0, str(BUILD / "python"))
import vantrel  # noqa: E402

CHUNK_SAMPLES = 65536  # samples a conversion converts at a time
LIBRARY_FORMATS = ["hdf5", "mat", "mat5", "edf", "bdf"]

L = rb.Layout
LAYOUTS = [
    # Positions 0 and 1 have no rule (card 1 knows no range 5 or 3): each scan starts with
    # the carried value, the last value a rule gave in the scan before.
    L("card1-7ch-custom-carried", 1, 7, 150_001, 12.5, order=2, seed=21,
      queue=((3, 5), (1, 3), (6, 1), (0, 23), (6, 10), (2, 25), (5, 3))),
    L("card2-3ch-descending", 2, 3, 350_003, 2500.0, order=1, seed=22),
    # Channels 0 and 5 sampled twice a scan, ranges 1, 23 and 2 (no rule on card 8).
    L("card8-13ch-custom-twice", 8, 13, 80_021, 100.0, order=2, seed=23,
      queue=tuple(((c * 5) % 11, (1, 23, 2)[c % 3]) for c in range(13))),
    L("card4-5ch-custom-kinds", 4, 5, 120_007, 200.0, order=2, kinds=(0, 1, 2, 7), seed=24,
      queue=((4, 35), (2, 3), (0, 35), (3, 36), (1, 6))),
    L("card7-9ch-ascending", 7, 9, 70_001, 1000.0, seed=25),
]

BUILDER_START = "2026-12-08T09:41:07.250"  # the texts recording_builder writes
TEXT_FACTS = {"card_name", "start_date", "start_time", "start_iso8601", "order", "source_file",
              "source_sha256", "converter"}


@dataclasses.dataclass
class Part:
    """A selection as convert() takes it, and the scans and positions it must give."""
    arguments: dict
    first: int
    stop: int
    positions: list


def positions_of(layout, channels):
    held = rb.channel_numbers(layout)
    return [p for c in channels for p in range(layout.channels) if held[p] == c]


def parts_of(layout):
    """Seeded-random parts of `layout`: from the first scan with the columns reversed, to the
    last scan (a negative start, a stop past the end) with one column, one scan with a
    column twice, a range of several chunks by channel numbers, and a range of times."""
    rng = np.random.default_rng(layout.seed)
    n, width = layout.scans, layout.channels
    per_chunk = CHUNK_SAMPLES // width
    parts = []
    a = int(rng.integers(1, n // 8))
    parts.append(Part({"scans": slice(None, a), "columns": list(range(width))[::-1]}, 0, a,
                      list(range(width))[::-1]))
    b = int(rng.integers(1, n // 8))
    p = int(rng.integers(width))
    parts.append(Part({"scans": slice(-b, n + 7), "columns": [p]}, n - b, n, [p]))
    s = int(rng.integers(1, n - 1))
    p, q = (int(x) for x in rng.choice(width, 2, replace=False))
    parts.append(Part({"scans": slice(s, s + 1), "columns": [p, q, p]}, s, s + 1, [p, q, p]))
    length = int(rng.integers(2 * per_chunk + 1, 4 * per_chunk))
    s = int(rng.integers(1, n - length))
    held = rb.channel_numbers(layout)
    channels = [int(c) for c in rng.permutation(sorted(set(held)))[:max(2, width // 2)]]
    parts.append(Part({"scans": slice(s, s + length), "channels": channels}, s, s + length,
                      positions_of(layout, channels)))
    t0, t1 = sorted(float(t) for t in rng.uniform(0.0, n / layout.rate, 2))
    times = np.arange(n) / layout.rate
    inside = np.flatnonzero((times >= t0) & (times < t1))
    parts.append(Part({"time": (t0, t1)}, int(inside[0]), int(inside[-1]) + 1,
                      list(range(width))))
    return parts


@dataclasses.dataclass
class Case:
    layout: rb.Layout
    recording: object
    parts: list
    whole: dict  # per format name, the whole recording's output


@pytest.fixture(scope="module")
def cases(tmp_path_factory):
    folder = tmp_path_factory.mktemp("selected")
    made = []
    for layout in LAYOUTS:
        recording = folder / (layout.name + ".daq")
        rb.write(layout, recording)
        assert layout.scans * layout.channels > 8 * CHUNK_SAMPLES  # and about 2 MB each
        whole = {}
        for name, extension, _ in vantrel.formats():
            # The scaled binary output shows the carried values the cases are built on.
            if name not in LIBRARY_FORMATS + ["scaled-binary"] or (name == "edf" and layout.wide):
                continue  # EDF holds 16-bit samples
            whole[name] = folder / (layout.name + "-whole-" + name + extension)
            run_convert("-f", name, "-s", "tab", "-o", whole[name], recording)
        made.append(Case(layout, recording, parts_of(layout), whole))
    return made


def part_start(whole_start, first, rate):
    """The ISO 8601 time of scan `first`: the recording's start and first / rate, to the
    nanosecond (three decimals where on a millisecond)."""
    start = datetime.datetime.fromisoformat(whole_start)
    offset = fractions.Fraction(first) * 10 ** 9 / fractions.Fraction(rate)
    nanos = start.microsecond * 1000 + math.floor(offset + fractions.Fraction(1, 2))
    moved = start.replace(microsecond=0) + datetime.timedelta(seconds=nanos // 10 ** 9)
    fraction = nanos % 10 ** 9
    return moved.strftime("%Y-%m-%dT%H:%M:%S.") + (
        "%03d" % (fraction // 10 ** 6) if fraction % 10 ** 6 == 0 else "%09d" % fraction)


def plain(name, value):
    """A fact as h5py or SciPy holds it, as a str, a number or a list per column."""
    if name in TEXT_COLUMN_FACTS:
        return [text(v) for v in value]
    if name in COLUMN_FACTS:
        return [int(v) for v in np.ravel(value)]
    if name in TEXT_FACTS:
        return text(value)
    return np.ravel(value)[0].item()


def part_facts(whole, part, rate):
    """The facts a part's output must hold: the whole output's, with the part's columns,
    counts, first scan and start, and no digest of the file."""
    facts = dict(whole)
    for name in COLUMN_FACTS:
        if name in facts:
            facts[name] = [whole[name][p] for p in part.positions]
    facts["channel_count"] = len(part.positions)
    facts["scan_count"] = part.stop - part.first
    facts["first_scan"] = part.first
    if part.first > 0:
        facts["start_iso8601"] = part_start(whole["start_iso8601"], part.first, rate)
    del facts["source_sha256"]
    return facts


def analysis_file(name, path):
    """The scaled values, the codes (scans x columns), each scan's time and the facts of an
    hdf5, mat or mat5 file, as h5py and SciPy read them."""
    if name == "mat5":
        held = {k: v for k, v in scipy.io.loadmat(path).items() if not k.startswith("__")}
        for text_fact in TEXT_COLUMN_FACTS:
            held[text_fact] = list(held[text_fact].ravel())
    else:
        with h5py.File(path, "r") as f:
            if name == "hdf5":
                table = {k: v for k, v in f["scaled"].attrs.items() if k not in TABLE_DESCRIPTION}
                held = dict(f.attrs) | table
                held |= {array: f[array][()] for array in ("scaled", "codes")}
                held["time_s"] = f["time"][()]
            else:  # MATLAB 7.3 stores matrices column by column
                held = {k: f[k][()] for k in f if k != "#refs#"}
                for text_fact in TEXT_COLUMN_FACTS:
                    held[text_fact] = [mat73_text(f[r]) for r in held[text_fact].ravel()]
                held["scaled"], held["codes"] = held["scaled"].T, held["codes"].T
    scaled, codes, times = held.pop("scaled"), held.pop("codes"), held.pop("time_s").ravel()
    return scaled, codes, times, {k: plain(k, v) for k, v in held.items()}


def read_edf(path, width):
    """An EDF or BDF file's header fields, each signal's fields (label to prefilter), samples
    per record and samples, and the first record's annotations (of the annotation signal
    EDFlib adds after ours)."""
    raw = path.read_bytes()
    count = int(raw[252:256])

    def field(start, size):
        return raw[start:start + size].decode("ascii")

    columns, offset = [], 256
    for size in [16, 80, 8, 8, 8, 8, 8, 80, 8]:
        columns.append([field(offset + i * size, size) for i in range(count)])
        offset += size * count
    per_record = [int(v) for v in columns.pop()]
    records = int(field(236, 8))
    data = np.frombuffer(raw, np.uint8, offset=int(field(184, 8))).reshape(records, -1)
    samples, at = [], 0
    for per in per_record[:-1]:
        part = data[:, at:at + per * width].reshape(-1, width).astype(np.int64)
        value = part[:, 0] | part[:, 1] << 8 | (part[:, 2] << 16 if width == 3 else 0)
        sign = 1 << (8 * width - 1)
        samples.append(np.where(value & sign, value - 2 * sign, value))
        at += per * width
    return {"recording": field(88, 80), "start": field(168, 16), "records": records,
            "duration": float(field(244, 8)), "signals": list(zip(*columns))[:-1],
            "per_record": per_record[:-1], "samples": samples,
            "annotations": bytes(data[0, at:at + 40])}


def mne_data(path, fmt):
    reader = mne.io.read_raw_bdf if fmt == "bdf" else mne.io.read_raw_edf
    return reader(path, preload=True, verbose="error").get_data()


def check_edf(whole_path, selected, part, fmt, rate):
    width = 3 if fmt == "bdf" else 2
    whole, held = read_edf(whole_path, width), read_edf(selected, width)
    where = (selected.name,)
    assert held["signals"] == [whole["signals"][p] for p in part.positions], where
    scans = part.stop - part.first
    per = held["per_record"][0]
    assert held["per_record"] == [per] * len(part.positions), where
    assert per / held["duration"] == pytest.approx(rate, rel=1e-12), where
    assert held["records"] == -(-scans // per), where
    for j, p in enumerate(part.positions):
        expected = whole["samples"][p][part.first:part.stop]
        assert np.array_equal(held["samples"][j][:scans], expected), (where, j)
        assert np.all(held["samples"][j][scans:] == expected[-1]), (where, j)  # padding
    # The start moves to the part's first scan: the second in the header, the rest in the
    # first record's annotation; the recording field names the first scan.
    start = datetime.datetime.fromisoformat(part_start(BUILDER_START, part.first, rate))
    assert held["start"] == start.strftime("%d.%m.%y%H.%M.%S"), where
    onset = held["annotations"].split(b"\x14")[0]
    assert float(onset) == pytest.approx(start.microsecond / 1e6, abs=1e-7), where
    assert "first_scan=%d " % part.first in held["recording"] + " ", where
    # MNE reads the same physical values as from the whole file.
    theirs = mne_data(whole_path, fmt)[part.positions, part.first:part.stop]
    assert np.array_equal(mne_data(selected, fmt)[:, :scans], theirs), where


def selected_matches_whole(case, part, name, selected):
    layout, whole = case.layout, case.whole[name]
    picked = np.s_[part.first:part.stop, part.positions]
    shape = (part.stop - part.first, len(part.positions))
    if name in ("hdf5", "mat", "mat5"):
        *ours, times, facts = analysis_file(name, selected)
        *theirs, whole_times, whole_facts = analysis_file(name, whole)
        for held, expected in zip(ours, theirs):
            assert held.dtype == expected.dtype and held.shape == shape, selected.name
            assert same_bits(held.astype("<f8"), expected[picked].astype("<f8")), selected.name
        assert same_bits(times, whole_times[part.first:part.stop]), selected.name
        assert facts == part_facts(whole_facts, part, layout.rate), selected.name
        if name == "hdf5":
            check_netcdf_shape(selected, shape)
    else:
        assert name in ("edf", "bdf"), "no check for format " + name
        check_edf(whole, selected, part, name, layout.rate)


@pytest.mark.parametrize("name", [n for n, _, _ in vantrel.formats() if n in LIBRARY_FORMATS])
def test_every_format_holds_the_slice_of_the_whole_conversion(cases, name):
    extension = next(e for n, e, _ in vantrel.formats() if n == name)
    for case in cases:
        for k, part in enumerate(case.parts):
            selected = case.recording.with_name("%s-part%d-%s%s" % (
                case.layout.name, k, name, extension))
            if name == "edf" and case.layout.wide:
                with pytest.raises(vantrel.RefusedError, match="^EDF holds 16-bit samples"):
                    vantrel.convert(case.recording, selected, format=name, **part.arguments)
                continue
            vantrel.convert(case.recording, selected, format=name, separator="tab",
                            **part.arguments)
            selected_matches_whole(case, part, name, selected)
            selected.unlink()


def test_the_parts_reach_what_they_are_meant_to(cases):
    """The cases hold what they are for: the first and the last scan, one scan, one column,
    a column twice, columns reordered, a channel sampled twice, ranges across chunks and
    from inside data records, and a recording whose every scan starts with a carried value."""
    for case in cases:
        layout, parts = case.layout, case.parts
        per_chunk = CHUNK_SAMPLES // layout.channels
        assert parts[0].first == 0 and parts[1].stop == layout.scans
        assert parts[2].stop - parts[2].first == 1 and len(parts[1].positions) == 1
        assert parts[2].positions[0] == parts[2].positions[2]
        assert parts[0].positions == sorted(parts[0].positions, reverse=True)
        # Across chunks, from a scan inside a chunk and a data record of the whole file.
        record = read_edf(case.whole["bdf"], 3)["per_record"][0]
        assert parts[3].stop - parts[3].first > 2 * per_chunk and record > 1
        assert parts[3].first % per_chunk != 0 and parts[3].first % record != 0
        assert 0 < parts[4].first < parts[4].stop < layout.scans
    twice = next(c for c in cases if c.layout.name == "card8-13ch-custom-twice")
    assert len(twice.parts[3].positions) > len(twice.parts[3].arguments["channels"])
    carried = next(c for c in cases if c.layout.name == "card1-7ch-custom-carried")
    scaled = np.fromfile(carried.whole["scaled-binary"], "<f8").reshape(-1, 7)
    # Position 0 repeats position 5 of the scan before, the last with a rule.
    assert np.array_equal(scaled[1:, 0], scaled[:-1, 5])
    assert len(np.unique(scaled[:, 0])) > 1000
