// SPDX-License-Identifier: BSD-3-Clause
// HDF5 file: datasets /scaled (float64) and /codes (uint16 for 16-bit cards, int32 for the
// 24-bit ones), scans x channels, chunked along the scans (about 1 MiB a chunk) and
// written chunk by chunk as the samples stream; the column facts are attributes of
// /scaled, the recording's of the root group. With compression each chunk is shuffled and
// deflated.
//
// The file is netCDF-4 as well, after CF's conventions, so that labelled-array tools open
// it as a Dataset: dimension scales `time` (seconds from the start, "seconds since" the
// start where it reads) and `column` (each column's position in a scan) on both tables,
// and coordinates along `column` with each column's channel, range label, name and unit.

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <hdf5_hl.h>

#include "convert/formats/Hdf5Handle.h"
#include "convert/formats/LibraryWriters.h"
#include "convert/formats/RecordingFacts.h"
#include "convert/formats/ScanTime.h"
#include "convert/scaling/PickColumns.h"
#include "convert/scaling/SampleDecoding.h"
#include "convert/scaling/SampleScaler.h"
#include "convert/scaling/WidenCodes.h"
#include "convert/threads/WriteBehind.h"
#include "platform/ChunkMemory.h"
#include "platform/WriteRoom.h"
#include "recording/CardTable.h"
#include "recording/LittleEndian.h"

namespace vantrel {

namespace {

// Samples per chunk: 1 MiB of doubles.
constexpr std::uint64_t kChunkSamplesHdf5 = std::uint64_t{1} << 17;
// Chunks of rows in turn: one being written, one queued behind it, one being filled.
constexpr std::size_t kSetsHdf5 = 3;
// Columns whose facts are kept in the dataset's object header, as most files have them.
constexpr std::uint64_t kCompactColumns = 1024;
// The larger of a variable-length string's two forms: a pointer in memory, a heap reference
// (size, heap address, index) in the file.
constexpr std::size_t kVlenBytes = 16;

Hdf5Handle Property(hid_t kind) {
    return {H5Pcreate(kind), &H5Pclose};
}

// Attributes carry no creation time, so a file depends on its recording alone.
bool NoTimes(const Hdf5Handle& properties) {
    return properties && H5Pset_obj_track_times(properties.get(), false) >= 0;
}

bool WriteAttribute(hid_t at, const char* name, hid_t type, hsize_t count, const void* data,
                    bool scalar = false) {
    const Hdf5Handle space = scalar ? Hdf5Handle{H5Screate(H5S_SCALAR), &H5Sclose}
                                    : Hdf5Handle{H5Screate_simple(1, &count, nullptr), &H5Sclose};
    const Hdf5Handle attribute{H5Acreate2(at, name, type, space.get(), H5P_DEFAULT, H5P_DEFAULT),
                               &H5Aclose};
    // An attribute of no elements (a recording without channels) has nothing to write; the
    // library refuses a null buffer even then.
    return space && attribute && (count == 0 || H5Awrite(attribute.get(), type, data) >= 0);
}

// Variable-length UTF-8 strings, which h5py reads as str.
Hdf5Handle StringType() {
    Hdf5Handle type{H5Tcopy(H5T_C_S1), &H5Tclose};
    if (type &&
        (H5Tset_size(type.get(), H5T_VARIABLE) < 0 || H5Tset_cset(type.get(), H5T_CSET_UTF8) < 0)) {
        return {};
    }
    return type;
}

bool WriteStrings(hid_t at, const char* name, std::span<const std::string> values,
                  bool scalar = false) {
    const Hdf5Handle type = StringType();
    std::vector<const char*> pointers;
    for (const std::string& value : values) {
        pointers.push_back(value.c_str());
    }
    return type && WriteAttribute(at, name, type.get(), pointers.size(), pointers.data(), scalar);
}

bool WriteString(hid_t at, const char* name, const std::string& value) {
    return WriteStrings(at, name, std::span<const std::string>(&value, 1), true);
}

bool WriteInts(hid_t at, const char* name, std::span<const std::int32_t> values) {
    return WriteAttribute(at, name, H5T_NATIVE_INT32, values.size(), values.data());
}

// The column facts as attributes of /scaled, the recording's of the root group, in the
// order of the walk but for start_iso8601, which comes after every other: files have always
// had it there, and the attributes' order shows in the file's bytes.
class Hdf5Facts final : public FactVisitor {
  public:
    Hdf5Facts(hid_t scaled, hid_t root) : scaled_(scaled), root_(root) {}

    bool Int(const char* name, std::int32_t value) override {
        return WriteAttribute(root_, name, H5T_NATIVE_INT32, 1, &value, true);
    }
    bool Double(const char* name, double value) override {
        return WriteAttribute(root_, name, H5T_NATIVE_DOUBLE, 1, &value, true);
    }
    bool Text(const char* name, const std::string& value) override {
        if (std::string_view(name) == fact::kStartIso8601) {
            startIso8601_ = value;
            return true;
        }
        return WriteString(root_, name, value);
    }
    bool Ints(const char* name, std::span<const std::int32_t> values) override {
        return WriteInts(scaled_, name, values);
    }
    bool Texts(const char* name, std::span<const std::string> values) override {
        return WriteStrings(scaled_, name, values);
    }
    bool Doubles(const char* name, std::span<const double> values) override {
        return WriteAttribute(scaled_, name, H5T_NATIVE_DOUBLE, values.size(), values.data());
    }

    // Writes what was held back; true when that is nothing.
    bool Finish() {
        return !startIso8601_ || WriteString(root_, fact::kStartIso8601, *startIso8601_);
    }

  private:
    hid_t scaled_;
    hid_t root_;
    std::optional<std::string> startIso8601_;
};

// One dataset of scans x channels, chunked unless it is empty: its chunks are those of
// `shape`, whatever the chunks it is written in.
Hdf5Handle CreateDataset(hid_t file, const char* name, hid_t type, const TableShape& shape,
                         bool compress) {
    const hsize_t dims[2] = {shape.scans, shape.columns};
    const Hdf5Handle space{H5Screate_simple(2, dims, nullptr), &H5Sclose};
    const Hdf5Handle properties = Property(H5P_DATASET_CREATE);
    if (!space || !NoTimes(properties)) {
        return {};
    }
    // An object header holds attributes of up to 64 KiB each; the per-column facts of many
    // channels (16 bytes a range label) go to the dataset's dense attribute storage instead.
    if (shape.columns > kCompactColumns && H5Pset_attr_phase_change(properties.get(), 0, 0) < 0) {
        return {};
    }
    // Every value of every chunk is written (the last chunk's up to the end of the data).
    const Hdf5Handle access = Property(H5P_DATASET_ACCESS);
    const hsize_t chunk[2] = {shape.scansPerChunk, shape.columns};
    if (!access || (shape.scans > 0 && shape.columns > 0 &&
                    !SetWholeChunks(properties.get(), access.get(), 2, chunk, compress))) {
        return {};
    }
    return {H5Dcreate2(file, name, type, space.get(), H5P_DEFAULT, properties.get(), access.get()),
            &H5Dclose};
}

// How a vector's values are written.
enum class VectorValues {
    kOnce,         // all in one call, as the library fills and converts them (the coordinates)
    kWholeChunks,  // chunk by chunk, each whole, from our buffer (the times)
    kNever,        // not at all: they read as NaN, and the vector takes no room
};

// A dataset of one dimension of `count` values, chunked (and deflated where asked) when it
// holds any.
Hdf5Handle CreateVector(hid_t file, const char* name, hid_t type, hsize_t count, bool compress,
                        VectorValues values = VectorValues::kOnce) {
    const Hdf5Handle space{H5Screate_simple(1, &count, nullptr), &H5Sclose};
    const Hdf5Handle properties = Property(H5P_DATASET_CREATE);
    const Hdf5Handle access = Property(H5P_DATASET_ACCESS);
    if (!space || !NoTimes(properties) || !access) {
        return {};
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (values == VectorValues::kNever &&
        H5Pset_fill_value(properties.get(), H5T_NATIVE_DOUBLE, &nan) < 0) {
        return {};
    }
    if (count > 0) {
        const hsize_t chunk = std::min<hsize_t>(count, kChunkSamplesHdf5);
        const bool chunked =
            values == VectorValues::kWholeChunks
                ? SetWholeChunks(properties.get(), access.get(), 1, &chunk, compress)
                : SetChunks(properties.get(), access.get(), 1, &chunk, compress);
        if (!chunked) {
            return {};
        }
    }
    return {H5Dcreate2(file, name, type, space.get(), H5P_DEFAULT, properties.get(), access.get()),
            &H5Dclose};
}

// A vector of `values` along the dimension `scale`.
template <typename T>
bool WriteCoordinate(hid_t file, const char* name, hid_t fileType, hid_t memoryType,
                     std::span<const T> values, hid_t scale) {
    const Hdf5Handle dataset = CreateVector(file, name, fileType, values.size(), false);
    return dataset &&
           (values.empty() || H5Dwrite(dataset.get(), memoryType, H5S_ALL, H5S_ALL, H5P_DEFAULT,
                                       values.data()) >= 0) &&
           (scale < 0 || H5DSattach_scale(dataset.get(), scale, 0) >= 0);
}

bool WriteTextCoordinate(hid_t file, const char* name, std::span<const std::string> values,
                         hid_t scale, const char* longName) {
    const Hdf5Handle type = StringType();
    std::vector<const char*> pointers;
    for (const std::string& value : values) {
        pointers.push_back(value.c_str());
    }
    const Hdf5Handle dataset =
        type ? CreateVector(file, name, type.get(), values.size(), false) : Hdf5Handle();
    // The strings are converted to the file's heap references through a buffer the library
    // zeroes first: 1 MiB unless told, where these few need bytes.
    const Hdf5Handle transfer = Property(H5P_DATASET_XFER);
    const std::size_t convertBytes = std::max<std::size_t>(values.size(), 1) * kVlenBytes;
    return dataset && transfer &&
           H5Pset_buffer(transfer.get(), convertBytes, nullptr, nullptr) >= 0 &&
           (values.empty() || H5Dwrite(dataset.get(), type.get(), H5S_ALL, H5S_ALL, transfer.get(),
                                       pointers.data()) >= 0) &&
           H5DSattach_scale(dataset.get(), scale, 0) >= 0 &&
           WriteString(dataset.get(), "long_name", longName);
}

// The time of each scan written, in blocks of a chunk: seconds from the start where the rate
// gives them, else the scan's number. Each block is written on a helper thread while the
// next is reckoned: the times come after every sample, with nothing else left to hide that.
bool WriteTimes(hid_t dataset, std::uint64_t firstScan, std::uint64_t scans, double rate,
                bool timed) {
    struct TimeBlock {
        ChunkVector<double> values;
        hsize_t start = 0;
    };
    std::array<TimeBlock, 2> blocks;
    const auto write = [dataset](TimeBlock& block) {
        QuietHdf5();  // a thread-safe build keeps the error handler per thread
        const hsize_t size = block.values.size();
        const Hdf5Handle fileSpace{H5Dget_space(dataset), &H5Sclose};
        const Hdf5Handle memorySpace{H5Screate_simple(1, &size, nullptr), &H5Sclose};
        return fileSpace && memorySpace &&
               H5Sselect_hyperslab(fileSpace.get(), H5S_SELECT_SET, &block.start, nullptr, &size,
                                   nullptr) >= 0 &&
               H5Dwrite(dataset, H5T_NATIVE_DOUBLE, memorySpace.get(), fileSpace.get(), H5P_DEFAULT,
                        block.values.data()) >= 0;
    };
    WriteBehind behind(blocks);
    for (std::uint64_t done = 0; done < scans;) {
        const std::uint64_t count = std::min<std::uint64_t>(scans - done, kChunkSamplesHdf5);
        TimeBlock& block = behind.Next();
        block.values.resize(count);
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t scan = firstScan + done + i;
            block.values[i] = timed ? ScanSeconds(scan, rate) : static_cast<double>(scan);
        }
        block.start = done;
        if (!behind.Hand(write)) {
            return false;
        }
        done += count;
    }
    return behind.Finish();
}

// The netCDF-4 and CF description, after every fact: the dimension scales, the coordinates
// and the attributes that name the variables' meaning and units.
bool DescribeForNetcdf(hid_t file, hid_t root, hid_t scaled, hid_t codes, const WriteJob& job,
                       const TableShape& shape) {
    const RecordingHeader& header = job.recording.header;
    const bool timed = ScanOffsets::At(header.scanRate()).has_value();
    const auto start = RecordingStart(header);
    // A table of no columns has no values to time: a header may claim billions of scans of
    // no channel, whose times would fill a disk. They read as NaN instead.
    const bool unwritten = shape.columns == 0;
    // The times and the coordinates, and what the library writes on closing.
    if (!CanGrowBy(job.outputName, (unwritten ? 0 : shape.scans * 8) + Hdf5Margin(shape.columns))) {
        return false;
    }
    const Hdf5Handle time =
        CreateVector(file, "time", H5T_IEEE_F64LE, shape.scans, job.options.compress,
                     unwritten ? VectorValues::kNever : VectorValues::kWholeChunks);
    if (!time ||
        (!unwritten &&
         !WriteTimes(time.get(), job.part.firstScan, shape.scans, header.scanRate(), timed)) ||
        H5DSset_scale(time.get(), "time") < 0) {
        return false;
    }
    bool described = true;
    if (timed) {
        described = WriteString(time.get(), "standard_name", "time") &&
                    WriteString(time.get(), "long_name", "time") &&
                    WriteString(time.get(), "axis", "T");
        if (start) {
            described = described &&
                        WriteString(time.get(), "units",
                                    "seconds since " + Iso8601(ClockTimeAt(EpochNanos(*start)))) &&
                        WriteString(time.get(), "calendar", "standard");
        } else {
            described = described && WriteString(time.get(), "units", "s");
        }
    } else {
        described = WriteString(time.get(), "long_name", "scan number");
    }

    std::vector<std::int32_t> positions(job.part.columns.begin(), job.part.columns.end());
    std::vector<std::int32_t> channels;
    std::vector<std::string> labels;
    std::vector<std::string> names;
    std::vector<std::string> units;
    for (const ColumnFacts& column : job.facts.columns) {
        channels.push_back(column.channel);
        labels.push_back(column.rangeLabel);
        names.push_back(column.name);
        units.push_back(column.unit);
    }
    const Hdf5Handle column = CreateVector(file, "column", H5T_STD_I32LE, positions.size(), false);
    described = described && column &&
                (positions.empty() || H5Dwrite(column.get(), H5T_NATIVE_INT32, H5S_ALL, H5S_ALL,
                                               H5P_DEFAULT, positions.data()) >= 0) &&
                H5DSset_scale(column.get(), "column") >= 0 &&
                WriteString(column.get(), "long_name", "position in a scan") &&
                WriteCoordinate<std::int32_t>(file, "channel", H5T_STD_I32LE, H5T_NATIVE_INT32,
                                              channels, column.get()) &&
                WriteTextCoordinate(file, "range_label", labels, column.get(), "input range") &&
                WriteTextCoordinate(file, "name", names, column.get(), "column name") &&
                WriteTextCoordinate(file, "unit", units, column.get(), "unit of scaled values");
    if (described) {
        const Hdf5Handle channel{H5Dopen2(file, "channel", H5P_DEFAULT), &H5Dclose};
        described = channel && WriteString(channel.get(), "long_name", "channel number");
    }
    // One unit for the whole table where every column has the same.
    const bool oneUnit = !units.empty() && !units.front().empty() &&
                         std::all_of(units.begin(), units.end(),
                                     [&](const std::string& u) { return u == units.front(); });
    const std::string coordinates = "channel range_label name unit";
    for (const auto& [dataset, longName] :
         {std::pair{scaled, "scaled values"}, std::pair{codes, "raw codes"}}) {
        described = described && H5DSattach_scale(dataset, time.get(), 0) >= 0 &&
                    H5DSattach_scale(dataset, column.get(), 1) >= 0 &&
                    WriteString(dataset, "long_name", longName) &&
                    WriteString(dataset, "coordinates", coordinates);
    }
    return described && (!oneUnit || WriteString(scaled, "units", units.front())) &&
           WriteString(root, "Conventions", "CF-1.8");
}

// Writes `data` as scans [first, first + scans) of a dataset.
bool WriteRows(hid_t dataset, hid_t memoryType, const TableShape& shape, std::uint64_t first,
               std::uint64_t scans, const void* data) {
    const hsize_t start[2] = {first, 0};
    const hsize_t count[2] = {scans, shape.columns};
    return WriteBlock(dataset, memoryType, start, count, data);
}

WriteResult WriteHdf5(const WriteJob& job) {
    QuietHdf5();

    const RecordingHeader& header = job.recording.header;
    const CardInfo& card = CardFacts(header.cardType());
    const bool words = card.elementSize == 2;
    const TableShape shape = ShapeOf(job, kChunkSamplesHdf5);
    const TableShape stored = ShapeOf(header, kChunkSamplesHdf5, &job.part);
    // A chunk's columns as the datasets take them.
    struct ChunkRows {
        ChunkVector<double> values;
        ChunkVector<std::uint16_t> words16;
        ChunkVector<std::int32_t> codes32;
        std::uint64_t first = 0;  // the chunk's first scan
        std::uint64_t scans = 0;
    };
    std::array<ChunkRows, kSetsHdf5> sets;
    // Where columns are selected, whole scans are converted here and the selected columns
    // go to the datasets' rows.
    const bool everyColumn = job.part.everyColumn;
    ChunkRows whole;
    std::optional<SampleScaler> scaler;
    try {
        const std::uint64_t rows = shape.scansPerChunk * shape.columns;
        for (ChunkRows& set : sets) {
            set.values.resize(rows);
            if (words) {
                set.words16.resize(rows);
            } else {
                set.codes32.resize(rows);
            }
        }
        if (!everyColumn) {
            whole.values.resize(shape.chunkSamples());
            if (words) {
                whole.words16.resize(shape.chunkSamples());
            } else {
                whole.codes32.resize(shape.chunkSamples());
            }
        }
        scaler.emplace(header, job.recording.queue, job.part.carried, ConvertedSamples(job),
                       job.transducers);
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }
    // Where every value is its code x one step, each word is decoded once into both.
    const std::optional<double> step = scaler->linearStep();

    const Hdf5Handle fileCreation = Property(H5P_FILE_CREATE);
    if (!NoTimes(fileCreation)) {
        return WriteResult::kWriteFailed;
    }
    // Dense attribute storage (many columns) needs the file format of HDF5 1.8; every
    // other file keeps the earliest format, which the most readers open.
    const Hdf5Handle fileAccess = Property(H5P_FILE_ACCESS);
    if (!fileAccess ||
        (shape.columns > kCompactColumns &&
         H5Pset_libver_bounds(fileAccess.get(), H5F_LIBVER_V18, H5F_LIBVER_V18) < 0)) {
        return WriteResult::kWriteFailed;
    }
    Hdf5Handle file{
        H5Fcreate(job.outputName.c_str(), H5F_ACC_TRUNC, fileCreation.get(), fileAccess.get()),
        &H5Fclose};
    if (!file) {
        return WriteResult::kWriteFailed;
    }
    Hdf5Handle scaled =
        CreateDataset(file.get(), "scaled", H5T_IEEE_F64LE, stored, job.options.compress);
    Hdf5Handle codes = CreateDataset(file.get(), "codes", words ? H5T_STD_U16LE : H5T_STD_I32LE,
                                     stored, job.options.compress);
    if (!scaled || !codes) {
        return WriteResult::kWriteFailed;
    }

    const std::uint64_t codeBytes = words ? 2 : 4;
    const auto writeRows = [&](ChunkRows& set) {
        QuietHdf5();  // a thread-safe build keeps the error handler per thread
        if (!CanGrowBy(job.outputName,
                       set.scans * shape.columns * (8 + codeBytes) + Hdf5Margin(shape.columns))) {
            return false;
        }
        const void* codeData = words ? static_cast<const void*>(set.words16.data())
                                     : static_cast<const void*>(set.codes32.data());
        return WriteRows(scaled.get(), H5T_NATIVE_DOUBLE, shape, set.first, set.scans,
                         set.values.data()) &&
               WriteRows(codes.get(), words ? H5T_NATIVE_UINT16 : H5T_NATIVE_INT32, shape,
                         set.first, set.scans, codeData);
    };
    WriteBehind behind(sets);
    std::uint64_t row = 0;
    WriteResult result = ForEachChunk(
        job, shape, card.elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t scans) {
            ChunkRows& set = behind.Next();
            ChunkRows& converted = everyColumn ? set : whole;
            if (step && words) {
                DecodeLinearWords(bytes.data(), samples, *step, converted.words16.data(),
                                  converted.values.data());
            } else if (step) {
                DecodeLinearWords(bytes.data(), samples, *step, converted.codes32.data(),
                                  converted.values.data());
            } else {
                scaler->Scale(bytes, std::span<double>(converted.values.data(), samples));
                if (words) {
                    for (std::uint64_t i = 0; i < samples; ++i) {
                        converted.words16[i] = LoadLe16(bytes.data() + 2 * i);
                    }
                } else {
                    WidenCodes(bytes, std::span<std::int32_t>(converted.codes32.data(), samples),
                               samples, header.cardType());
                }
            }
            if (!everyColumn) {
                const std::vector<std::uint32_t>& columns = job.part.columns;
                PickColumns(whole.values.data(), scans, shape.channels, columns, set.values.data());
                if (words) {
                    PickColumns(whole.words16.data(), scans, shape.channels, columns,
                                set.words16.data());
                } else {
                    PickColumns(whole.codes32.data(), scans, shape.channels, columns,
                                set.codes32.data());
                }
            }
            set.first = row;
            set.scans = scans;
            row += scans;
            return behind.Hand(writeRows);
        });
    const bool written = behind.Finish();
    if (result == WriteResult::kWritten && !written) {
        result = WriteResult::kWriteFailed;
    }
    if (result != WriteResult::kWritten) {
        return result;
    }
    Hdf5Handle root{H5Gopen2(file.get(), "/", H5P_DEFAULT), &H5Gclose};
    bool described = false;
    if (root) {
        Hdf5Facts facts(scaled.get(), root.get());
        described =
            VisitFacts(job.facts, job.samples.SourceSha256(), facts) && facts.Finish() &&
            DescribeForNetcdf(file.get(), root.get(), scaled.get(), codes.get(), job, shape);
    }
    // Closing the file writes what the library still holds: its result counts, once every
    // object in it is closed.
    const bool closed = root.Close() && scaled.Close() && codes.Close() && file.Close();
    return described && closed ? WriteResult::kWritten : WriteResult::kWriteFailed;
}

}  // namespace

const LibraryFormatCode kHdf5Writer = {OutputFormat::kHdf5, &WriteHdf5, nullptr};

}  // namespace vantrel
