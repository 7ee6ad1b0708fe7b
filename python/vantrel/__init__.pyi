# SPDX-License-Identifier: BSD-3-Clause
"""Recording files of the data-acquisition cards as NumPy arrays, and their conversion."""

import datetime
import os
from typing import Any, Callable, Iterable, Iterator, Literal, Optional, SupportsIndex, Union

import numpy
import numpy.typing

__version__: str
converter: str

_Path = Union[str, bytes, os.PathLike]
# time=(start, end): seconds from the recording's start, either end None.
_Times = tuple[Optional[float], Optional[float]]
# channels=[...] or columns=[...]: channel numbers or positions in a scan, in order.
_Numbers = Iterable[SupportsIndex]

class Error(Exception):
    """A conversion or read that failed; str(e) is the converter's message."""

class LoadError(Error):
    """The file is not a recording, or its header or samples cannot be read."""

class RefusedError(Error):
    """The recording cannot be converted soundly, or not into the chosen format."""

class CancelledError(Error):
    """The progress callback returned False."""

class Column:
    """One column of the arrays: its channel, range and (card type 4) input kind."""

    @property
    def channel(self) -> int: ...
    @property
    def range_code(self) -> int: ...
    @property
    def range_label(self) -> str: ...
    @property
    def input_kind(self) -> Optional[int]: ...
    @property
    def name(self) -> str: ...
    @property
    def unit(self) -> str: ...

class ChunkIterator(Iterator[numpy.ndarray]):
    """Consecutive chunks of a recording's scans."""

    def __iter__(self) -> "ChunkIterator": ...
    def __next__(self) -> numpy.ndarray: ...

class Recording:
    """A recording file's header, queue and facts; samples are read on demand."""

    @property
    def path(self) -> str: ...
    @property
    def card_type(self) -> int: ...
    @property
    def card_name(self) -> str: ...
    @property
    def channel_count(self) -> int: ...
    @property
    def scan_count(self) -> int: ...
    @property
    def shape(self) -> tuple[int, int]:
        """(scans, channels): the shape of scaled() and codes()."""
    @property
    def scan_rate_hz(self) -> float: ...
    @property
    def start_date(self) -> str: ...
    @property
    def start_time(self) -> str: ...
    @property
    def start(self) -> Optional[datetime.datetime]:
        """The start, where the date and time texts read as one."""
    @property
    def order(self) -> str:
        """"0-1-2-3", "3-2-1-0" or "Custom"."""
    @property
    def queue(self) -> list[tuple[int, str]]:
        """The channel-gain queue as (channel, range_label) entries."""
    @property
    def columns(self) -> list[Column]: ...
    @property
    def display(self) -> dict[str, str]:
        """The ten texts --info shows, keyed by their label ("Card Type:", ...)."""
    @property
    def duration_s(self) -> Optional[float]: ...
    def scaled(
        self,
        start: Union[int, slice, None] = 0,
        stop: Optional[int] = None,
        *,
        scans: Optional[slice] = None,
        time: Optional[_Times] = None,
        channels: Optional[_Numbers] = None,
        columns: Optional[_Numbers] = None,
    ) -> numpy.typing.NDArray[numpy.float64]:
        """Scaled values of scans [start, stop) (or those scans or time select), shape
        (scans, columns); channels or columns keep those columns, in that order."""
    def codes(
        self,
        start: Union[int, slice, None] = 0,
        stop: Optional[int] = None,
        *,
        scans: Optional[slice] = None,
        time: Optional[_Times] = None,
        channels: Optional[_Numbers] = None,
        columns: Optional[_Numbers] = None,
    ) -> numpy.ndarray:
        """Raw codes of scans [start, stop): uint16 (16-bit cards) or int32 (24-bit);
        selected as scaled() selects."""
    def chunks(
        self,
        scans: int = 65536,
        kind: Literal["scaled", "codes"] = "scaled",
        *,
        channels: Optional[_Numbers] = None,
        columns: Optional[_Numbers] = None,
    ) -> ChunkIterator:
        """Arrays of up to `scans` scans that together equal scaled() or codes()."""
    def envelope(
        self,
        buckets: int,
        *,
        scans: Optional[slice] = None,
        time: Optional[_Times] = None,
        channels: Optional[_Numbers] = None,
        columns: Optional[_Numbers] = None,
    ) -> tuple[numpy.typing.NDArray[numpy.float64], numpy.typing.NDArray[numpy.float64]]:
        """(min, max) of each column over `buckets` buckets of the scans, one file pass."""
    def times(
        self,
        kind: Literal["relative", "absolute"] = "relative",
        *,
        scans: Optional[slice] = None,
        time: Optional[_Times] = None,
    ) -> numpy.ndarray:
        """Each scan's time: float64 seconds from the start, or datetime64[ns] clock times
        exact to the nanosecond."""
    def info(self) -> dict[str, Any]:
        """vantrel-convert --info --json's object, but for source_sha256."""
    def to_pandas(
        self,
        *,
        scans: Optional[slice] = None,
        time: Optional[_Times] = None,
        channels: Optional[_Numbers] = None,
        columns: Optional[_Numbers] = None,
        time_base: Literal["relative", "absolute", "none"] = "relative",
    ) -> "pandas.DataFrame":  # noqa: F821
        """The scaled values as a DataFrame, one Channel_N column each, indexed by time_s,
        by a DatetimeIndex `time` (absolute) or by scan number (none)."""

# names=: a channels.tsv sidecar's path, or channel numbers mapped to names.
_Names = Union[_Path, dict[int, str], None]

def open(path: _Path, *, names: _Names = None) -> Recording:
    """Opens a recording file: its header and queue now, its samples on demand; names
    names the columns and scales them through each channel's gain and offset."""

def convert(
    input: _Path,
    output: Optional[_Path] = None,
    format: str = "scaled-text",
    separator: Literal["space", "tab", "comma"] = "space",
    title: bool = True,
    progress: Optional[Callable[[int, int], Optional[bool]]] = None,
    *,
    compress: bool = False,
    decimal_comma: bool = False,
    scans: Optional[slice] = None,
    time: Optional[_Times] = None,
    channels: Optional[_Numbers] = None,
    columns: Optional[_Numbers] = None,
    time_base: Literal["relative", "absolute", "none"] = "relative",
    names: _Names = None,
    title_names: bool = False,
) -> str:
    """Converts a recording as vantrel-convert does; returns the output path."""

def formats() -> list[tuple[str, str, str]]:
    """Every output format as (name, extension, description)."""
