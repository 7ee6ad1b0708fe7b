# SPDX-License-Identifier: BSD-3-Clause
"""Recording files of the data-acquisition cards as NumPy arrays, and their conversion.

    rec = vantrel.open("run1.daq")
    volts = rec.scaled()          # float64, shape (scans, channels)
    vantrel.convert("run1.daq", format="hdf5")

vantrel.dask gives recordings as Dask arrays and converts archives on a Dask cluster.
"""

from ._vantrel import (
    CancelledError,
    ChunkIterator,
    Column,
    Error,
    LoadError,
    Recording,
    RefusedError,
    __version__,
    convert,
    converter,
    formats,
    open,
)

__all__ = [
    "CancelledError",
    "ChunkIterator",
    "Column",
    "Error",
    "LoadError",
    "Recording",
    "RefusedError",
    "convert",
    "converter",
    "formats",
    "open",
    "__version__",
]

# The compiled names are the package's own: reprs, help() and pickles name vantrel.Recording,
# so a pickle holds no path to the compiled part.
for _name in ("ChunkIterator", "Column", "Recording", "convert", "formats", "open"):
    globals()[_name].__module__ = __name__
del _name
