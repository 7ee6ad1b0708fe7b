# SPDX-License-Identifier: BSD-3-Clause
"""The Python module against the command line: the same numbers, facts and messages."""

import ast
import hashlib
import json
import os
import pathlib
import pickle
import re
import shutil
import signal
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

from conftest import BUILD, CONVERT, MAKE_LARGE, Reference, column_facts, run_convert, same_bits

sys.path.insert(0, str(BUILD / "python"))
import vantrel  # noqa: E402

QUEUE_OFFSET = 60  # the queue follows the 60-byte header, two bytes (channel, range) each


def slices(scans):
    """Ranges of scans a caller may ask for: whole, empty, one scan, from the middle, from
    the end, negative and past the end."""
    return [(0, None), (0, 0), (1, 2), (scans // 3, scans // 3 * 2), (scans // 2, None),
            (-3, None), (-scans - 5, 2), (scans - 1, scans + 10), (scans + 4, None)]


def test_columns_are_named_as_the_command_line_names_them(references):
    """A Column's attributes are the keys `--info --json` gives each column, input_kind
    included (card type 4)."""
    ref = next(r for r in references if r.info["card_type"] == 4 and r.info["columns"])
    attributes = {name for name in dir(vantrel.Column) if not name.startswith("_")}
    columns = vantrel.open(ref.recording).columns
    assert [{name: getattr(c, name) for name in attributes} for c in columns] == \
        ref.info["columns"]


def test_every_recording_gives_the_command_lines_numbers_and_facts(references):
    for ref in references:
        rec = vantrel.open(ref.recording)
        info = ref.info
        for name in ["card_type", "card_name", "channel_count", "scan_count", "scan_rate_hz",
                     "start_date", "start_time", "order"]:
            assert getattr(rec, name) == info[name], (ref.recording.name, name)
        assert rec.display == info["display"]
        assert rec.start is not None and rec.start.isoformat(timespec="milliseconds") == \
            info["start_iso8601"]
        facts = {name: [getattr(c, name) for c in rec.columns] for name in column_facts(info)}
        assert facts == column_facts(info)
        assert rec.shape == ref.scaled.shape
        assert rec.duration_s == pytest.approx(rec.scan_count / rec.scan_rate_hz)

        assert same_bits(rec.scaled(), ref.scaled), ref.recording.name
        codes = rec.codes()
        assert codes.dtype == ref.code_dtype and np.array_equal(codes, ref.codes)
        scans = ref.scaled.shape[0]
        for start, stop in slices(scans):
            assert same_bits(rec.scaled(start, stop), ref.scaled[start:stop]), (start, stop)
            assert np.array_equal(rec.codes(start, stop), ref.codes[start:stop])
        for size in (1, 7, 65536):
            chunks = list(rec.chunks(size))
            assert all(c.shape[0] <= size for c in chunks)
            whole = np.concatenate(chunks) if chunks else np.empty((0, rec.shape[1]))
            assert same_bits(whole, ref.scaled)
        codes = list(rec.chunks(5, kind="codes"))
        assert np.array_equal(np.concatenate(codes) if codes else ref.codes, ref.codes)
        # --info --json's object, but for the digest that would read the whole file.
        assert rec.info() == {k: v for k, v in info.items() if k != "source_sha256"}
        again = pickle.loads(pickle.dumps(rec))
        assert same_bits(again.scaled(), ref.scaled) and again.info() == rec.info()


def test_a_pickled_recording_keeps_its_names(references, workdir):
    ref = next(r for r in references if r.info["channel_count"] > 1)
    sidecar = workdir / "pickled_channels.tsv"
    channel = ref.info["columns"][0]["channel"]
    sidecar.write_text(f"channel\tname\tunits\tgain\toffset\n{channel}\tload\tN\t2.5\t-1\n")
    rec = vantrel.open(ref.recording, names=sidecar)
    sidecar.unlink()  # the pickle holds the names, not the sidecar's path
    again = pickle.loads(pickle.dumps(rec))
    assert again.columns == rec.columns and again.columns[0].name == "load"
    assert same_bits(again.scaled(), rec.scaled())


def test_queue_entries_as_channel_and_range_label(references):
    custom = next(r for r in references if r.recording.name == "card1-custom-queue.daq")
    assert vantrel.open(custom.recording).queue == [(2, "+/-0.2V"), (0, "+/-10V"), (1, "+/-1V")]


def test_a_range_starts_with_the_value_the_whole_recording_carries_into_it(references, workdir):
    # Positions 0 and 1 without a rule repeat the value before them: position 2 of the scan
    # before, so every range that starts inside the recording depends on what precedes it.
    source = next(r for r in references if r.recording.name == "card1-custom-queue.daq")
    data = bytearray(source.recording.read_bytes())
    data[QUEUE_OFFSET + 1] = data[QUEUE_OFFSET + 3] = 5  # card 1 has no range 5
    carrying = workdir / "carrying.daq"
    carrying.write_bytes(bytes(data))
    ref = Reference(carrying, workdir)
    assert np.array_equal(ref.scaled[1:, 0], ref.scaled[:-1, 2])  # the recording carries
    rec = vantrel.open(carrying)
    for start, stop in slices(ref.scaled.shape[0]):
        assert same_bits(rec.scaled(start, stop), ref.scaled[start:stop]), (start, stop)
    chunks = rec.chunks(64)
    next(chunks)
    assert same_bits(next(chunks), ref.scaled[64:128])


def header(card_type=1, channels=1, scans=0, width=1, order=0, queue=()):
    """A recording header (the fields the cases below need) and its queue."""
    h = bytearray(QUEUE_OFFSET)
    h[0:10] = b"MervikDAQ1"
    h[10:12] = card_type.to_bytes(2, "little")
    h[12:14] = channels.to_bytes(2, "little")
    h[15:19] = scans.to_bytes(4, "little", signed=True)
    h[19:21] = width.to_bytes(2, "little")
    h[21:23] = order.to_bytes(2, "little")
    h[23:25] = (1).to_bytes(2, "little")
    h[33:35] = len(queue).to_bytes(2, "little")
    return bytes(h) + b"".join(bytes(entry) for entry in queue)


@pytest.mark.parametrize("content, read, error, message", [
    (None, "open", FileNotFoundError, None),
    ("folder", "open", IsADirectoryError, None),
    (b"not a recording", "open", vantrel.LoadError, "Isn't Mervik DAQ File!"),
    (header(scans=10) + b"\0" * 6, "open", vantrel.LoadError, "Read Input File Error!"),
    (header(scans=-1), "open", vantrel.LoadError, "File size is too large"),
    (header(card_type=5), "scaled", vantrel.RefusedError, "Unsupported card type!"),
    (header(channels=2, scans=1, order=2, queue=[(0, 1)]) + b"\0" * 4, "codes",
     vantrel.RefusedError, "Channel-Gain-Queue is too short!"),
    (header(card_type=4, scans=1, width=2, order=2, queue=[(9, 35)]) + b"\0" * 4, "chunks",
     vantrel.RefusedError, "Channel number out of range!"),
    (header(channels=1, scans=1, width=2) + b"\0" * 4, "scaled", vantrel.RefusedError,
     "Data width doesn't match card type!"),
])
def test_errors_carry_the_converters_messages(workdir, content, read, error, message):
    path = workdir / "case.daq"
    shutil.rmtree(path, ignore_errors=True)
    path.unlink(missing_ok=True)
    if content == "folder":
        path.mkdir()
    elif content is not None:
        path.write_bytes(content)
    with pytest.raises(error) as raised:
        rec = vantrel.open(path)
        if read == "chunks":
            rec.chunks()
        else:
            getattr(rec, read)()
    if message is None:
        assert raised.value.filename == str(path)
    else:
        assert str(raised.value) == message and isinstance(raised.value, vantrel.Error)
        # convert() says the same, with the same class.
        with pytest.raises(error, match="^" + message.replace("(", r"\(") + "$"):
            vantrel.convert(path, workdir / "case.out")


def test_a_file_that_changed_or_shrank_after_open(references, workdir):
    first, second = references[0].recording, references[1].recording
    path = workdir / "changing.daq"
    shutil.copy(first, path)
    rec = vantrel.open(path)
    shutil.copy(second, path)
    with pytest.raises(vantrel.LoadError, match="^Recording changed since it was opened!$"):
        rec.scaled()
    shutil.copy(first, path)
    with open(path, "r+b") as f:
        f.truncate(path.stat().st_size - 1)
    with pytest.raises(vantrel.LoadError, match="^Read Input File Error!$"):
        rec.codes()


def rewrite_samples(path):
    """The same bytes but the last sample's, in place: same size, same file."""
    data = bytearray(path.read_bytes())
    data[-1] ^= 0xFF
    with open(path, "r+b") as f:
        f.write(data)


def replace_with_copy(path):
    """An identical copy renamed over it: the same bytes in another file."""
    copy = path.with_name("copy-" + path.name)
    shutil.copy(path, copy)
    os.replace(copy, path)


@pytest.mark.parametrize("change, message", [
    (rewrite_samples, "Recording changed since it was opened!"),
    (replace_with_copy, "Recording changed since it was opened!"),
    (lambda path: os.utime(path), "Recording changed since it was opened!"),
    (lambda path: path.unlink(), "Recording deleted or moved since it was opened!"),
    (lambda path: path.rename(path.with_name("moved.daq")),
     "Recording deleted or moved since it was opened!"),
])
@pytest.mark.parametrize("read", ["scaled", "codes", "chunks", "later chunk", "unpickled"])
def test_a_file_rewritten_replaced_or_gone_after_open(references, workdir, change, message,
                                                      read):
    folder = workdir / "changed"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    path = folder / "run.daq"
    shutil.copy(references[0].recording, path)
    # Recorded long ago: any write now gives another modification time.
    os.utime(path, ns=(10**18, 10**18))
    rec = vantrel.open(path)
    chunks = rec.chunks(1)
    next(chunks)
    assert same_bits(rec.scaled(), references[0].scaled)  # unchanged, it reads
    pickled = pickle.dumps(rec)
    change(path)
    with pytest.raises(vantrel.LoadError) as raised:
        if read == "later chunk":
            next(chunks)
        elif read == "unpickled":  # in another process, say
            pickle.loads(pickled)
        elif read == "chunks":
            next(rec.chunks())
        else:
            getattr(rec, read)()
    assert str(raised.value) == message


def test_nul_in_a_path_raises_value_error_as_open_does(references, workdir):
    source = references[0].recording
    folder = workdir / "nul"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    with pytest.raises(ValueError, match="^embedded null byte$"):
        open(str(source) + "\0x")  # what Python itself says
    for path in (str(source) + "\0x", os.fsencode(source) + b"\0x",
                 pathlib.PurePosixPath(str(source) + "\0x")):
        with pytest.raises(ValueError, match="^embedded null byte$"):
            vantrel.open(path)
        with pytest.raises(ValueError, match="^embedded null byte$"):
            vantrel.convert(path, folder / "out.cvt")
    for output in (str(folder / "out.cvt") + "\0x", os.fsencode(folder / "out.cvt") + b"\0x"):
        with pytest.raises(ValueError, match="^embedded null byte$"):
            vantrel.convert(source, output)
    assert list(folder.iterdir()) == []  # no file under the name cut at the NUL


def windows_1252(raw):
    """Python's own cp1252, the five bytes it leaves undefined as the C1 control alike."""
    return "".join(chr(b) if b in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else bytes([b]).decode("cp1252")
                   for b in raw)


def test_header_texts_read_as_windows_1252_everywhere_alike(workdir):
    folder = workdir / "texts"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    every = bytes(range(1, 256))  # a NUL would end the text
    cases = []
    for i in range(0, len(every), 19):  # 8 bytes of date, 8 of time, 3 of milliseconds
        piece = every[i:i + 19].ljust(19, b"x")
        date, clock, millis = piece[:8], piece[8:16], piece[16:]
        h = bytearray(header())
        h[35:43], h[43:51], h[51:54] = date, clock, millis
        path = folder / f"texts{i:03}.daq"
        path.write_bytes(bytes(h))
        cases.append((path, windows_1252(date), windows_1252(clock) + "." + windows_1252(millis)))
    infos = json.loads(run_convert("--info", "--json", *[path for path, _, _ in cases]))
    for (path, date, clock), info in zip(cases, infos):
        rec = vantrel.open(path)
        assert (rec.start_date, rec.start_time) == (date, clock)
        assert (rec.display["Start date:"], rec.display["Start time:"]) == (date, clock)
        assert (info["start_date"], info["start_time"]) == (date, clock)
        assert info["display"] == rec.display
        assert info["header"]["start_date"] == date


def escaped(raw):
    """A path as --info --json gives it, from Python's own UTF-8 decoder: each byte that is
    not UTF-8 as \\xHH, a backslash that would read as such an escape as \\x5c."""
    text = re.sub(r"\\(?=x[0-9A-Fa-f]{2})", r"\\x5c", os.fsdecode(raw))
    return "".join(f"\\x{ord(c) - 0xDC00:02x}" if 0xDC80 <= ord(c) <= 0xDCFF else c
                   for c in text)


def unescaped(text):
    """The path's bytes again, as docs/command-line.md tells a script to get them."""
    return re.sub(rb"\\x([0-9a-fA-F]{2})", lambda m: bytes.fromhex(m[1].decode()),
                  text.encode())


def test_file_names_not_utf8_are_escaped_so_their_bytes_come_back(references, workdir):
    folder = os.fsencode(workdir / "names")
    shutil.rmtree(folder, ignore_errors=True)
    os.mkdir(folder)
    names = [b"\xe9t\xe9.daq", b"a\\x41\xff.daq", b"\xed\xa0\x80.daq", b"ok\xc3\xa9.daq",
             b"\\x5c\\.daq", b"\xf0\x9f\x98\x80\xc0\xaf.daq", b"\x1b[31m.daq"]
    paths = [os.path.join(folder, name) for name in names]
    for path in paths:
        shutil.copy(references[0].recording, path)
    done = subprocess.run([os.fsencode(CONVERT), b"--info", b"--json", *paths],
                          capture_output=True, check=True)
    infos = json.loads(done.stdout.decode("utf-8"))  # strict: valid UTF-8 throughout
    for path, name, info in zip(paths, names, infos):
        assert info["file"] == escaped(path)
        assert info["source_file"] == escaped(name)
        assert unescaped(info["file"]) == path and unescaped(info["source_file"]) == name
        assert info["display"] == json.loads(run_convert("--info", "--json",
                                                         references[0].recording))["display"]
        rec = vantrel.open(path)
        assert rec.path == os.fsdecode(path) and os.fsencode(rec.path) == path
        output = os.path.join(folder, name + b".out")
        assert vantrel.convert(path, output) == os.fsdecode(output)


def test_convert_writes_what_the_command_line_writes_in_every_format(references, workdir):
    rec = next(r for r in references if r.recording.name == "card1-custom-queue.daq")
    for name, extension, _ in vantrel.formats():
        ours = workdir / ("module" + extension)
        theirs = workdir / ("cli" + extension)
        assert vantrel.convert(rec.recording, ours, format=name, separator="tab",
                               title=False) == str(ours)
        run_convert("-f", name, "-s", "tab", "--no-title", "-o", theirs, rec.recording)
        if name == "mat":  # MATLAB 7.3 files carry the time their objects were made
            assert ours.stat().st_size == theirs.stat().st_size
        else:
            assert ours.read_bytes() == theirs.read_bytes(), name
    # The output path is derived as the command line derives it.
    copy = workdir / "derived.daq"
    shutil.copy(rec.recording, copy)
    assert vantrel.convert(copy, format="npy") == str(workdir / "derived.npy")
    with pytest.raises(ValueError, match="unknown format"):
        vantrel.convert(copy, format="xlsx")
    with pytest.raises(ValueError, match="unknown separator"):
        vantrel.convert(copy, separator=";")


def test_progress_reports_and_cancels_keeping_the_earlier_output(workdir):
    recording = workdir / "progress.daq"
    subprocess.run([str(MAKE_LARGE), str(recording), "4", "3000000"], check=True)
    output = workdir / "progress.bin"
    output.write_bytes(b"earlier output")
    calls = []
    vantrel.convert(recording, output, format="scaled-binary",
                    progress=lambda done, total: calls.append((done, total)))
    total = 4 * 3000000 * 2
    assert len(calls) > 1 and calls[-1] == (total, total)
    assert all(a[0] <= b[0] for a, b in zip(calls, calls[1:]))
    assert output.stat().st_size == total * 4

    output.write_bytes(b"earlier output")
    with pytest.raises(vantrel.CancelledError, match="^Conversion cancelled!$"):
        vantrel.convert(recording, output, progress=lambda done, total: False)
    with pytest.raises(ZeroDivisionError):
        vantrel.convert(recording, output, progress=lambda done, total: 1 / 0)
    assert output.read_bytes() == b"earlier output"
    recording.unlink()


def test_ctrl_c_at_the_last_chunk_raises_and_keeps_the_earlier_output(workdir):
    recording = workdir / "last-chunk.daq"
    subprocess.run([str(MAKE_LARGE), str(recording), "4", "300000"], check=True)
    folder = workdir / "last-chunk"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    for fmt in ("scaled-binary", "hdf5", "csv"):
        output = folder / ("out." + fmt)
        output.write_bytes(b"earlier output")

        def at_the_end(done, total):
            if done == total:
                signal.raise_signal(signal.SIGINT)

        with pytest.raises(KeyboardInterrupt):
            vantrel.convert(recording, output, format=fmt, progress=at_the_end)
        assert output.read_bytes() == b"earlier output", fmt
    assert sorted(p.name for p in folder.iterdir()) == ["out.csv", "out.hdf5", "out.scaled-binary"]


def test_ctrl_c_during_convert_raises_only_while_the_earlier_output_stands(workdir):
    """Ctrl-C at any moment: either convert() returns with the output in place, or the
    interrupt is raised while the earlier file still stands and it is left as it was; an
    interrupt that comes too late to cancel is raised after the output is in place."""
    recording = workdir / "interrupted.daq"
    subprocess.run([str(MAKE_LARGE), str(recording), "4", "1000000"], check=True)
    folder = workdir / "interrupted"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    output = folder / "out.bin"
    earlier = b"earlier output"
    started = time.monotonic()
    vantrel.convert(recording, output, format="scaled-binary")
    took = time.monotonic() - started
    complete = hashlib.sha256(output.read_bytes()).hexdigest()

    standing = []  # per handler run: whether the earlier file still stood

    def on_interrupt(signum, frame):
        standing.append(output.stat().st_size == len(earlier))
        raise KeyboardInterrupt

    previous = signal.signal(signal.SIGINT, on_interrupt)
    try:
        for fraction in (0.0, 0.1, 0.3, 0.5, 0.7, 0.9, 0.97, 1.0, 1.05, 1.3):
            output.write_bytes(earlier)
            standing.clear()
            timer = threading.Timer(took * fraction, os.kill, (os.getpid(), signal.SIGINT))
            returned = None
            interrupted = False
            try:
                timer.start()
                returned = vantrel.convert(recording, output, format="scaled-binary")
                timer.join()
                time.sleep(0.05)  # a late interrupt is handled here
            except KeyboardInterrupt:
                interrupted = True
            timer.join()
            kept = output.read_bytes() == earlier
            assert kept or hashlib.sha256(output.read_bytes()).hexdigest() == complete
            if returned is not None:
                assert returned == str(output) and not kept, fraction
            assert interrupted and standing, fraction
            # The interrupt the caller sees came while the earlier file stood exactly when it
            # still stands.
            assert standing[-1] == kept, (fraction, standing, kept)
            assert [p.name for p in folder.iterdir()] == ["out.bin"]  # no temporary left
    finally:
        signal.signal(signal.SIGINT, previous)


def test_threads_convert_at_once_as_one_by_one(references, workdir):
    jobs = [(r.recording, fmt) for r in references[:6] for fmt in ("hdf5", "scaled-text", "mat")]
    alone = {}
    for recording, fmt in jobs:
        out = workdir / f"alone-{recording.stem}-{fmt}"
        vantrel.convert(recording, out, format=fmt)
        alone[(recording, fmt)] = out.read_bytes()
    # MATLAB 7.3 files carry the time their objects were made: compared by their size.
    same = {"mat": lambda a, b: len(a) == len(b)}
    failures = []

    def work(recording, fmt):
        try:
            out = workdir / f"thread-{recording.stem}-{fmt}"
            vantrel.convert(recording, out, format=fmt)
            if not same.get(fmt, bytes.__eq__)(out.read_bytes(), alone[(recording, fmt)]):
                failures.append((recording.name, fmt))
        except Exception as e:  # reported below, with the others
            failures.append((recording.name, fmt, e))

    threads = [threading.Thread(target=work, args=job) for job in jobs]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert failures == []


def test_to_pandas(references):
    ref = next(r for r in references if r.recording.name == "card1-custom-queue.daq")
    frame = vantrel.open(ref.recording).to_pandas()
    assert list(frame.columns) == ["Channel_2", "Channel_0", "Channel_1"]
    assert frame.index.name == "time_s" and frame.index[1] == 1 / 250.0
    assert same_bits(frame.to_numpy(), ref.scaled)
    # Without pandas: an ImportError that says what to install.
    script = ("import sys; sys.modules['pandas'] = None; sys.path.insert(0, sys.argv[1]);"
              "import vantrel; vantrel.open(sys.argv[2]).to_pandas()")
    done = subprocess.run([sys.executable, "-c", script, str(BUILD / "python"),
                           str(ref.recording)], capture_output=True, text=True)
    assert done.returncode == 1
    assert "ImportError: Recording.to_pandas() needs pandas" in done.stderr


# The peak is VmHWM, which starts anew at exec (getrusage's would be the parent's).
CHUNK_MEMORY = """
import hashlib, sys
sys.path.insert(0, sys.argv[1])
import vantrel
def peak():
    with open("/proc/self/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmHWM:"))
rec = vantrel.open(sys.argv[2])
before = peak()
digest = hashlib.sha256()
for chunk in rec.chunks():
    digest.update(chunk.tobytes())
if sys.argv[3] == "whole":
    digest = hashlib.sha256(rec.scaled().tobytes())
print(digest.hexdigest(), (peak() - before) * 1024)
"""


def test_chunks_of_a_large_recording_keep_memory_bounded(tmp_path):
    folder = pathlib.Path("/dev/shm") if pathlib.Path("/dev/shm").is_dir() else tmp_path
    recording = folder / f"vantrel-chunks-{id(tmp_path)}.daq"
    scaled = recording.with_suffix(".bin")
    try:
        # 8 channels x 4 million scans: 64 MiB of samples, 256 MiB of doubles.
        subprocess.run([str(MAKE_LARGE), str(recording), "8", "4000000"], check=True)
        subprocess.run([str(CONVERT), "-f", "scaled-binary", "-o", str(scaled), str(recording)],
                       check=True, capture_output=True)
        expected = hashlib.sha256(scaled.read_bytes()).hexdigest()
        grown = {}
        for way in ("chunks", "whole"):
            done = subprocess.run([sys.executable, "-c", CHUNK_MEMORY, str(BUILD / "python"),
                                   str(recording), way], capture_output=True, text=True,
                                  check=True)
            digest, grown[way] = done.stdout.split()
            assert digest == expected
        assert int(grown["chunks"]) < 64 << 20
        assert int(grown["whole"]) > 256 << 20  # the measure sees the whole array
    finally:
        recording.unlink(missing_ok=True)
        scaled.unlink(missing_ok=True)


def test_convert_docstring_names_the_formats_each_option_changes(references, workdir):
    rec = next(r for r in references if r.recording.name == "card1-custom-queue.daq")
    doc = " ".join(vantrel.convert.__doc__.split())
    options = {"separator": "tab", "title": False, "compress": True, "decimal_comma": True}
    changes = {option: set() for option in options}
    for name, extension, _ in vantrel.formats():
        plain = workdir / ("plain" + extension)
        vantrel.convert(rec.recording, plain, format=name)
        # An HDF5 file (hdf5, mat) may carry the time its objects were made: compared by size.
        hdf5 = b"\x89HDF" in plain.read_bytes()[:520]
        for option, value in options.items():
            other = workdir / ("other" + extension)
            vantrel.convert(rec.recording, other, format=name, **{option: value})
            if (other.stat().st_size != plain.stat().st_size if hdf5
                    else other.read_bytes() != plain.read_bytes()):
                changes[option].add(name)
    for option in options:
        said = re.search(option + r"\b[^;]*?applies to (no format of this build|[\w-]+(?:, [\w-]+)*)",
                         doc)
        assert said, option
        named = set() if said[1] == "no format of this build" else set(said[1].split(", "))
        assert named == changes[option], option


def test_the_type_stub_names_what_the_module_has():
    stub = ast.parse((BUILD / "python" / "vantrel" / "__init__.pyi").read_text())
    names = {n.name for n in stub.body if isinstance(n, (ast.FunctionDef, ast.ClassDef))}
    names |= {n.target.id for n in stub.body if isinstance(n, ast.AnnAssign)}
    # Submodules (vantrel.dask) are Python files with their own annotations.
    public = {n for n in dir(vantrel) if not n.startswith("_")
              and not isinstance(getattr(vantrel, n), type(vantrel))} | {"__version__"}
    assert names - {"_Path"} == public
    recording = next(n for n in stub.body if isinstance(n, ast.ClassDef) and n.name == "Recording")
    members = {n.name for n in recording.body if isinstance(n, ast.FunctionDef)}
    assert members == {n for n in dir(vantrel.Recording) if not n.startswith("_")}
    for member in members | {"open", "convert", "formats"}:
        owner = vantrel.Recording if member in dir(vantrel.Recording) else vantrel
        assert getattr(owner, member).__doc__, member
