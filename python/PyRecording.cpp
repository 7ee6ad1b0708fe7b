// SPDX-License-Identifier: BSD-3-Clause
// vantrel.open and vantrel.Recording: a recording's facts at once, its samples as NumPy
// arrays on demand. The arrays are filled by the core's reader without the GIL, in pieces
// between which Ctrl-C is looked at.

#include "PyRecording.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "PyErrors.h"
#include "PyFiles.h"
#include "PyNames.h"
#include "PySelection.h"
#include "PyTimes.h"
#include "convert/formats/RecordingFacts.h"
#include "convert/formats/RecordingJson.h"
#include "convert/overview/Envelope.h"
#include "convert/run/ScanReader.h"
#include "convert/run/Selection.h"
#include "convert/scaling/PickColumns.h"
#include "recording/CardCatalogue.h"
#include "recording/HeaderText.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace vantrel::python {

namespace {

// Samples filled per piece without the GIL: large enough to cost nothing, small enough that
// Ctrl-C answers at once.
constexpr std::uint64_t kPieceSamples = std::uint64_t{1} << 22;

// What tells the file a recording was opened from: its place (device and inode, the file
// index on Windows) and its size and modification time, which a rewrite in place changes
// even when the size stays.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file at `path`; nullopt where no file is there. Other failures raise
// their OSError. Needs the GIL.
std::optional<FileIdentity> IdentityOf(const std::string& path) {
    py::object status;
    try {
        status = py::module_::import("os").attr("stat")(py::bytes(path));
    } catch (const py::error_already_set& e) {
        if (e.matches(PyExc_FileNotFoundError) || e.matches(PyExc_NotADirectoryError)) {
            return std::nullopt;
        }
        throw;
    }
    return FileIdentity{status.attr("st_dev").cast<std::uint64_t>(),
                        status.attr("st_ino").cast<std::uint64_t>(),
                        status.attr("st_size").cast<std::int64_t>(),
                        status.attr("st_mtime_ns").cast<std::int64_t>()};
}

// A recording's facts by the names the formats record them under, as VisitFacts hands
// them: each property of a Recording is the fact of its name.
class FactTable final : public FactVisitor {
  public:
    // The fact `name`, where the recording has it; it must be a T.
    template <typename T>
    const T* Find(const char* name) const {
        const auto at = values_.find(name);
        return at == values_.end() ? nullptr : &std::get<T>(at->second);
    }

    // The fact `name`, which every recording has.
    template <typename T>
    const T& Get(const char* name) const {
        const T* value = Find<T>(name);
        if (value == nullptr) {
            throw std::logic_error(std::string("no fact ") + name);
        }
        return *value;
    }

    bool Int(const char* name, std::int32_t value) override { return Hold(name, value); }
    bool Double(const char* name, double value) override { return Hold(name, value); }
    bool Text(const char* name, const std::string& value) override { return Hold(name, value); }
    bool Ints(const char* name, std::span<const std::int32_t> values) override {
        return Hold(name, std::vector<std::int32_t>(values.begin(), values.end()));
    }
    bool Texts(const char* name, std::span<const std::string> values) override {
        return Hold(name, std::vector<std::string>(values.begin(), values.end()));
    }
    bool Doubles(const char* name, std::span<const double> values) override {
        return Hold(name, std::vector<double>(values.begin(), values.end()));
    }
    bool Kinds(const char* name, std::span<const std::optional<std::int32_t>> values) override {
        return Hold(name, std::vector<std::optional<std::int32_t>>(values.begin(), values.end()));
    }

  private:
    using Value = std::variant<std::int32_t, double, std::string, std::vector<std::int32_t>,
                               std::vector<std::string>, std::vector<double>,
                               std::vector<std::optional<std::int32_t>>>;

    bool Hold(const char* name, Value value) {
        values_.insert_or_assign(name, std::move(value));
        return true;
    }

    std::map<std::string, Value, std::less<>> values_;
};

struct Recording {
    ScanRecording opened;
    FactTable facts;
    ChannelNames names;     // what names= gave
    FileIdentity identity;  // of the file when it was opened

    std::uint64_t channels() const { return opened.channels(); }
    std::uint64_t scans() const { return opened.scans(); }
};
using RecordingPtr = std::shared_ptr<Recording>;

struct Column {
    std::int32_t channel;
    std::int32_t rangeCode;
    std::string rangeLabel;
    std::optional<std::int32_t> inputKind;
    std::string name;
    std::string unit;
};

// The recording at `path` (the file system's bytes), named by `names`.
RecordingPtr OpenNamed(const std::string& text, ChannelNames names) {
    MessageLog log;
    std::optional<Result<ScanRecording>> opened;
    {
        const py::gil_scoped_release free;
        opened.emplace(OpenScanRecording(text, Platform{Files(), log}));
    }
    if (!*opened) {
        Raise(opened->failure(), text);
    }
    // Taken after the header was read: a change before this shows in the header and queue,
    // which each reader compares; one after it, in the identity.
    const auto identity = IdentityOf(text);
    if (!identity) {
        RaiseLoadError(kRecordingGoneMessage);
    }
    auto recording = std::make_shared<Recording>();
    // Opening reads no more than the header and queue: there is no digest of the file.
    ScanRecording& scans = **opened;
    const RecordingFacts facts = FactsOf(scans.recording, names);
    if (!names.empty()) {
        std::vector<std::int32_t> channels;
        for (const ColumnFacts& column : facts.columns) {
            channels.push_back(column.channel);
        }
        if (auto unknown = RefuseUnknownChannels(names, channels)) {
            Raise(Outcome{OutcomeKind::kNotInRecording, std::move(*unknown), {}}, text);
        }
    }
    scans.transducers = TransducersByPosition(facts);
    VisitFacts(facts, std::nullopt, recording->facts);
    recording->opened = std::move(scans);
    recording->names = std::move(names);
    recording->identity = *identity;
    return recording;
}

RecordingPtr OpenRecording(const py::handle& path, const py::handle& namesArgument) {
    ChannelNames names = NamesArgument(namesArgument);
    return OpenNamed(PathText(path), std::move(names));
}

// A pickled recording: its path, names and the file's identity but for the device, which
// names the mount (another machine mounts shared storage as another device).
py::tuple StateOf(const Recording& recording) {
    const FileIdentity& id = recording.identity;
    return py::make_tuple(py::bytes(recording.opened.recording.loadedPath),
                          NamesState(recording.names),
                          py::make_tuple(id.inode, id.size, id.modifiedNs));
}

bool SameFile(const FileIdentity& file, const py::tuple& pickled) {
    return file.inode == pickled[0].cast<std::uint64_t>() &&
           file.size == pickled[1].cast<std::int64_t>() &&
           file.modifiedNs == pickled[2].cast<std::int64_t>();
}

// The recording a pickle holds, opened again; LoadError where the file is no longer the one
// the pickled recording was opened from.
RecordingPtr FromState(const py::tuple& state) {
    const std::string path = state[0].cast<std::string>();
    const auto pickled = state[2].cast<py::tuple>();
    // Looked at before the header is read, so that a rewritten file raises as changed, not
    // as whatever its new bytes are.
    const auto before = IdentityOf(path);
    if (!before) {
        RaiseLoadError(kRecordingGoneMessage);
    }
    if (!SameFile(*before, pickled)) {
        RaiseLoadError(kRecordingChangedMessage);
    }
    RecordingPtr recording = OpenNamed(path, NamesFromState(state[1].cast<py::tuple>()));
    if (!SameFile(recording->identity, pickled)) {
        RaiseLoadError(kRecordingChangedMessage);
    }
    return recording;
}

// Raises LoadError unless the recording's path still names the file it was opened from,
// unchanged.
void CheckUnchanged(const Recording& recording) {
    const auto now = IdentityOf(recording.opened.recording.loadedPath);
    if (!now) {
        RaiseLoadError(kRecordingGoneMessage);
    }
    if (*now != recording.identity) {
        RaiseLoadError(kRecordingChangedMessage);
    }
}

ScanReader OpenReader(const Recording& recording, ScanValues values, MessageLog& log) {
    std::optional<Result<ScanReader>> reader;
    {
        const py::gil_scoped_release free;
        reader.emplace(ScanReader::Open(recording.opened, Platform{Files(), log}, values));
    }
    const std::string& path = recording.opened.recording.loadedPath;
    if (!*reader) {
        // The core reads a file that is gone as one it cannot read.
        if (!IdentityOf(path)) {
            RaiseLoadError(kRecordingGoneMessage);
        }
        Raise(reader->failure(), path);
    }
    // The reader opened the path anew: it must be the file the recording was opened from.
    CheckUnchanged(recording);
    return std::move(**reader);
}

// Scans per piece: whole scans, at least one.
std::uint64_t ScansPerPiece(const Recording& recording) {
    const std::uint64_t channels = recording.channels();
    return channels == 0 ? recording.scans() + 1
                         : std::max<std::uint64_t>(kPieceSamples / channels, 1);
}

// Runs step(scans) over `count` scans in pieces without the GIL. Raises the reader's
// message when a step fails and KeyboardInterrupt (or what a signal handler raised) when
// one ran.
template <typename Step>
void InPieces(const Recording& recording, std::uint64_t count, Step step) {
    const std::uint64_t perPiece = ScansPerPiece(recording);
    Outcome read;
    bool signalled = false;
    {
        const py::gil_scoped_release free;
        for (std::uint64_t done = 0; read.done() && !signalled && done < count;) {
            const std::uint64_t scans = std::min(perPiece, count - done);
            read = step(done, scans);
            done += scans;
            signalled = SignalRaised();
        }
    }
    if (signalled) {
        throw py::error_already_set();
    }
    if (!read.done()) {
        Raise(read, recording.opened.recording.loadedPath);
    }
}

// Reads `scans` scans into `out`, one element per sample of each.
template <typename T>
Outcome ReadScans(ScanReader& reader, std::uint64_t scans, std::span<T> out) {
    if constexpr (std::is_same_v<T, double>) {
        return reader.ReadScaled(scans, out);
    } else if constexpr (std::is_same_v<T, std::uint16_t>) {
        return reader.ReadWords(scans, out);
    } else {
        return reader.ReadCodes(scans, out);
    }
}

// The array of the scans and columns of `part`: scaled values (double) or codes (uint16 for
// the 16-bit cards, int32 for the 24-bit ones). The reader passes over the scans before the
// part unread; it reads whole scans and keeps the part's columns.
template <typename T>
py::array ReadInto(const Recording& recording, ScanReader& reader, const SelectedPart& part) {
    if (part.firstScan > reader.position()) {
        Outcome skipped;
        {
            const py::gil_scoped_release free;
            skipped = reader.SkipTo(part.firstScan);
        }
        if (!skipped.done()) {
            Raise(skipped, recording.opened.recording.loadedPath);
        }
    }
    const std::uint64_t channels = recording.channels();
    const std::uint64_t width = part.columns.size();
    py::array_t<T> out({static_cast<py::ssize_t>(part.scans), static_cast<py::ssize_t>(width)});
    T* data = out.mutable_data();
    // A piece of whole scans, where only some of their columns are kept.
    std::vector<T> whole;
    if (!part.everyColumn) {
        whole.resize(std::min(ScansPerPiece(recording), part.scans) * channels);
    }
    InPieces(recording, part.scans, [&](std::uint64_t done, std::uint64_t scans) {
        if (part.everyColumn) {
            return ReadScans(reader, scans, std::span<T>(data + done * channels, scans * channels));
        }
        Outcome read = ReadScans(reader, scans, std::span<T>(whole.data(), scans * channels));
        if (read.done()) {
            PickColumns(whole.data(), scans, channels, part.columns, data + done * width);
        }
        return read;
    });
    return out;
}

// The values read, once the file is seen unchanged after the read: a rewrite while it
// went on would have mixed two recordings.
py::array ReadValues(const Recording& recording, ScanReader& reader, ScanValues values,
                     const SelectedPart& part) {
    py::array read;
    if (values == ScanValues::kScaled) {
        read = ReadInto<double>(recording, reader, part);
    } else if (recording.opened.elementSize() == 2) {
        read = ReadInto<std::uint16_t>(recording, reader, part);
    } else {
        read = ReadInto<std::int32_t>(recording, reader, part);
    }
    CheckUnchanged(recording);
    return read;
}

// start and stop as Python slices take them: negative from the end, clipped to the scans.
std::pair<std::uint64_t, std::uint64_t> ScanRange(const Recording& recording,
                                                  const py::object& start, const py::object& stop) {
    const auto slice =
        py::reinterpret_steal<py::slice>(PySlice_New(start.ptr(), stop.ptr(), nullptr));
    if (!slice) {
        throw py::error_already_set();
    }
    py::ssize_t first = 0;
    py::ssize_t last = 0;
    py::ssize_t step = 0;
    py::ssize_t length = 0;
    if (!slice.compute(static_cast<py::ssize_t>(recording.scans()), &first, &last, &step,
                       &length)) {
        throw py::error_already_set();
    }
    return {static_cast<std::uint64_t>(first), static_cast<std::uint64_t>(length)};
}

// What a read is asked for: the scans start:stop, or those `scans` or `time` select, and the
// columns `channels` or `columns` select (every one where neither is given).
struct ReadArguments {
    py::object start = py::int_(0);
    py::object stop = py::none();
    py::object scans = py::none();
    py::object time = py::none();
    py::object channels = py::none();
    py::object columns = py::none();
};

// The selection of `arguments` but for start and stop; TypeError where both ways of giving
// the scans are used.
Selection SelectionOf(const ReadArguments& arguments) {
    const bool ranged = !arguments.scans.is_none() || !arguments.time.is_none();
    const bool bounded = !(arguments.start.is_none() || arguments.start.equal(py::int_(0))) ||
                         !arguments.stop.is_none();
    if (ranged && bounded) {
        throw py::type_error("give the scans as start and stop, or as scans or time, not both");
    }
    return python::SelectionOf(arguments.scans, arguments.time, arguments.channels,
                               arguments.columns);
}

// The scans and columns `selection` (and start and stop, where it takes no range) select,
// checked by the core as a conversion checks them: IndexError for what the recording does
// not hold, ValueError for a selection of nothing, with the command line's message.
SelectedPart PartOf(const Recording& recording, const Selection& selection,
                    const ReadArguments& arguments) {
    const LoadedRecording& held = recording.opened.recording;
    Result<SelectedPart> resolved = ResolveSelection(held, selection);
    if (!resolved) {
        Raise(resolved.failure(), held.loadedPath);
    }
    SelectedPart part = std::move(*resolved);
    if (!selection.scans && !selection.time) {
        std::tie(part.firstScan, part.scans) =
            ScanRange(recording, arguments.start, arguments.stop);
    }
    return part;
}

struct PartRead {
    SelectedPart part;
    py::array values;
};

PartRead Read(const Recording& recording, ScanValues values, const ReadArguments& arguments) {
    const Selection selection = SelectionOf(arguments);
    MessageLog log;
    // Opened first: a recording that cannot be converted is refused whatever is selected.
    ScanReader reader = OpenReader(recording, values, log);
    SelectedPart part = PartOf(recording, selection, arguments);
    py::array read = ReadValues(recording, reader, values, part);
    return {std::move(part), std::move(read)};
}

// rec.envelope(): the extremes of each selected column over `buckets` buckets of the selected
// scans, as (min, max) float64 arrays of shape (buckets, columns).
py::tuple EnvelopeOf(const Recording& recording, std::int64_t buckets,
                     const ReadArguments& arguments) {
    if (buckets < 1) {
        throw py::value_error("buckets must be at least 1");
    }
    const Selection selection = SelectionOf(arguments);
    MessageLog log;
    // Opened first, as every read: refusals and a changed file raise before the selection.
    OpenReader(recording, ScanValues::kScaled, log);
    const SelectedPart part = PartOf(recording, selection, arguments);
    std::optional<Result<Envelope>> read;
    {
        const py::gil_scoped_release free;
        read.emplace(ReadEnvelope(recording.opened, Platform{Files(), log}, part,
                                  static_cast<std::uint64_t>(buckets)));
    }
    if (!*read) {
        Raise(read->failure(), recording.opened.recording.loadedPath);
    }
    CheckUnchanged(recording);
    Envelope& envelope = **read;
    const auto shape = std::vector<py::ssize_t>{static_cast<py::ssize_t>(envelope.split.buckets),
                                                static_cast<py::ssize_t>(envelope.columns)};
    py::array_t<double> min(shape);
    py::array_t<double> max(shape);
    std::copy(envelope.min.begin(), envelope.min.end(), min.mutable_data());
    std::copy(envelope.max.begin(), envelope.max.end(), max.mutable_data());
    return py::make_tuple(std::move(min), std::move(max));
}

ScanValues ValuesOfKind(const std::string& kind) {
    if (kind == "scaled") {
        return ScanValues::kScaled;
    }
    if (kind == "codes") {
        return ScanValues::kCodes;
    }
    throw py::value_error("kind must be \"scaled\" or \"codes\", not \"" + kind + "\"");
}

// The iterator rec.chunks() returns: one reader over the whole recording, one chunk of
// scans per step, of the columns selected.
class ChunkIterator {
  public:
    ChunkIterator(RecordingPtr recording, ScanValues values, std::uint64_t scansPerChunk,
                  const ReadArguments& arguments)
        : recording_(std::move(recording)), values_(values), scansPerChunk_(scansPerChunk) {
        const Selection selection = SelectionOf(arguments);
        reader_.emplace(OpenReader(*recording_, values_, log_));
        columns_ = PartOf(*recording_, selection, arguments);
    }

    py::array Next() {
        // Another thread's step runs without the GIL; waiting for it here would hold the GIL
        // it needs to finish.
        const std::unique_lock<std::mutex> step(stepping_, std::try_to_lock);
        if (!step.owns_lock()) {
            throw py::value_error("chunks() iterator already executing");
        }
        const std::uint64_t position = reader_->position();
        if (position >= recording_->scans()) {
            throw py::stop_iteration();
        }
        SelectedPart chunk = columns_;
        chunk.firstScan = position;
        chunk.scans = std::min(scansPerChunk_, recording_->scans() - position);
        return ReadValues(*recording_, *reader_, values_, chunk);
    }

  private:
    RecordingPtr recording_;
    ScanValues values_;
    std::uint64_t scansPerChunk_;
    SelectedPart columns_;  // the columns each chunk keeps
    MessageLog log_;
    std::optional<ScanReader> reader_;
    std::mutex stepping_;
};

py::object StartOf(const Recording& recording) {
    const auto start = ParseStart(recording.facts.Get<std::string>(fact::kStartDate),
                                  recording.facts.Get<std::string>(fact::kStartTime), true);
    if (!start) {
        return py::none();
    }
    return py::module_::import("datetime")
        .attr("datetime")(start->year, start->month, start->day, start->hour, start->minute,
                          start->second, start->millis.value_or(0) * 1000);
}

// rec.times(): the time of each selected scan.
py::array TimesOf(const Recording& recording, const std::string& kind,
                  const ReadArguments& arguments) {
    const TimeBase base = TimeBaseArgument(kind);
    if (base == TimeBase::kNone) {
        throw py::value_error("kind must be \"relative\" or \"absolute\", not \"none\"");
    }
    const SelectedPart part = PartOf(recording, SelectionOf(arguments), arguments);
    return ScanTimes(recording.opened.recording.header, base, part.firstScan, part.scans);
}

py::object DataFrameOf(const Recording& recording, const ReadArguments& arguments,
                       const std::string& timeBase) {
    const TimeBase base = TimeBaseArgument(timeBase);
    if (const auto refusal = base == TimeBase::kAbsolute
                                 ? RefuseClockTimes(recording.opened.recording.header)
                                 : std::nullopt) {
        throw py::value_error(*refusal);  // before the samples are read
    }
    py::module_ pandas;
    try {
        pandas = py::module_::import("pandas");
    } catch (const py::error_already_set& e) {
        if (!e.matches(PyExc_ImportError)) {
            throw;
        }
        PyErr_SetString(PyExc_ImportError,
                        "Recording.to_pandas() needs pandas (Debian: apt-get install "
                        "python3-pandas; elsewhere: pip install pandas)");
        throw py::error_already_set();
    }
    const PartRead read = Read(recording, ScanValues::kScaled, arguments);
    const SelectedPart& part = read.part;
    const auto& columnNames = recording.facts.Get<std::vector<std::string>>(fact::kName);
    py::list names;
    for (const std::uint32_t position : part.columns) {
        names.append(columnNames.at(position));
    }
    // As the CSV output's time column: time_s where the rate is usable, the clock time, or
    // the scan number.
    const RecordingHeader& header = recording.opened.recording.header;
    const bool timed = base != TimeBase::kNone &&
                       (base == TimeBase::kAbsolute || ScanOffsets::At(header.scanRate()));
    const py::object index =
        !timed ? pandas.attr("RangeIndex")(part.firstScan, part.firstScan + part.scans,
                                           "name"_a = "scan")
        : base == TimeBase::kAbsolute
            ? pandas.attr("DatetimeIndex")(ScanTimes(header, base, part.firstScan, part.scans),
                                           "name"_a = "time")
            : pandas.attr("Index")(ScanTimes(header, base, part.firstScan, part.scans),
                                   "name"_a = "time_s");
    return pandas.attr("DataFrame")(read.values, "index"_a = index, "columns"_a = names,
                                    "copy"_a = false);
}

// rec.info(): --info --json's object, but for the digest of the whole file.
py::object InfoOf(const Recording& recording) {
    const ScanRecording& opened = recording.opened;
    const nlohmann::json info =
        DescribeRecording(opened.recording, opened.sampleBytes,
                          FactsOf(opened.recording, recording.names), std::nullopt);
    return py::module_::import("json").attr("loads")(info.dump());
}

py::str ReprOf(const Recording& recording) {
    const FactTable& f = recording.facts;
    return py::str("<vantrel.Recording {!r}: card {} ({}), {} channels x {} scans>")
        .format(PathObject(f.Get<std::string>(fact::kSourceFile)),
                f.Get<std::int32_t>(fact::kCardType), f.Get<std::string>(fact::kCardName),
                recording.channels(), recording.scans());
}

// One Column per position of a scan, from the column facts.
std::vector<Column> ColumnsOf(const FactTable& facts) {
    const auto& channels = facts.Get<std::vector<std::int32_t>>(fact::kChannel);
    const auto& ranges = facts.Get<std::vector<std::int32_t>>(fact::kRangeCode);
    const auto& labels = facts.Get<std::vector<std::string>>(fact::kRangeLabel);
    const auto* kinds = facts.Find<std::vector<std::optional<std::int32_t>>>(fact::kInputKind);
    const auto& names = facts.Get<std::vector<std::string>>(fact::kName);
    const auto& units = facts.Get<std::vector<std::string>>(fact::kUnit);
    std::vector<Column> columns;
    for (std::size_t p = 0; p < channels.size(); ++p) {
        columns.push_back({channels[p], ranges[p], labels[p],
                           kinds != nullptr ? (*kinds)[p] : std::nullopt, names[p], units[p]});
    }
    return columns;
}

// Defines the property that gives fact `name` of a recording, a T.
template <typename T>
void DefineFact(py::class_<Recording, RecordingPtr>& recording, const char* name, const char* doc) {
    recording.def_property_readonly(
        name, [name](const Recording& r) { return r.facts.Get<T>(name); }, doc);
}

// scaled() and codes(): the values of `values` the arguments select. A slice in the first
// place, rec.scaled(slice(100, 200)), is the scans.
auto ReaderOf(ScanValues values) {
    return [values](const Recording& r, py::object start, py::object stop, py::object scans,
                    py::object time, py::object channels, py::object columns) {
        if (PySlice_Check(start.ptr()) != 0 && stop.is_none() && scans.is_none()) {
            scans = std::exchange(start, py::int_(0));
        }
        return Read(r, values,
                    {std::move(start), std::move(stop), std::move(scans), std::move(time),
                     std::move(channels), std::move(columns)})
            .values;
    };
}

// What every read says of its selection arguments.
constexpr const char* kSelectionDoc =
    "scans=slice(first, stop) takes the scans a slice of scan numbers takes (an end below 0 "
    "counts from the end, a stop past the end stops there), time=(start, end) those whose "
    "time scan / rate lies in [start, end), either end None; channels=[...] keeps the columns "
    "of these channels (as title line 2 numbers them; one sampled twice a scan gives both), "
    "in this order, columns=[...] those at these positions in a scan. A range starts with the "
    "value the whole recording carries into it. A scan, channel or column the recording does "
    "not hold raises IndexError, a selection of nothing ValueError, with the command line's "
    "message.";

}  // namespace

void AddRecording(py::module_& module) {
    py::class_<Column>(module, "Column",
                       "One column of the arrays: the channel, its range and (card type 4) "
                       "its input kind, as the analysis formats record them.")
        .def_readonly(fact::kChannel, &Column::channel,
                      "Channel number as title line 2 names it (the position where it names "
                      "none).")
        .def_readonly(fact::kRangeCode, &Column::rangeCode, "Range code of the header or queue.")
        .def_readonly(fact::kRangeLabel, &Column::rangeLabel, "The range as text, e.g. \"+/-10V\".")
        .def_readonly(fact::kInputKind, &Column::inputKind, "Input kind (card type 4), else None.")
        .def_readonly(fact::kName, &Column::name,
                      "The name the channel was given (names=), else \"Channel_N\".")
        .def_readonly(fact::kUnit, &Column::unit,
                      "The unit of its scaled values: the one given, else \"V\" for a range "
                      "in volts, \"\" for none.")
        .def("__eq__",
             [](const Column& a, const Column& b) {
                 return a.channel == b.channel && a.rangeCode == b.rangeCode &&
                        a.rangeLabel == b.rangeLabel && a.inputKind == b.inputKind &&
                        a.name == b.name && a.unit == b.unit;
             })
        .def("__repr__", [](const Column& c) {
            std::string text = std::string("Column(") + fact::kChannel + "=" +
                               std::to_string(c.channel) + ", " + fact::kRangeCode + "=" +
                               std::to_string(c.rangeCode) + ", " + fact::kRangeLabel + "='" +
                               c.rangeLabel + "'";
            if (c.inputKind) {
                text += std::string(", ") + fact::kInputKind + "=" + std::to_string(*c.inputKind);
            }
            return text + ", " + fact::kName + "='" + c.name + "', " + fact::kUnit + "='" + c.unit +
                   "')";
        });

    py::class_<ChunkIterator>(module, "ChunkIterator",
                              "Consecutive chunks of a recording's scans (see Recording.chunks).")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &ChunkIterator::Next, "The next chunk of scans as an array.");

    py::class_<Recording, RecordingPtr> recording(
        module, "Recording",
        "A recording file's header, queue and facts; its samples are read from the file on "
        "demand. Made by open(). A read raises LoadError (\"Recording changed since it was "
        "opened!\", \"Recording deleted or moved since it was opened!\") once the path no "
        "longer names the file opened, as it was: same file, size and modification time. "
        "It pickles as its path, names and that identity: unpickled (in another process, "
        "on another machine that mounts the same file) it is opened again, and raises "
        "LoadError where the file is no longer the one first opened.");
    recording.def_property_readonly(
        "path", [](const Recording& r) { return PathObject(r.opened.recording.loadedPath); },
        "The path it was opened from.");
    DefineFact<std::int32_t>(recording, fact::kCardType, "Card type code.");
    DefineFact<std::string>(recording, fact::kCardName,
                            "The card's name (\"Unknown (N)\" for a type without one).");
    DefineFact<std::int32_t>(recording, fact::kChannelCount,
                             "Channels per scan, as the header holds it.");
    DefineFact<std::int32_t>(recording, fact::kScanCount, "Scans, as the header holds it.");
    recording.def_property_readonly(
        "shape", [](const Recording& r) { return py::make_tuple(r.scans(), r.channels()); },
        "(scans, channels): the shape of scaled() and codes().");
    DefineFact<double>(recording, fact::kScanRateHz, "Scans per second, as stored.");
    DefineFact<std::string>(recording, fact::kStartDate,
                            "Start date as the header's text (MM/DD/YY).");
    DefineFact<std::string>(recording, fact::kStartTime,
                            "Start time as the header's texts (HH:MM:SS.mmm).");
    recording.def_property_readonly(
        "start", &StartOf,
        "The start as a datetime.datetime where the date and time texts "
        "read as one, else None.");
    DefineFact<std::string>(recording, fact::kOrder,
                            "Channel order: \"0-1-2-3\", \"3-2-1-0\" or \"Custom\".");
    recording
        .def_property_readonly(
            "queue",
            [](const Recording& r) {
                py::list entries;
                for (const ChannelGainEntry& entry : r.opened.recording.queue) {
                    entries.append(py::make_tuple(entry.channel, RangeLabel(entry.rangeCode)));
                }
                return entries;
            },
            "The channel-gain queue: a list of (channel, range_label).")
        .def_property_readonly(
            "columns", [](const Recording& r) { return ColumnsOf(r.facts); },
            "One Column per position of a scan (custom order: as far as the queue reaches).")
        .def_property_readonly(
            "display",
            [](const Recording& r) {
                py::dict texts;
                for (const DisplayField field : kDisplayFields) {
                    texts[py::str(std::string(DisplayLabel(field)))] =
                        HeaderTextAsUtf8(r.opened.display[field]);
                }
                return texts;
            },
            "The ten texts the window and vantrel-convert --info show, keyed by their label "
            "(\"Card Type:\", ...).")
        .def_property_readonly(
            "duration_s",
            [](const Recording& r) { return DurationSeconds(r.opened.recording.header); },
            "Seconds the recording spans (scans / rate), or None where the rate is not a "
            "positive number.")
        .def("scaled", ReaderOf(ScanValues::kScaled), "start"_a = 0, "stop"_a = py::none(),
             py::kw_only(), "scans"_a = py::none(), "time"_a = py::none(),
             "channels"_a = py::none(), "columns"_a = py::none(),
             (std::string("Scaled values of scans [start, stop) as a float64 array of shape "
                          "(scans, channels): bit for bit the scaled binary output's, a sample "
                          "without a rule repeating the value before it across the whole "
                          "recording. start and stop are taken as a slice takes them. ") +
              kSelectionDoc)
                 .c_str())
        .def("codes", ReaderOf(ScanValues::kCodes), "start"_a = 0, "stop"_a = py::none(),
             py::kw_only(), "scans"_a = py::none(), "time"_a = py::none(),
             "channels"_a = py::none(), "columns"_a = py::none(),
             (std::string("Raw codes of scans [start, stop), shape (scans, channels): uint16 for "
                          "the 16-bit cards, int32 (24-bit codes, sign-extended) for card types "
                          "4 and 7; the codes text output's numbers. ") +
              kSelectionDoc)
                 .c_str())
        .def(
            "chunks",
            [](const RecordingPtr& r, std::int64_t scans, const std::string& kind,
               py::object channels, py::object columns) {
                if (scans < 1) {
                    throw py::value_error("scans must be at least 1");
                }
                ReadArguments arguments;
                arguments.channels = std::move(channels);
                arguments.columns = std::move(columns);
                return std::make_unique<ChunkIterator>(
                    r, ValuesOfKind(kind), static_cast<std::uint64_t>(scans), arguments);
            },
            "scans"_a = 65536, "kind"_a = "scaled", py::kw_only(), "channels"_a = py::none(),
            "columns"_a = py::none(),
            "An iterator of arrays of up to `scans` scans each (kind \"scaled\" or \"codes\") "
            "that together equal scaled() or codes(); memory holds one chunk at a time. "
            "channels or columns keep those columns only, as scaled() takes them.")
        .def(
            "envelope",
            [](const Recording& r, std::int64_t buckets, py::object scans, py::object time,
               py::object channels, py::object columns) {
                ReadArguments arguments;
                arguments.scans = std::move(scans);
                arguments.time = std::move(time);
                arguments.channels = std::move(channels);
                arguments.columns = std::move(columns);
                return EnvelopeOf(r, buckets, arguments);
            },
            "buckets"_a, py::kw_only(), "scans"_a = py::none(), "time"_a = py::none(),
            "channels"_a = py::none(), "columns"_a = py::none(),
            (std::string("The least and greatest scaled value of each column over `buckets` "
                         "buckets of the scans, as (min, max), two float64 arrays of shape "
                         "(buckets, columns), read in one pass over the file: a quick plot of "
                         "a long recording that hides no single-sample spike. The scans split "
                         "evenly, the shorter buckets first; there are never more buckets than "
                         "scans. ") +
             kSelectionDoc)
                .c_str())
        .def(
            "times",
            [](const Recording& r, const std::string& kind, py::object scans, py::object time) {
                ReadArguments arguments;
                arguments.scans = std::move(scans);
                arguments.time = std::move(time);
                return TimesOf(r, kind, arguments);
            },
            "kind"_a = "relative", py::kw_only(), "scans"_a = py::none(), "time"_a = py::none(),
            "The time of each scan (of those scans or time select): kind \"relative\" gives "
            "float64 seconds from the start (the scan number over the rate, the CSV output's "
            "time_s), \"absolute\" the clock time as datetime64[ns], the start plus scan / rate "
            "exact to the nanosecond (the header's local time, no zone). Raises ValueError where "
            "the rate or the start gives none.")
        .def(
            "to_pandas",
            [](const Recording& r, py::object scans, py::object time, py::object channels,
               py::object columns, const std::string& timeBase) {
                ReadArguments arguments;
                arguments.scans = std::move(scans);
                arguments.time = std::move(time);
                arguments.channels = std::move(channels);
                arguments.columns = std::move(columns);
                return DataFrameOf(r, arguments, timeBase);
            },
            py::kw_only(), "scans"_a = py::none(), "time"_a = py::none(), "channels"_a = py::none(),
            "columns"_a = py::none(), "time_base"_a = "relative",
            (std::string("The scaled values as a pandas.DataFrame, a column per selected "
                         "column named by its name (Channel_N unless names= named it), "
                         "indexed as time_base says: \"relative\" by time_s (the scan number "
                         "over the rate, as the CSV output's time_s; by scan number where the "
                         "rate is not a positive number), \"absolute\" by a DatetimeIndex "
                         "`time` of clock times (times(\"absolute\")), \"none\" by scan "
                         "number. Raises ImportError where pandas is not installed. ") +
             kSelectionDoc)
                .c_str())
        .def("info", &InfoOf,
             "The recording as a dict: the object vantrel-convert --info --json prints (the "
             "header's fields, the display texts, the queue, the facts of the recording and "
             "of each column, whether it can be converted), with the names given, but "
             "without source_sha256, which would read the whole file.")
        .def(py::pickle(&StateOf, &FromState))
        .def("__repr__", &ReprOf);

    module.def("open", &OpenRecording, "path"_a, py::kw_only(), "names"_a = py::none(),
               "Opens a recording file: reads its header and channel-gain queue (the samples "
               "are read by scaled(), codes() and chunks()). names, the path of a "
               "channels.tsv sidecar (as vantrel-convert --names takes it) or a dict of "
               "channel numbers to names (as --name), names the columns, gives their units "
               "and puts each scaled value through its channel's gain and offset; a channel "
               "the recording lacks raises IndexError, a sidecar that is not one ValueError "
               "with its line and field. Raises LoadError with the "
               "converter's message for a file that is not a recording or cannot be read, "
               "OSError (FileNotFoundError, ...) for a path that cannot be opened, and "
               "ValueError for a path with a NUL in it.");
}

}  // namespace vantrel::python
