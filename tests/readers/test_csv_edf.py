# SPDX-License-Identifier: BSD-3-Clause
"""CSV read back by pandas and Python's csv module, EDF and BDF by MNE and by a parse of
their data records, compared with the scaled binary and codes text outputs: CSV bit for bit,
EDF and BDF through MNE to within half a code step of the column's scale (as far as the 8
characters EDF has for a physical extreme let a 24-bit scale be said), with the sample rate
and the channel names, and their records code for code."""

import csv
import math

import mne
import numpy as np
import pandas as pd

from conftest import run_convert, same_bits

SIXTEEN_BIT = (1, 2, 3, 8)


def read_csv(out, ref, comma):
    """The CSV file `out` read back with pandas and the csv module."""
    where = (out.name,)
    raw = out.read_bytes()
    assert raw.endswith(b"\r\n") and raw.count(b"\r\n") == ref.scaled.shape[0] + 1, where
    names = ["Channel_%d" % c["channel"] for c in ref.info["columns"]]
    rate = ref.info["scan_rate_hz"]
    timed = rate is not None and math.isfinite(rate) and rate > 0
    header = (["time_s"] if timed else []) + names
    if comma:
        table = pd.read_csv(out, sep=";", decimal=",", float_precision="round_trip")
    else:
        table = pd.read_csv(out, float_precision="round_trip")
    assert list(table.columns) == [n if i < len(header) and header.count(n) == 1
                                   else table.columns[i]
                                   for i, n in enumerate(header)], where
    values = table.iloc[:, 1 if timed else 0:].to_numpy(dtype="<f8")
    assert same_bits(values.reshape(ref.scaled.shape), ref.scaled), where
    if timed:
        expected = np.arange(ref.scaled.shape[0], dtype="<f8") / rate
        assert same_bits(table["time_s"].to_numpy(dtype="<f8"), expected), where
    if not comma:
        with open(out, newline="") as f:
            rows = list(csv.reader(f))
        assert rows[0] == header, where
        cells = np.array([[float(x) for x in row[1 if timed else 0:]]
                          for row in rows[1:]], dtype="<f8")
        assert same_bits(cells.reshape(ref.scaled.shape), ref.scaled), where


def test_csv_with_pandas_and_the_csv_module(references, workdir):
    for ref in references:
        for comma in (False, True):
            out = workdir / (ref.recording.stem + ("-comma" if comma else "") + ".csv")
            run_convert("-f", "csv", *(["--decimal-comma"] if comma else []), "-o", out,
                        ref.recording)
            read_csv(out, ref, comma)


def signal_fields(path, signals):
    """Per signal the physical minimum and maximum as the header writes them (8 characters
    each), and the digital ones. EDFlib adds an annotation signal after ours."""
    head = path.read_bytes()[:256 * (signals + 2)]
    count = signals + 1

    def field(offset, width):
        start = 256 + offset * count
        return [head[start + i * width:start + (i + 1) * width].decode().strip()
                for i in range(signals)]

    offset = 16 + 80  # past the label and transducer fields
    return (field(offset, 8), field(offset + 8, 8), field(offset + 16, 8),
            [int(v) for v in field(offset + 24, 8)], [int(v) for v in field(offset + 32, 8)])


# What a reader multiplies a physical value in each of our dimensions by to have volts.
UNIT = {"V": 1.0, "mV": 1e-3, "uV": 1e-6, "": 1.0}


def decimals(text):
    return len(text.split(".")[1]) if "." in text else 0


def signed_codes(ref):
    """The reference's codes as EDF and BDF hold them: 16-bit words signed."""
    codes = ref.codes.astype(np.int64)
    if ref.info["card_type"] in SIXTEEN_BIT:
        codes = np.where(codes >= 32768, codes - 65536, codes)
    return codes


def read_edf_with_mne(out, ref, fmt):
    """The EDF or BDF file `out` read back with MNE: its rate, its channel names, and each
    sample within half a code step of the scaled value (a column without a rule: its code)."""
    card = ref.info["card_type"]
    reader = mne.io.read_raw_bdf if fmt == "bdf" else mne.io.read_raw_edf
    raw = reader(out, preload=True, verbose="error")
    where = (out.name,)
    assert raw.info["sfreq"] == ref.info["scan_rate_hz"], where
    names = ["Channel_%d" % c["channel"] for c in ref.info["columns"]]
    if len(set(names)) == len(names):  # MNE renames a repeated channel
        assert raw.ch_names == names, where
    scans, channels = ref.scaled.shape
    data = raw.get_data().T
    # The last data record is completed with the last scan.
    assert data.shape[0] >= scans and np.all(data[scans:] == data[scans - 1]), where
    data = data[:scans]
    units, pmin, pmax, dmin, dmax = signal_fields(out, channels)
    codes = signed_codes(ref)
    for c in range(channels):
        if float(pmin[c]) == dmin[c] and float(pmax[c]) == dmax[c]:
            # A range without a rule: its codes, physical = digital.
            assert np.array_equal(data[:, c], codes[:, c]), (where, c)
            continue
        unit = UNIT[units[c]]
        step = (float(pmax[c]) - float(pmin[c])) / (dmax[c] - dmin[c]) * unit
        # The extremes are the rule's to the last of their 8 characters, which for a 24-bit
        # scale can be coarser than half a code step.
        said = 0.5 * 10.0 ** -min(decimals(pmin[c]), decimals(pmax[c])) * unit
        bound = step / 2 if card in SIXTEEN_BIT else max(step / 2, said) + step / 2
        error = np.abs(data[:, c] - ref.scaled[:, c]).max()
        assert error <= bound * (1 + 1e-9), (where, c, error, bound)


def header_field(raw, offset, width, count=1):
    """`count` fields of `width` characters from `offset` of an EDF or BDF header."""
    return [raw[offset + i * width:offset + (i + 1) * width].decode("ascii").strip()
            for i in range(count)]


def check_edf_records(where, raw, ref, fmt):
    """Parses the data records of an EDF or BDF file (`raw`, its bytes) and compares every
    sample of every signal with the reference's code, the padding of the last record with
    the last scan's: a byte lost, moved or overwritten anywhere fails."""
    width = 3 if fmt == "bdf" else 2
    scans, channels = ref.codes.shape
    header_bytes = int(header_field(raw, 184, 8)[0])
    records = int(header_field(raw, 236, 8)[0])
    duration = float(header_field(raw, 244, 8)[0])
    signals = int(header_field(raw, 252, 4)[0])
    # EDFlib adds its annotation signal after ours.
    assert signals == channels + 1 and header_bytes == 256 * (signals + 1), where
    labels = header_field(raw, 256, 16, signals)
    assert labels == ["Channel_%d" % c["channel"] for c in ref.info["columns"]] + [
        ("BDF" if fmt == "bdf" else "EDF") + " Annotations"], where

    def signal_numbers(offset, width_of):
        return [int(v) for v in header_field(raw, 256 + offset * signals, width_of, signals)]

    # Past label, transducer, dimension, physical extremes: digital extremes, then past the
    # prefilter, the samples per record.
    dmin = signal_numbers(16 + 80 + 8 + 8 + 8, 8)
    dmax = signal_numbers(16 + 80 + 8 + 8 + 8 + 8, 8)
    per_record = signal_numbers(16 + 80 + 8 * 5 + 80, 8)
    per = per_record[0]
    assert per_record[:channels] == [per] * channels, where
    assert math.isclose(per / duration, ref.info["scan_rate_hz"], rel_tol=1e-12), where
    assert records == -(-scans // per), where
    record_bytes = sum(per_record) * width
    assert len(raw) == header_bytes + records * record_bytes, where

    data = np.frombuffer(raw, dtype=np.uint8, offset=header_bytes).reshape(records, record_bytes)
    codes = signed_codes(ref)
    padded = np.concatenate([codes, np.repeat(codes[-1:], records * per - scans, axis=0)])
    for c in range(channels):
        part = data[:, c * per * width:(c + 1) * per * width].reshape(-1, width).astype(np.int64)
        held = part[:, 0] | part[:, 1] << 8
        if width == 3:
            held |= part[:, 2] << 16
        sign = 1 << (8 * width - 1)
        held = np.where(held & sign, held - 2 * sign, held)
        wrong = np.flatnonzero(held != padded[:, c])
        assert wrong.size == 0, (where, "signal", c, "first wrong sample (record, index)",
                                 divmod(int(wrong[0]), per) if wrong.size else None,
                                 "of", wrong.size)
        assert dmin[c] <= held.min() and held.max() <= dmax[c], (where, c)


def test_edf_and_bdf_with_mne_and_by_their_records(references, workdir):
    for ref in references:
        for fmt in ("edf", "bdf"):
            card = ref.info["card_type"]
            if ref.scaled.size == 0 or fmt == "edf" and card not in SIXTEEN_BIT:
                continue  # refused: no data record to write, or codes wider than 16 bits
            out = workdir / (ref.recording.stem + "." + fmt)
            run_convert("-f", fmt, "-o", out, ref.recording)
            read_edf_with_mne(out, ref, fmt)
            check_edf_records((out.name,), out.read_bytes(), ref, fmt)
