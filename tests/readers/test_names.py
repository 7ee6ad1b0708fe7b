# SPDX-License-Identifier: BSD-3-Clause
"""Channels named, given units and scaled through a transducer by a channels.tsv sidecar, in
every format, read back by the readers users have: the names wherever a format keeps them,
value x gain + offset in every scaled output (worked out here with NumPy, the same two
roundings), the codes untouched, and an identity sidecar byte for byte as none."""

import pathlib
import subprocess
import sys

import h5py
import numpy as np
import pandas as pd
import pytest
import scipy.io
import xarray

import recording_builder as rb
from conftest import BUILD, CONVERT, Reference, run_convert, same_bits
from test_csv_edf import UNIT, signal_fields

sys.path.insert(0, str(BUILD / "python"))
import vantrel  # noqa: E402

# Positions 0 to 4 hold channels 4, 1, 3, 0 and 2; several chunks of every format.
LAYOUT = rb.Layout("card1-5ch-custom-names", 1, 5, 150_007, 12.5, order=2, seed=11,
                   queue=((4, 25), (1, 1), (3, 10), (0, 23), (2, 1)))
SIDECAR = ("name\ttype\tunits\tchannel\tgain\toffset\n"
           "load\tMISC\tN\t4\t250.5\t-3\n"
           "Fz, left\tEEG\tuV\t1\t1e5\tn/a\n"
           "temp\tn/a\tdegC\t3\t100\t0.5\n"
           "ref\tn/a\tn/a\t0\tn/a\tn/a\n")
NAMES = ["load", "Fz, left", "temp", "ref", "Channel_2"]
UNITS = ["N", "uV", "degC", "V", "V"]
GAIN = [250.5, 1e5, 100.0, 1.0, 1.0]
OFFSET = [-3.0, 0.0, 0.5, 0.0, 0.0]


@pytest.fixture(scope="module")
def named(tmp_path_factory):
    folder = tmp_path_factory.mktemp("names")
    recording = folder / (LAYOUT.name + ".daq")
    rb.write(LAYOUT, recording)
    sidecar = folder / "channels.tsv"
    sidecar.write_text(SIDECAR)
    ref = Reference(recording, folder)
    expected = ref.scaled.copy()
    for p, (gain, offset) in enumerate(zip(GAIN, OFFSET)):
        if (gain, offset) != (1.0, 0.0):
            expected[:, p] = expected[:, p] * gain + offset
    return folder, recording, sidecar, ref, expected


def convert(folder, recording, fmt, *options):
    """The output of `fmt` with `options` (a sidecar named by its stem)."""
    words = [o.stem if isinstance(o, pathlib.Path) else o for o in options]
    out = folder / ("-".join([fmt, *words]) + ".out")
    run_convert("-f", fmt, *options, "-o", out, recording)
    return out


def test_a_sidecar_names_and_scales_every_format(named):
    folder, recording, sidecar, ref, expected = named
    sc = ["--names", sidecar]

    binary = np.fromfile(convert(folder, recording, "scaled-binary", *sc), "<f8")
    assert same_bits(binary.reshape(expected.shape), expected)
    assert same_bits(np.load(convert(folder, recording, "npy", *sc)), expected)

    table = pd.read_csv(convert(folder, recording, "csv", *sc), float_precision="round_trip",
                        index_col=0)
    assert list(table.columns) == NAMES
    assert same_bits(table.to_numpy(), expected)

    text = convert(folder, recording, "scaled-text", *sc, "--title-names").read_bytes()
    lines = text.split(b"\r\n")
    assert lines[1] == "  ".join(NAMES).encode()
    assert lines[3] == "  ".join("%11.7f" % v for v in expected[1]).encode()
    assert lines[-2] == "  ".join("%11.7f" % v for v in expected[-1]).encode()
    plain_title = convert(folder, recording, "scaled-text", *sc).read_bytes().split(b"\r\n")
    assert plain_title[1] == convert(folder, recording, "scaled-text").read_bytes().split(
        b"\r\n")[1]
    # The codes are never touched: only the title names the columns, when asked.
    plain_codes = convert(folder, recording, "codes-text").read_bytes()
    assert convert(folder, recording, "codes-text", *sc).read_bytes() == plain_codes
    named_codes = convert(folder, recording, "codes-text", *sc, "--title-names").read_bytes()
    assert named_codes.split(b"\r\n")[2:] == plain_codes.split(b"\r\n")[2:]

    with h5py.File(convert(folder, recording, "hdf5", *sc)) as f:
        assert same_bits(f["scaled"][()], expected)
        assert np.array_equal(f["codes"][()], ref.codes)
        attrs = f["scaled"].attrs
        assert [str(n) for n in attrs["name"]] == NAMES and list(attrs["unit"]) == UNITS
        assert list(attrs["type"]) == ["MISC", "EEG", "", "", ""]
        assert list(attrs["gain"]) == GAIN and list(attrs["offset"]) == OFFSET
        assert "units" not in attrs  # the columns' units differ
    with xarray.open_dataset(folder / "hdf5---names-channels.out", engine="h5netcdf") as ds:
        assert list(ds["name"].values) == NAMES and list(ds["unit"].values) == UNITS

    m = scipy.io.loadmat(convert(folder, recording, "mat5", *sc))
    assert same_bits(m["scaled"], expected) and np.array_equal(m["codes"], ref.codes)
    assert [str(n[0]) for n in m["name"].ravel()] == NAMES
    assert list(m["gain"].ravel()) == GAIN and list(m["offset"].ravel()) == OFFSET
    with h5py.File(convert(folder, recording, "mat", *sc)) as f:
        assert same_bits(f["scaled"][()].T, expected)
        assert np.array_equal(f["codes"][()].T, ref.codes)


def test_edf_and_bdf_take_the_names_units_and_transducer(named):
    folder, recording, sidecar, _, _ = named
    for fmt in ("edf", "bdf"):
        plain = convert(folder, recording, fmt)
        out = convert(folder, recording, fmt, "--names", sidecar)
        head = out.read_bytes()
        labels = [head[256 + 16 * s:256 + 16 * (s + 1)].decode().strip() for s in range(5)]
        assert labels == NAMES, fmt
        dims, lows, highs, dlow, dhigh = signal_fields(out, 5)
        pdims, plows, phighs, pdlow, pdhigh = signal_fields(plain, 5)
        assert (dlow, dhigh) == (pdlow, pdhigh), fmt
        assert dims == UNITS[:3] + pdims[3:], fmt
        for p in range(5):
            volts_low = float(plows[p]) * UNIT[pdims[p]]
            volts_high = float(phighs[p]) * UNIT[pdims[p]]
            if p >= 3:  # no transducer, the default unit: as without the sidecar
                assert (lows[p], highs[p]) == (plows[p], phighs[p]), (fmt, p)
                continue
            for field, volts in ((lows[p], volts_low), (highs[p], volts_high)):
                assert float(field) == pytest.approx(volts * GAIN[p] + OFFSET[p], rel=1e-5)
        # The data records are the codes, untouched.
        assert head[int(head[184:192]):] == plain.read_bytes()[int(head[184:192]):], fmt
        # An extreme the header's 8 characters cannot hold is refused, not cut short.
        wide = folder / "wide.tsv"
        wide.write_text("channel\tname\tgain\n1\tFz\t1e7\n")
        out = folder / ("wide." + fmt)
        done = subprocess.run([str(CONVERT), "-f", fmt, "--names", str(wide), "-o", str(out),
                               str(recording)], capture_output=True, text=True)
        assert done.returncode == 1 and not out.exists(), fmt
        assert "The physical range of Fz does not fit the 8 characters of an EDF header" \
            in done.stderr, fmt


def test_an_identity_sidecar_writes_the_same_bytes(named):
    folder, recording, _, ref, _ = named
    identity = folder / "identity.tsv"
    rows = ["channel\tname\ttype\tunits\tgain\toffset"]
    for column in ref.info["columns"]:
        rows.append("%d\tChannel_%d\tn/a\t%s\t1\t0" % (column["channel"], column["channel"],
                                                       column["unit"]))
    identity.write_text("\n".join(rows) + "\n")
    for fmt, _, _ in vantrel.formats():
        if fmt == "mat":
            continue  # MATLAB 7.3 files carry the time they were made
        plain = convert(folder, recording, fmt).read_bytes()
        assert convert(folder, recording, fmt, "--names", identity).read_bytes() == plain, fmt
    # Its variables, then, hold the same.
    with h5py.File(convert(folder, recording, "mat")) as plain, \
            h5py.File(convert(folder, recording, "mat", "--names", identity)) as named_file:
        assert set(plain) == set(named_file)
        for name in plain:
            if name != "#refs#" and plain[name].dtype.kind != "O":
                assert plain[name][()].tobytes() == named_file[name][()].tobytes(), name


@pytest.mark.parametrize("sidecar, message, status", [
    ("channel\tname\n9\tx\n", "s.tsv:2: field \"channel\": channel 9 is not in the recording!",
     2),
    ("channel\tgain\n1\tabc\n", "s.tsv:2: field \"gain\": \"abc\" is not a finite number other "
     "than zero", 2),
    ("name\n", "s.tsv:1: the header row has no column \"channel\"", 2),
])
def test_a_broken_sidecar_is_told_with_its_line_and_field(named, sidecar, message, status):
    folder, recording, _, _, _ = named
    path = folder / "s.tsv"
    path.write_text(sidecar)
    out = folder / "broken.csv"
    done = subprocess.run([str(CONVERT), "-f", "csv", "--names", str(path), "-o", str(out),
                           str(recording)], capture_output=True, text=True)
    assert done.returncode == status and message in done.stderr and not out.exists()
    with pytest.raises(IndexError if "not in the recording" in message else ValueError,
                       match=message.replace("(", r"\(").replace(")", r"\)")):
        vantrel.open(recording, names=path)


def test_the_module_names_scales_and_labels_its_frames(named):
    _, recording, sidecar, ref, expected = named
    rec = vantrel.open(recording, names=sidecar)
    assert [c.name for c in rec.columns] == NAMES and [c.unit for c in rec.columns] == UNITS
    assert same_bits(rec.scaled(), expected)
    assert same_bits(rec.scaled(100_000, 100_010), expected[100_000:100_010])
    assert np.array_equal(rec.codes(), ref.codes)
    assert same_bits(np.concatenate(list(rec.chunks(4096))), expected)
    # The envelope's buckets split the scans evenly, the shorter ones first.
    low, high = rec.envelope(7)
    sizes = [len(expected) // 7 + (b >= 7 - len(expected) % 7) for b in range(7)]
    ends = np.cumsum(sizes)
    for b, (start, end) in enumerate(zip(ends - sizes, ends)):
        assert same_bits(low[b], expected[start:end].min(axis=0)), b
        assert same_bits(high[b], expected[start:end].max(axis=0)), b
    frame = rec.to_pandas(channels=[3, 1])
    assert list(frame.columns) == ["temp", "Fz, left"]
    assert same_bits(frame.to_numpy(), expected[:, [2, 1]])
    by_dict = vantrel.open(recording, names={2: "aux"})
    assert [c.name for c in by_dict.columns][4] == "aux"
    assert same_bits(by_dict.scaled(), ref.scaled)
    with pytest.raises(ValueError, match="is channel 2's name too"):
        vantrel.open(recording, names={2: "aux", 3: "aux"})
