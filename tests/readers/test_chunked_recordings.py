# SPDX-License-Identifier: BSD-3-Clause
"""Recordings of many conversion chunks (65536 samples; 131072 for HDF5 and MATLAB 7.3),
a few MiB each, of seeded random codes with the extremes among them, read back by every
reader in every format. A writer's state carries over at each chunk boundary, and EDF's and
BDF's data records straddle them: odd channel counts put the boundaries mid-record, and
scan counts that are no multiple of a record leave a padded last record.

The references (the scaled binary and codes text outputs) are first checked against the
codes written and the scaling rules worked out here; each format is then read back against
them, and the text outputs and the data records of EDF and BDF compared code for code."""

import dataclasses

import numpy as np
import pytest

import recording_builder as rb
from conftest import Reference, run_convert, same_bits
from test_csv_edf import check_edf_records, read_csv, read_edf_with_mne
from test_formats import matlab_files, octave_read_back, read_hdf5, read_mat5, read_mat73, read_npy

L = rb.Layout
LAYOUTS = [
    # 12.5 Hz: records of 2 s (25 scans), the last one padded; 3855 scans a chunk.
    L("card1-17ch-ascending-12Hz5", 1, 17, 40_003, 12.5, seed=1),
    L("card3-33ch-descending-200mV", 3, 33, 50_001, 1000.0, order=1, range_code=25, seed=2),
    L("card2-3ch-descending", 2, 3, 400_001, 2500.0, order=1, seed=3),
    # Channels in a custom order, both ranges, and a range without a rule, whose samples
    # repeat the value before them, across chunks too.
    L("card8-64ch-custom", 8, 64, 20_011, 100.0, order=2, seed=4,
      queue=tuple(((c * 37) % 64, (1, 23, 23, 1, 2)[c % 5]) for c in range(64))),
    L("card1-5ch-custom-every-range", 1, 5, 300_007, 12.5, order=2, seed=5,
      queue=((4, 25), (1, 1), (3, 10), (0, 23), (2, 5))),
    # Input kinds packed for channels 0 to 3 of the queue; 4 to 6 take kind 0.
    L("card4-7ch-custom-kinds", 4, 7, 100_003, 200.0, order=2, kinds=(0, 1, 2, 7), seed=6,
      queue=((6, 35), (2, 3), (0, 35), (5, 36), (3, 6), (1, 0), (4, 35))),
    # A whole number of records: none padded.
    L("card4-3ch-kind0-12V5", 4, 3, 250_000, 50.0, range_code=36, kinds=(0,), seed=7),
    L("card7-channel9-alone", 7, 1, 1_000_003, 10000.0, single_channel=9, seed=8),
    # 16 channels, 5000 scans of 1000 Hz: record 4 (scans 4000 to 4999) straddles the
    # chunk boundary at scan 4096.
    L("card1-16ch-1000Hz", 1, 16, 5000, 1000.0, seed=9),
    L("card7-16ch-1000Hz", 7, 16, 5000, 1000.0, seed=10),
]


@dataclasses.dataclass
class Case:
    layout: rb.Layout
    words: np.ndarray
    ref: Reference


@pytest.fixture(scope="module")
def cases(tmp_path_factory):
    folder = tmp_path_factory.mktemp("chunked")
    made = []
    for layout in LAYOUTS:
        recording = folder / (layout.name + ".daq")
        words = rb.write(layout, recording)
        made.append(Case(layout, words, Reference(recording, folder)))
    return made


def test_references_hold_the_codes_written_and_their_scaled_values(cases):
    for case in cases:
        layout, ref = case.layout, case.ref
        where = layout.name
        assert case.words.size > 65536, where  # more than one chunk
        assert ref.info["scan_count"] == layout.scans and ref.info["channel_count"] == (
            layout.channels), where
        assert [c["channel"] for c in ref.info["columns"]] == rb.channel_numbers(layout), where
        assert np.array_equal(ref.codes, rb.output_codes(layout, case.words)), where
        assert same_bits(ref.scaled, rb.scaled_values(layout, case.words)), where


def table_text(title, labels, cells, rows, separator):
    """A text output as the converter must write it, from the cells' printf format."""
    line = separator.join([cells] * len(labels)) + "\r\n"
    head = (title + "\r\n" + separator.join("Channel_%-3d" % c for c in labels) + "\r\n")
    return (head + "".join(line % tuple(row) for row in rows.tolist())).encode("ascii")


def first_difference(a, b):
    at = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
    return at, a[max(0, at - 40):at + 40], b[max(0, at - 40):at + 40]


SEPARATORS = {"comma": ", ", "tab": "\t"}


@pytest.mark.parametrize("fmt, separator", [("scaled-text", "comma"), ("codes-text", "tab")])
def test_text_outputs_byte_for_byte(cases, fmt, separator):
    for case in cases:
        layout, ref = case.layout, case.ref
        out = ref.recording.with_suffix("." + fmt)
        run_convert("-f", fmt, "-s", separator, "-o", out, ref.recording)
        if fmt == "scaled-text":
            rows = rb.scaled_values(layout, case.words)
            cells = "%%11.%df" % rb.CELL_DECIMALS[layout.card]
        else:
            rows = rb.output_codes(layout, case.words)
            cells = "%11d"
        expected = table_text(";Mervik DAQ Data of Card " + ref.info["card_name"],
                              rb.channel_numbers(layout), cells, rows, SEPARATORS[separator])
        held = out.read_bytes()
        assert held == expected, (out.name, first_difference(held, expected))
        out.unlink()


# Each format's file, read back as its readers read it (h5py, SciPy, NumPy, pandas and the
# csv module, MNE and a parse of the data records), on every recording or on those named.
# Deflating a MATLAB 5 file of random codes is slow (matio deflates each variable whole):
# two recordings of many chunks have it.
DEFLATED = ("card2-3ch-descending", "card3-33ch-descending-200mV")
READ_BACK = {
    "hdf5": (lambda out, ref: read_hdf5(out, ref, False), None),
    "hdf5 --compress": (lambda out, ref: read_hdf5(out, ref, True), None),
    "mat": (read_mat73, None),
    "mat --compress": (read_mat73, None),
    "mat5": (read_mat5, None),
    "mat5 --compress": (read_mat5, DEFLATED),
    "npy": (read_npy, None),
    "csv": (lambda out, ref: read_csv(out, ref, False), None),
    "csv --decimal-comma": (lambda out, ref: read_csv(out, ref, True), None),
    "edf": (lambda out, ref: check_edf(out, ref, "edf"), None),
    "bdf": (lambda out, ref: check_edf(out, ref, "bdf"), None),
}


def check_edf(out, ref, fmt):
    read_edf_with_mne(out, ref, fmt)
    check_edf_records((out.name,), out.read_bytes(), ref, fmt)


@pytest.mark.parametrize("variant", list(READ_BACK))
def test_every_format_read_back(cases, variant):
    fmt, *options = variant.split()
    read_back, names = READ_BACK[variant]
    chosen = [case for case in cases if names is None or case.layout.name in names]
    assert len(chosen) == len(names or cases)
    for case in chosen:
        ref = case.ref
        if fmt == "edf" and case.layout.wide:
            continue  # EDF holds 16-bit samples: refused
        # MNE takes a file's kind from its extension.
        out = ref.recording.with_name(ref.recording.stem + "-".join(["", *options]) + "." + fmt)
        run_convert("-f", fmt, *options, "-o", out, ref.recording)
        read_back(out, ref)
        out.unlink()


def test_octave_loads_both_matlab_versions(cases, tmp_path):
    files = matlab_files([case.ref for case in cases], tmp_path)
    octave_read_back(files, tmp_path)
