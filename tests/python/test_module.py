"""The Python module against the command line: the same numbers, facts and messages."""

import ast
import hashlib
import pathlib
import shutil
import subprocess
import sys
import threading

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


def test_the_type_stub_names_what_the_module_has():
    stub = ast.parse((BUILD / "python" / "vantrel.pyi").read_text())
    names = {n.name for n in stub.body if isinstance(n, (ast.FunctionDef, ast.ClassDef))}
    names |= {n.target.id for n in stub.body if isinstance(n, ast.AnnAssign)}
    public = {n for n in dir(vantrel) if not n.startswith("_")} | {"__version__"}
    assert names - {"_Path"} == public
    recording = next(n for n in stub.body if isinstance(n, ast.ClassDef) and n.name == "Recording")
    members = {n.name for n in recording.body if isinstance(n, ast.FunctionDef)}
    assert members == {n for n in dir(vantrel.Recording) if not n.startswith("_")}
    for member in members | {"open", "convert", "formats"}:
        owner = vantrel.Recording if member in dir(vantrel.Recording) else vantrel
        assert getattr(owner, member).__doc__, member
