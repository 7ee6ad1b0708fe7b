# SPDX-License-Identifier: BSD-3-Clause
"""Recordings as Dask arrays, archives converted on a Dask cluster, recordings as Zarr stores.

    import vantrel.dask
    volts = vantrel.dask.from_recording("run1.daq")      # lazy, (scans, columns) float64
    volts.mean(axis=0).compute()                         # on the scheduler in use
    arrays, facts = vantrel.dask.open_many(paths)        # facts: a DataFrame, a row a file
    vantrel.dask.convert_many(paths, format="hdf5", output_dir="out", client=client)

Every block of an array reads its own range of scans when computed, in whichever process
(or machine) runs it: the graph holds the recording's path, names and the identity of its
file, never samples, and each worker opens the file itself. A file changed since the array
was made raises vantrel.LoadError ("Recording changed since it was opened!") on compute().
Dask, distributed and zarr are imported when first used (Debian: python3-dask,
python3-distributed, python3-zarr).
"""

from __future__ import annotations

import os
import pickle
from typing import TYPE_CHECKING, Any, Iterable, Literal, Optional, Sequence, SupportsIndex, Union

import numpy

import vantrel

if TYPE_CHECKING:
    import dask.array
    import distributed
    import pandas

__all__ = ["from_recording", "open_many", "convert_many", "to_zarr"]

_Path = Union[str, bytes, os.PathLike]
_Names = Union[_Path, dict, None]
_Kind = Literal["scaled", "codes"]

# Values a block holds by default: 32 MiB, many blocks to share out on a long recording, few
# enough that a task's own cost (scheduling, a fresh array's memory) stays small beside
# reading them, and a worker's thread holds one at a time well within 256 MiB.
_BLOCK_BYTES = 32 << 20


def _dask_array():
    try:
        import dask.array
    except ImportError as e:
        raise ImportError(
            "vantrel.dask needs Dask (Debian: apt-get install python3-dask; elsewhere: "
            "pip install dask)") from e
    return dask.array


def _opened(path_or_rec: Union[_Path, vantrel.Recording], names: _Names) -> vantrel.Recording:
    if isinstance(path_or_rec, vantrel.Recording):
        if names is not None:
            raise TypeError("names= goes with a path; a Recording is named when opened")
        return path_or_rec
    return vantrel.open(path_or_rec, names=names)


class _Blocks:
    """What a recording's Dask array reads its blocks from, as dask.array.from_array takes
    it: rows are scans, columns the selected ones. Pickled, it holds the pickled Recording,
    which is opened again the first time a block is read where it arrives, so that a file
    changed since raises in the task that reads it."""

    def __init__(self, recording: vantrel.Recording, kind: _Kind, selection: dict,
                 shape: tuple[int, int], dtype: numpy.dtype):
        self._recording: Optional[vantrel.Recording] = recording
        self._pickled: Optional[bytes] = None
        self._kind = kind
        self._selection = selection  # channels= or columns=, as scaled() takes them
        self.shape = shape
        self.dtype = dtype
        self.ndim = 2

    def __getstate__(self):
        pickled = self._pickled if self._pickled is not None else pickle.dumps(self._recording)
        return (pickled, self._kind, self._selection, self.shape, self.dtype.str)

    def __setstate__(self, state):
        self._pickled, self._kind, self._selection, self.shape, dtype = state
        self.dtype = numpy.dtype(dtype)
        self.ndim = 2
        self._recording = None

    def __getitem__(self, key):
        scans, columns = key
        if self._recording is None:
            self._recording = pickle.loads(self._pickled)
        read = getattr(self._recording, self._kind)
        start, stop, _ = scans.indices(self.shape[0])
        values = read(start, max(start, stop), **self._selection)
        return values[:, columns]


def from_recording(path: Union[_Path, vantrel.Recording], chunk_scans: Optional[int] = None, *,
                   channels: Optional[Iterable[SupportsIndex]] = None,
                   columns: Optional[Iterable[SupportsIndex]] = None, kind: _Kind = "scaled",
                   names: _Names = None) -> "dask.array.Array":
    """The recording's scaled values (kind="scaled", float64) or codes (kind="codes", uint16
    or int32) as a lazy dask.array.Array of shape (scans, columns), in blocks of
    `chunk_scans` scans (by default about 32 MiB each). Each block equals
    Recording.scaled(start, stop) (or codes()) bit for bit, the value carried into its first
    scan included. channels or columns keep those columns, as scaled() takes them; names
    names and scales them as vantrel.open() does. `path` may be a Recording already open.
    Raises what open() and scaled() raise for the recording and the selection at once."""
    da = _dask_array()
    if kind not in ("scaled", "codes"):
        raise ValueError(f'kind must be "scaled" or "codes", not "{kind}"')
    recording = _opened(path, names)
    selection = {}
    if channels is not None:
        selection["channels"] = list(channels)
    if columns is not None:
        selection["columns"] = list(columns)
    # No scan read: the recording's refusals and the selection's errors raise here.
    probe = getattr(recording, kind)(0, 0, **selection)
    scans = recording.shape[0]
    width = probe.shape[1]
    if chunk_scans is None:
        chunk_scans = max(1, _BLOCK_BYTES // max(1, width * probe.dtype.itemsize))
    elif chunk_scans < 1:
        raise ValueError("chunk_scans must be at least 1")
    blocks = _Blocks(recording, kind, selection, (scans, width), probe.dtype)
    from dask.base import tokenize
    name = "vantrel-" + kind + "-" + tokenize(recording.__getstate__(), selection, chunk_scans)
    return da.from_array(blocks, chunks=(chunk_scans, width), name=name, asarray=False,
                         fancy=False, inline_array=True, meta=probe[:0])


def open_many(paths: Iterable[_Path], chunk_scans: Optional[int] = None, *,
              channels: Optional[Iterable[SupportsIndex]] = None,
              columns: Optional[Iterable[SupportsIndex]] = None, kind: _Kind = "scaled",
              names: _Names = None) -> tuple[list[Optional["dask.array.Array"]], "pandas.DataFrame"]:
    """Every recording of `paths` as from_recording() gives it, and a pandas DataFrame of
    their facts, a row per path in the same order: the fields of vantrel-convert --info
    --json (nested ones as "header.scan_rate", "display.Card Type:"; lists, such as
    "columns" and "queue", in one cell), without source_sha256, which would read each whole
    file; "path" is the path as given. A path that does not open, or whose selection fails,
    has None for its array and the exception's message in the "error" column (as --info
    --json gives one); the others go on."""
    import pandas

    channels = None if channels is None else list(channels)
    columns = None if columns is None else list(columns)
    arrays = []
    rows = []
    for path in paths:
        try:
            recording = vantrel.open(path, names=names)
            arrays.append(from_recording(recording, chunk_scans, channels=channels,
                                         columns=columns, kind=kind))
            row = recording.info()
        except (vantrel.Error, OSError, IndexError, ValueError) as e:
            arrays.append(None)
            row = {"file": os.fsdecode(path), "error": str(e)}
        row["path"] = os.fsdecode(path)
        rows.append(row)
    return arrays, pandas.json_normalize(rows, max_level=1)


def _absolute(path: _Path) -> str:
    # Joined, not normalised: "link/.." is where the file system takes it.
    return os.path.join(os.getcwd(), os.fsdecode(path))


def _convert_one(source: str, output: str, batch: Sequence[str], options: dict) -> tuple:
    return vantrel._vantrel._convert_in_batch(source, output, batch, **options)


def convert_many(paths: Iterable[_Path], format: str = "scaled-text",
                 output_dir: Optional[_Path] = None, client: Optional["distributed.Client"] = None,
                 *, no_clobber: bool = False, **options: Any) -> "pandas.DataFrame":
    """Converts every path as `vantrel-convert -f FORMAT [--output-dir DIR] [--no-clobber]
    PATHS...` does, each input a Dask task on `client` (a distributed.Client; None: the
    scheduler in use, by default Dask's threads), and returns a pandas DataFrame, a row per
    input in their order: "input", "output", "outcome" ("written", "skipped", "refused" or
    "failed") and "message", the lines the command line prints for it ("Write to OUT
    successful!", "Skipped OUT: the file exists", or the reason it was refused or failed).
    The outputs are the command line's byte for byte. Two inputs whose outputs would be one
    file, and under no_clobber an existing output, are decided before any task runs, as the
    command line decides them; a failing input never stops the others. options are
    vantrel.convert()'s keywords (separator, title, compress, channels, names, ...).
    Relative paths are taken from this process's working folder and given to the workers,
    and in the table and the messages, as absolute ones; the workers must reach them
    (shared storage)."""
    import dask
    import pandas

    # A worker's working folder is not this one: relative paths are taken from this one.
    paths = [_absolute(p) for p in paths]
    if output_dir is not None:
        output_dir = _absolute(output_dir)
    plan = vantrel._vantrel._plan_batch(paths, format, output_dir, no_clobber)
    options = dict(options, format=format)
    # The batch's inputs once in the graph, not once in each task: a thousand inputs would
    # otherwise make a million paths to send.
    batch = dask.delayed(paths, traverse=False)
    rows = []
    tasks = []
    for source, output, refusal, skipped in plan:
        if refusal is not None:
            rows.append([source, output, "refused", refusal])
        elif skipped is not None:
            rows.append([source, output, "skipped", skipped])
        else:
            rows.append([source, output, None, None])
            tasks.append((len(rows) - 1,
                          dask.delayed(_convert_one, pure=False)(source, output, batch, options)))
    delayed = [task for _, task in tasks]
    if client is not None:
        ends = client.gather(client.compute(delayed))
    else:
        ends = dask.compute(*delayed)
    for (row, _), (end, messages) in zip(tasks, ends):
        rows[row][2:] = [end, "\n".join(messages)]
    return pandas.DataFrame(rows, columns=["input", "output", "outcome", "message"])


def to_zarr(path_or_rec: Union[_Path, vantrel.Recording], store: Any,
            chunk_scans: Optional[int] = None, *, names: _Names = None,
            overwrite: bool = False, compute: bool = True):
    """Writes the recording into `store` (a folder's path, or any zarr store the workers
    reach) as a Zarr group: "scaled" (float64) and "codes" (uint16 or int32), (scans,
    columns) each, chunked along the scans as from_recording() blocks them and written in
    parallel by Dask, block by block, on the scheduler in use; the group's attributes hold
    the recording's facts (Recording.info()), and each array's "_ARRAY_DIMENSIONS" ("time",
    "column") lets xarray.open_zarr() name its dimensions. An existing store is refused
    unless overwrite. Returns the zarr group, or with compute=False the Dask delayed value
    that writes the arrays when computed."""
    import dask
    import zarr

    recording = _opened(path_or_rec, names)
    arrays = {kind: from_recording(recording, chunk_scans, kind=kind)
              for kind in ("scaled", "codes")}
    group = zarr.open_group(store, mode="w" if overwrite else "w-")
    group.attrs.update(recording.info())
    targets = []
    for kind, array in arrays.items():
        target = group.create_dataset(kind, shape=array.shape, dtype=array.dtype,
                                      chunks=tuple(max(1, n) for n in array.chunksize))
        target.attrs["_ARRAY_DIMENSIONS"] = ["time", "column"]
        targets.append(target)
    # Blocks and chunks coincide: no two tasks write one chunk, so no lock is needed.
    written = _dask_array().store(list(arrays.values()), targets, lock=False, compute=False)
    if not compute:
        return written
    dask.compute(written)
    return group
