# SPDX-License-Identifier: BSD-3-Clause
"""Each analysis format read back by the readers users have: h5py, SciPy, NumPy and GNU
Octave. Its numbers must be those of the scaled binary output (bit for bit) and of the
codes text output, and its facts those `--info --json` gives. One test per format, over
every recording."""

import json
import math
import pathlib
import shutil
import subprocess

import h5py
import numpy as np
import pytest
import scipy.io
import xarray

from conftest import (COLUMN_FACTS, RECORDING_FACTS, TEXT_COLUMN_FACTS, column_facts,
                      run_convert, same_bits, scan_seconds, start_datenum)


def text(value):
    """A text attribute or variable as h5py, SciPy or Octave gives it."""
    if isinstance(value, bytes):
        return value.decode()
    if isinstance(value, np.ndarray):
        if value.dtype.kind == "U":
            return "".join(value.ravel())
        if value.dtype.kind in "ui":  # MATLAB 7.3 characters, as numbers
            return "".join(chr(c) for c in value.ravel())
        return text(value.ravel()[0])
    return str(value)


def check_facts(where, facts, info):
    """`facts` maps names to what the file holds; every fact `--info --json` has must be there
    with its value, and `start_iso8601` only where the texts read as a date and time."""
    for name in RECORDING_FACTS:
        if name not in info:
            assert name not in facts, (where, name)
            continue
        held = facts[name]
        expected = info[name]
        if isinstance(expected, str):
            assert text(held) == expected, (where, name)
        elif isinstance(expected, float) or expected is None:
            number = float(np.asarray(held).ravel()[0])
            assert (math.isnan(number) if expected is None else number == expected), (where, name)
        else:
            assert int(np.asarray(held).ravel()[0]) == expected, (where, name)


def fact_names(info):
    """The name of every fact a file of `info`'s recording holds: those `--info --json` prints
    at its top level and for each column."""
    return {name for name in RECORDING_FACTS if name in info} | set(column_facts(info))


def check_columns(where, held, info):
    for name, expected in column_facts(info).items():
        values = held[name]
        if name in TEXT_COLUMN_FACTS:
            assert [text(v) for v in values] == expected, (where, name)
        else:
            assert [int(v) for v in np.asarray(values).ravel()] == expected, (where, name)


# What makes an HDF5 output a netCDF-4 file after CF's conventions, beside the facts.
NETCDF_DATASETS = {"time", "column", "channel", "range_label", "name", "unit"}
TABLE_DESCRIPTION = {"long_name", "coordinates", "units", "DIMENSION_LIST"}


def read_as_netcdf(out, ref):
    """The HDF5 file `out` opened by xarray through both netCDF engines, and by ncdump: a
    Dataset of scaled(time, column) and codes(time, column) with the column facts as
    coordinates and time_s as its time, "seconds since" the start where it reads."""
    where = (out.name,)
    columns = ref.info["columns"]
    seconds = scan_seconds(ref.info)
    for engine in ("h5netcdf", "netcdf4"):
        with xarray.open_dataset(out, engine=engine, decode_times=False) as ds:
            assert ds["scaled"].dims == ("time", "column"), (where, engine)
            assert ds["codes"].dims == ("time", "column"), (where, engine)
            assert same_bits(ds["scaled"].values, ref.scaled), (where, engine)
            assert np.array_equal(ds["codes"].values, ref.codes), (where, engine)
            assert set(ds.coords) == NETCDF_DATASETS, (where, engine)
            assert [int(c) for c in ds["channel"].values] == [c["channel"] for c in columns]
            assert list(ds["range_label"].values) == [c["range_label"] for c in columns]
            assert list(ds["name"].values) == ["Channel_%d" % c["channel"] for c in columns]
            for column, unit in zip(columns, ds["unit"].values):
                if ref.info["card_type"] != 4 and column["range_code"] == 1:  # a rule in volts
                    assert unit == "V", (where, column)
            time = ds["time"]
            if not columns:  # nothing to time: the times are left unwritten
                assert np.isnan(time.values).all(), where
            elif seconds is None:
                assert np.array_equal(time.values, np.arange(ref.scaled.shape[0])), where
            else:
                assert same_bits(time.values, seconds), where
                if "start_iso8601" in ref.info:
                    assert time.attrs["units"] == "seconds since " + ref.info["start_iso8601"]
                    assert time.attrs["calendar"] == "standard"
    if seconds is not None and "start_iso8601" in ref.info and seconds.size:
        # Decoded, the times are clock times (xarray multiplies floats: within a microsecond).
        with xarray.open_dataset(out, engine="h5netcdf") as ds:
            start = np.datetime64(ref.info["start_iso8601"], "ns")
            expected = start + np.round(seconds * 1e9).astype("timedelta64[ns]")
            error = np.abs((ds["time"].values - expected).astype(np.int64))
            assert error.max() < 1000, where
    done = subprocess.run(["ncdump", "-h", str(out)], capture_output=True, text=True)
    assert done.returncode == 0 and "scaled(time, column)" in done.stdout, (where, done.stderr)


def check_netcdf_shape(out, shape):
    """The HDF5 file `out` opened lazily by xarray through both engines, and by ncdump, as a
    Dataset of scaled(time, column) of `shape`, for files too large to compare whole."""
    for engine in ("h5netcdf", "netcdf4"):
        with xarray.open_dataset(out, engine=engine, decode_times=False) as ds:
            assert ds["scaled"].dims == ("time", "column") and ds["scaled"].shape == shape
    done = subprocess.run(["ncdump", "-h", str(out)], capture_output=True, text=True)
    assert done.returncode == 0 and "scaled(time, column)" in done.stdout, done.stderr


def read_hdf5(out, ref, compress):
    """The HDF5 file `out` read back with h5py: the reference's numbers, facts and columns,
    and as netCDF."""
    with h5py.File(out, "r") as f:
        where = (out.name,)
        assert same_bits(f["scaled"][()], ref.scaled), where
        assert f["codes"].dtype == ref.code_dtype, where
        assert np.array_equal(f["codes"][()], ref.codes), where
        if ref.scaled.size:
            assert f["scaled"].chunks[1] == ref.scaled.shape[1], where
            assert (f["scaled"].compression == "gzip") == compress, where
        check_facts(where, dict(f.attrs), ref.info)
        check_columns(where, dict(f["scaled"].attrs), ref.info)
        assert set(f) == {"scaled", "codes"} | NETCDF_DATASETS, where
        assert f.attrs["Conventions"] == "CF-1.8", where
        facts = set(f["scaled"].attrs) - TABLE_DESCRIPTION
        assert (set(f.attrs) - {"Conventions"}) | facts == fact_names(ref.info), where
        assert facts == set(column_facts(ref.info)), where
        assert ("input_kind" in f["scaled"].attrs) == (ref.info["card_type"] == 4)
    read_as_netcdf(out, ref)


def test_hdf5(references, workdir):
    for ref in references:
        for compress in ([], ["--compress"]):
            out = workdir / (ref.recording.stem + ("-z" if compress else "") + ".h5")
            run_convert("-f", "hdf5", *compress, "-o", out, ref.recording)
            read_hdf5(out, ref, bool(compress))


MATLAB_TABLES = {"scaled", "codes", "time_s", "start_datenum"}


def check_matlab_times(where, held, ref, as_column):
    """time_s, a column of every scan's seconds where the rate gives them, and start_datenum
    where the start reads (`as_column` turns a stored matrix into scans x 1)."""
    seconds = scan_seconds(ref.info) if ref.scaled.shape[1] else None  # no columns: no times
    assert ("time_s" in held) == (seconds is not None), where
    if seconds is not None and seconds.size:
        assert same_bits(as_column(np.asarray(held["time_s"])), seconds.reshape(-1, 1)), where
    datenum = start_datenum(ref.info)
    if datenum is not None:
        assert float(np.asarray(held["start_datenum"]).ravel()[0]) == datenum, where


def mat73_text(dataset):
    """A MATLAB 7.3 text: its characters, or "" where it is marked empty (its data are then
    its dimensions)."""
    return "" if dataset.attrs.get("MATLAB_empty", 0) else text(dataset[()])


def mat73_matrix(dataset, dtype):
    """A MATLAB 7.3 matrix as scans x channels: stored column by column (HDF5 sees channels
    x scans), or, when empty, as its dimensions under the MATLAB_empty attribute."""
    if dataset.attrs.get("MATLAB_empty", 0):
        return np.zeros(tuple(int(d) for d in dataset[()]), dtype=dtype)
    return dataset[()].T


def read_mat73(out, ref):
    """The MATLAB 7.3 file `out` read back with h5py."""
    assert out.read_bytes()[:19] == b"MATLAB 7.3 MAT-file"
    with h5py.File(out, "r") as f:
        where = (out.name,)
        # MATLAB stores its matrices column by column: HDF5 sees channels x scans.
        assert same_bits(mat73_matrix(f["scaled"], "<f8"), ref.scaled), where
        assert np.array_equal(mat73_matrix(f["codes"], ref.code_dtype), ref.codes), where
        assert f["scaled"].attrs["MATLAB_class"] == b"double"
        facts = {name: f[name][()] for name in f if name != "#refs#"}
        check_facts(where, facts, ref.info)
        check_matlab_times(where, facts, ref, lambda held: held.T)
        assert set(facts) - MATLAB_TABLES == fact_names(ref.info), where
        held = {name: facts[name] for name in COLUMN_FACTS if name in facts}
        for name in TEXT_COLUMN_FACTS:  # cell arrays: references to each text
            cells = [f[r] for r in f[name][()].ravel()] if ref.info["columns"] else []
            held[name] = [mat73_text(cell) for cell in cells]
        check_columns(where, held, ref.info)


def test_mat73_with_h5py(references, workdir):
    for ref in references:
        out = workdir / (ref.recording.stem + ".v73.mat")
        run_convert("-f", "mat", "-o", out, ref.recording)
        read_mat73(out, ref)


def read_mat5(out, ref):
    """The MATLAB 5 file `out` read back with SciPy."""
    m = scipy.io.loadmat(out)
    where = (out.name,)
    assert same_bits(m["scaled"].reshape(ref.scaled.shape), ref.scaled), where
    assert np.array_equal(m["codes"].reshape(ref.codes.shape), ref.codes), where
    assert m["codes"].dtype == ref.code_dtype.newbyteorder("="), where
    check_facts(where, m, ref.info)
    check_matlab_times(where, m, ref, lambda held: held)
    assert {name for name in m if not name.startswith("__")} - MATLAB_TABLES == \
        fact_names(ref.info), where
    held = dict(m)
    for name in TEXT_COLUMN_FACTS:
        held[name] = list(m[name].ravel()) if m[name].size else []
    check_columns(where, held, ref.info)


def test_mat5_with_scipy(references, workdir):
    for ref in references:
        out = workdir / (ref.recording.stem + ".v5.mat")
        run_convert("-f", "mat5", "-o", out, ref.recording)
        read_mat5(out, ref)


def read_npy(out, ref):
    """The NumPy file `out` read back with NumPy."""
    values = np.load(out)
    assert values.dtype == np.dtype("<f8") and not np.isfortran(values) or values.ndim < 2
    assert same_bits(values, ref.scaled), out.name


def test_npy(references, workdir):
    for ref in references:
        out = workdir / (ref.recording.stem + ".npy")
        run_convert("-f", "npy", "-o", out, ref.recording)
        read_npy(out, ref)


# Writes each file's matrices transposed back to scan order, and its facts one a line:
# "name<TAB>T:text" or "name<TAB>N:number" (MATLAB 7.3 texts reach Octave as numbers).
OCTAVE_DUMP = r"""
names = argv();
facts = {'card_type', 'card_name', 'channel_count', 'scan_count', 'scan_rate_hz', ...
         'start_date', 'start_time', 'start_iso8601', 'order', 'source_file', ...
         'source_sha256', 'converter'};
for i = 1:numel(names)
  s = load(names{i});
  f = fopen([names{i} '.scaled'], 'w'); fwrite(f, s.scaled', 'double'); fclose(f);
  f = fopen([names{i} '.codes'], 'w'); fwrite(f, s.codes', class(s.codes)); fclose(f);
  if isfield(s, 'time_s')
    f = fopen([names{i} '.time'], 'w'); fwrite(f, s.time_s, 'double'); fclose(f);
  end
  if isfield(s, 'start_datenum')
    f = fopen([names{i} '.datenum'], 'w');
    fprintf(f, '%.17g %s', s.start_datenum, datestr(s.start_datenum, 'yyyy-mm-ddTHH:MM:SS.FFF'));
    fclose(f);
  end
  f = fopen([names{i} '.facts'], 'w');
  for k = 1:numel(facts)
    if isfield(s, facts{k})
      v = s.(facts{k});
      if ischar(v)
        fprintf(f, '%s\tT:%s\n', facts{k}, v);
      elseif numel(v) == 1
        fprintf(f, '%s\tN:%.17g\n', facts{k}, double(v));
      else
        fprintf(f, '%s\tT:%s\n', facts{k}, char(v(:)'));
      end
    end
  end
  fclose(f);
end
"""


def octave_read_back(files, folder):
    """Loads every (reference, MATLAB file) of `files` in one run of GNU Octave and checks
    its matrices and facts."""
    octave = shutil.which("octave-cli") or shutil.which("octave")
    assert octave, "GNU Octave is part of the test setup (Debian octave)"
    script = folder / "dump.m"
    script.write_text(OCTAVE_DUMP)
    done = subprocess.run([octave, "--no-gui", "--norc", "-q", str(script),
                           *[str(out) for _, out in files]], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    for ref, out in files:
        where = (out.name,)
        scaled = np.fromfile(str(out) + ".scaled", dtype="<f8").reshape(ref.scaled.shape)
        assert same_bits(scaled, ref.scaled), where
        codes = np.fromfile(str(out) + ".codes", dtype=ref.code_dtype).reshape(ref.codes.shape)
        assert np.array_equal(codes, ref.codes), where
        with open(str(out) + ".facts") as lines:
            facts = dict(line.rstrip("\n").split("\t", 1) for line in lines)
        assert set(facts) == {n for n in RECORDING_FACTS if n in ref.info}, where
        seconds = scan_seconds(ref.info)
        if seconds is not None and ref.scaled.shape[1]:
            assert same_bits(np.fromfile(str(out) + ".time", dtype="<f8"), seconds), where
        if "start_iso8601" in ref.info:
            datenum, clock = pathlib.Path(str(out) + ".datenum").read_text().split()
            assert float(datenum) == start_datenum(ref.info), where
            assert clock == ref.info["start_iso8601"], where
        for name, value in facts.items():
            kind, value = value.split(":", 1)
            expected = ref.info[name]
            if isinstance(expected, str):
                held = value if kind == "T" else chr(int(float(value)))
                assert held == expected, (where, name)
            else:
                assert float(value) == float(expected), (where, name)


def matlab_files(references, folder):
    """Each recording converted to both MATLAB versions, as (reference, file) pairs."""
    files = []
    for ref in references:
        for fmt, suffix in (("mat", ".o73.mat"), ("mat5", ".o5.mat")):
            # Octave reads neither MATLAB 7.3's empty matrices nor its cell arrays.
            if fmt == "mat" and ref.scaled.size == 0:
                continue
            out = folder / (ref.recording.stem + suffix)
            run_convert("-f", fmt, "-o", out, ref.recording)
            files.append((ref, out))
    return files


def test_octave_loads_both_matlab_versions(references, workdir):
    octave_read_back(matlab_files(references, workdir), workdir)


def test_large_recording_in_every_format(large_reference):
    ref = large_reference
    folder = ref.recording.parent
    for fmt in ("hdf5", "mat", "mat5", "npy"):
        out = folder / ("large." + fmt)
        run_convert("-f", fmt, "-o", out, ref.recording)
        if fmt == "hdf5":
            with h5py.File(out, "r") as f:
                assert same_bits(f["scaled"][()], ref.scaled)
                assert np.array_equal(f["codes"][()], ref.codes)
                assert f.attrs["source_sha256"] == ref.info["source_sha256"]
            check_netcdf_shape(out, ref.scaled.shape)
        elif fmt == "mat":
            with h5py.File(out, "r") as f:
                assert same_bits(f["scaled"][()].T, ref.scaled)
        elif fmt == "mat5":
            m = scipy.io.loadmat(out, variable_names=["scaled"])
            assert same_bits(m["scaled"], ref.scaled)
        else:
            assert same_bits(np.load(out, mmap_mode="r"), ref.scaled)
        out.unlink()


def test_info_json_reports_refusals_and_failed_loads(workdir):
    card5 = workdir / "card5.daq"
    header = bytearray(60)
    header[0:10] = b"MervikDAQ1"
    header[10] = 5  # card type 5: named, not decoded
    header[12] = 1  # one channel, no scans
    card5.write_bytes(bytes(header))
    info = __import__("json").loads(run_convert("--info", "--json", card5))
    assert info["convertible"] is False and info["refusal"] == "Unsupported card type!"
    assert info["card_name"] == "MODEL_E" and info["display"]["Card Type:"] == "MODEL_E"

    bad = workdir / "bad.daq"
    bad.write_bytes(b"not a recording at all, not at all, not at all, not at all ok")
    done = subprocess.run([str(__import__("conftest").CONVERT), "--info", "--json", str(bad),
                           str(card5)], capture_output=True, text=True)
    assert done.returncode == 1
    both = __import__("json").loads(done.stdout)
    assert both[0] == {"file": str(bad), "error": "Isn't Mervik DAQ File!"}
    assert both[1]["file"] == str(card5)


def test_texts_that_are_not_utf8_reach_every_format_as_json_gives_them(workdir):
    """Header texts are Windows-1252 bytes and file names need not be UTF-8: the formats'
    strings (UTF-8) hold them as --info --json decodes them, so h5py and SciPy read them."""
    import recording_builder as rb
    folder = workdir / "texts"
    folder.mkdir()
    recording = folder / "r\xe9c.daq".encode("latin-1").decode("utf-8", "surrogateescape")
    rb.write(rb.Layout("texts", 1, 2, 10, 1000.0), recording)
    raw = bytearray(recording.read_bytes())
    raw[35:43] = b"\xe9t\xe9 99\x81\0"  # the start date's eight bytes
    recording.write_bytes(bytes(raw))
    info = json.loads(run_convert("--info", "--json", recording))
    assert info["start_date"] == "\xe9t\xe9 99\x81"
    assert info["source_file"] == "r\\xe9c.daq"
    run_convert("-f", "hdf5", "-o", folder / "t.h5", recording)
    run_convert("-f", "mat", "-o", folder / "t.mat", recording)
    run_convert("-f", "mat5", "-o", folder / "t5.mat", recording)
    for name in ("t.h5", "t.mat"):
        with h5py.File(folder / name) as f:
            held = f if name == "t.h5" else None
            if held is not None:
                assert held.attrs["start_date"] == info["start_date"]
                assert held.attrs["source_file"] == info["source_file"]
            else:
                date = f["start_date"][()]
                assert "".join(map(chr, np.ravel(date))) == info["start_date"], name
    # SciPy takes 16-bit characters by its own codec unless told they are UTF-16.
    mat5 = scipy.io.loadmat(folder / "t5.mat", uint16_codec="utf-16-le")
    assert str(mat5["start_date"][0]) == info["start_date"]
    assert str(mat5["source_file"][0]) == info["source_file"]
