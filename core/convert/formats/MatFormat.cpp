// SPDX-License-Identifier: BSD-3-Clause
// MATLAB files, written with matio: one top-level variable per fact (`scaled`, `codes`,
// `channel`, `range_label` as a cell array, `scan_rate_hz`, ...), `scaled` and `codes` as
// scans x channels, `time_s` (where the rate gives it) as a scans x 1 column of seconds
// from the start and `start_datenum` (where the start reads) as MATLAB's serial date, so
// that plot(time_s, scaled) and datetime(start_datenum, 'ConvertFrom', 'datenum') work. MATLAB 7.3
// (HDF5 inside) takes the two matrices scan block by scan block as the samples stream, HDF5 itself
// writing them in the file matio created. MATLAB 5 has no appending: uncompressed, the two matrices
// are written by our own code (Mat5Matrix.h), each chunk's columns put in their place in the file,
// and matio adds the facts after them; compressed, both are gathered whole in memory and matio
// writes everything at the end. A variable of 2 GiB or more, which MATLAB 5 cannot hold, is refused
// before the output is created.

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <zlib.h>

#include "convert/formats/Hdf5Handle.h"
#include "convert/formats/LibraryWriters.h"
#include "convert/formats/Mat5Matrix.h"
#include "convert/formats/MatioHandle.h"
#include "convert/formats/RecordingFacts.h"
#include "convert/formats/ScanTime.h"
#include "convert/scaling/SampleScaler.h"
#include "convert/scaling/TransposeColumns.h"
#include "convert/scaling/WidenCodes.h"
#include "convert/threads/WriteBehind.h"
#include "platform/ChunkMemory.h"
#include "platform/WriteRoom.h"
#include "recording/CardTable.h"
#include "recording/LittleEndian.h"

namespace vantrel {

namespace {

// Samples per chunk of a MATLAB 7.3 matrix written by HDF5: 1 MiB of doubles.
constexpr std::uint64_t kMat73ChunkSamples = std::uint64_t{1} << 17;

// MATLAB 5 sizes a variable in 32 bits; MATLAB itself stops at 2 GiB.
constexpr std::uint64_t kMat5VariableLimit = std::uint64_t{1} << 31;

// A variable over `data`, which must outlive it (matio copies nothing).
MatVar Variable(const char* name, matio_classes kind, matio_types type, std::size_t rows,
                std::size_t columns, const void* data) {
    std::size_t dims[2] = {rows, columns};
    return MatVar(
        Mat_VarCreate(name, kind, type, 2, dims, const_cast<void*>(data), MAT_F_DONT_COPY_DATA));
}

// A text as MATLAB's characters, which are UTF-16 code units: one byte each for ASCII
// text (as every text has been so far), else 16 bits each. `utf8` is valid
// UTF-8, as every text of the facts is.
struct MatChars {
    std::vector<std::uint8_t> narrow;
    std::vector<std::uint16_t> wide;
    bool isWide = false;

    explicit MatChars(const std::string& utf8) {
        for (std::size_t i = 0; i < utf8.size();) {
            const auto lead = static_cast<std::uint8_t>(utf8[i]);
            const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            std::uint32_t point = length == 1 ? lead : lead & (0x7Fu >> length);
            for (int k = 1; k < length && i + static_cast<std::size_t>(k) < utf8.size(); ++k) {
                point = point << 6 | (static_cast<std::uint8_t>(utf8[i + k]) & 0x3Fu);
            }
            i += static_cast<std::size_t>(length);
            if (point < 0x10000) {
                wide.push_back(static_cast<std::uint16_t>(point));
            } else {
                point -= 0x10000;
                wide.push_back(static_cast<std::uint16_t>(0xD800 + (point >> 10)));
                wide.push_back(static_cast<std::uint16_t>(0xDC00 + (point & 0x3FF)));
            }
            isWide = isWide || wide.back() > 0x7F;
        }
        if (!isWide) {
            narrow.assign(wide.begin(), wide.end());
        }
    }
    matio_types type() const { return isWide ? MAT_T_UINT16 : MAT_T_UINT8; }
    std::size_t size() const { return wide.size(); }
    void* data() {
        return isWide ? static_cast<void*>(wide.data()) : static_cast<void*>(narrow.data());
    }
};

// Writes whole variables into one file, counting them; each fact of the walk is one.
class MatWriter final : public FactVisitor {
  public:
    MatWriter(mat_t* file, bool compress)
        : file_(file), compression_(compress ? MAT_COMPRESSION_ZLIB : MAT_COMPRESSION_NONE) {}

    std::size_t written() const { return written_; }

    bool Write(const MatVar& var) {
        if (!var || Mat_VarWrite(file_, var.get(), compression_) != 0) {
            return false;
        }
        ++written_;
        return true;
    }

    bool Text(const char* name, const std::string& text) override {
        MatChars chars(text);
        return Write(Variable(name, MAT_C_CHAR, chars.type(), 1, chars.size(), chars.data()));
    }

    bool Ints(const char* name, std::span<const std::int32_t> values) override {
        return Write(Variable(name, MAT_C_INT32, MAT_T_INT32, 1, values.size(), values.data()));
    }

    bool Int(const char* name, std::int32_t value) override {
        return Ints(name, std::span<const std::int32_t>(&value, 1));
    }

    bool Double(const char* name, double value) override {
        return Write(Variable(name, MAT_C_DOUBLE, MAT_T_DOUBLE, 1, 1, &value));
    }

    bool Doubles(const char* name, std::span<const double> values) override {
        return Write(Variable(name, MAT_C_DOUBLE, MAT_T_DOUBLE, 1, values.size(), values.data()));
    }

    // A 1 x n cell array of texts. The cells are copied into the cell variable, which frees
    // them with itself.
    bool Texts(const char* name, std::span<const std::string> texts) override {
        std::vector<matvar_t*> cells;
        const auto freeCells = [&cells] {
            for (matvar_t* cell : cells) {
                Mat_VarFree(cell);
            }
            return false;
        };
        for (const std::string& text : texts) {
            MatChars chars(text);
            std::size_t dims[2] = {1, chars.size()};
            cells.push_back(
                Mat_VarCreate(nullptr, MAT_C_CHAR, chars.type(), 2, dims, chars.data(), 0));
            if (cells.back() == nullptr) {
                return freeCells();
            }
        }
        std::size_t dims[2] = {1, cells.size()};
        MatVar var(Mat_VarCreate(name, MAT_C_CELL, MAT_T_CELL, 2, dims, cells.data(), 0));
        if (!var) {
            return freeCells();
        }
        return Write(var);
    }

  private:
    mat_t* file_;
    matio_compression compression_;
    std::size_t written_ = 0;
};

// The two matrices of a chunk, as a card's codes and scaled values, and its scans' times.
struct ChunkArrays {
    ChunkVector<double> values;
    ChunkVector<std::uint16_t> words;  // 16-bit cards
    ChunkVector<std::int32_t> codes;   // 24-bit cards
    ChunkVector<double> times;         // where the rate gives them

    // Room for `samples` in the scaled values and in the card's codes.
    void Hold(std::uint64_t samples, bool sixteenBit) {
        values.resize(samples);
        if (sixteenBit) {
            words.resize(samples);
        } else {
            codes.resize(samples);
        }
    }

    const void* codeData(bool sixteenBit) const {
        return sixteenBit ? static_cast<const void*>(words.data())
                          : static_cast<const void*>(codes.data());
    }

    // The times of `scans` scans from scan `first` of the recording.
    void FillTimes(std::uint64_t first, std::uint64_t scans, double rate) {
        times.resize(scans);
        for (std::uint64_t r = 0; r < scans; ++r) {
            times[r] = ScanSeconds(first + r, rate);
        }
    }
};

// A chunk's samples into the column runs of MATLAB's matrices. Where every value is its code
// x one step, each word is decoded once, straight into both matrices' columns; otherwise
// the chunk is scaled and widened in scan order first, then transposed.
class ChunkColumns {
  public:
    // `scaler` and `columns` must outlive it. Throws std::bad_alloc.
    ChunkColumns(SampleScaler& scaler, const TableShape& shape, std::int16_t cardType,
                 const std::vector<std::uint32_t>& columns)
        : scaler_(scaler),
          stride_(shape.channels),
          cardType_(cardType),
          sixteenBit_(CardFacts(cardType).elementSize == 2),
          columns_(columns),
          step_(scaler.linearStep()) {
        if (!step_) {
            scanOrder_.Hold(shape.chunkSamples(), sixteenBit_);
        }
    }

    // The `scans` scans of `bytes` (`samples` elements), the samples at the columns into rows
    // [first, first + scans) of `out`'s matrices of `height` rows.
    void Into(ChunkArrays& out, std::span<const std::uint8_t> bytes, std::uint64_t samples,
              std::uint64_t scans, std::uint64_t first, std::uint64_t height) {
        if (step_ && sixteenBit_) {
            TransposeLinearColumns(bytes.data(), scans, stride_, columns_, *step_, out.words.data(),
                                   out.values.data(), first, height);
            return;
        }
        if (step_) {
            TransposeLinearColumns(bytes.data(), scans, stride_, columns_, *step_, out.codes.data(),
                                   out.values.data(), first, height);
            return;
        }
        scaler_.Scale(bytes, std::span<double>(scanOrder_.values.data(), samples));
        TransposeColumns(scanOrder_.values.data(), scans, stride_, columns_, out.values.data(),
                         first, height);
        if (sixteenBit_) {
            for (std::uint64_t i = 0; i < samples; ++i) {
                scanOrder_.words[i] = LoadLe16(bytes.data() + 2 * i);
            }
            TransposeColumns(scanOrder_.words.data(), scans, stride_, columns_, out.words.data(),
                             first, height);
        } else {
            WidenCodes(bytes, std::span<std::int32_t>(scanOrder_.codes.data(), samples), samples,
                       cardType_);
            TransposeColumns(scanOrder_.codes.data(), scans, stride_, columns_, out.codes.data(),
                             first, height);
        }
    }

  private:
    SampleScaler& scaler_;
    std::uint64_t stride_;
    std::int16_t cardType_;
    bool sixteenBit_;
    const std::vector<std::uint32_t>& columns_;
    std::optional<double> step_;
    ChunkArrays scanOrder_;  // empty where step_ is set
};

// Whether time_s is written: the rate is a positive number and the table has columns to
// time (a header may claim billions of scans of no channel, which hold nothing).
bool HasScanTimes(const RecordingHeader& header, const TableShape& shape) {
    return shape.columns > 0 && ScanOffsets::At(header.scanRate()).has_value();
}

// start_datenum, where the header's start reads as a date and time; after the facts.
bool WriteStartDatenum(MatWriter& out, const RecordingHeader& header) {
    const auto start = RecordingStart(header);
    return !start || out.Double("start_datenum", Datenum(*start));
}

// Bytes of a pipe taken at once while MATLAB 5 gathers them.
constexpr std::uint64_t kPipeStep = std::uint64_t{1} << 20;

// matio reports through a log function; its failures become our messages instead.
void QuietMatio() {
    QuietHdf5();  // MATLAB 7.3 files are written by HDF5, which matio's log set-up starts
    static std::once_flag quiet;
    std::call_once(quiet, [] { Mat_LogInitFunc("vantrel", [](int, char*) {}); });
}

// Whether the `bytes` bytes `file` holds next are one whole zlib stream. matio sizes a
// deflated element by what it managed to write, so a cut one has a tag that fits the file.
bool InflatesWhole(File& file, std::uint32_t bytes) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return false;
    }
    std::vector<std::uint8_t> in(std::min<std::uint32_t>(bytes, 1u << 16));
    std::vector<std::uint8_t> out(1u << 16);
    int status = Z_OK;
    for (std::uint32_t left = bytes; status == Z_OK && left > 0;) {
        const auto want = std::min<std::uint32_t>(left, static_cast<std::uint32_t>(in.size()));
        if (file.Read(in.data(), want) != want) {
            break;
        }
        left -= want;
        stream.next_in = in.data();
        stream.avail_in = want;
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            status = inflate(&stream, Z_NO_FLUSH);
        } while (status == Z_OK && stream.avail_in > 0);
        if (status == Z_STREAM_END && (left > 0 || stream.avail_in > 0)) {
            status = Z_DATA_ERROR;  // bytes after the stream's end
        }
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END;
}

// matio does not report a short write of a MATLAB 5 file (a full disk, a size limit), so
// the file is read back as far as it takes to know it whole: after the header, each
// element's tag gives its size, `variables` elements must end exactly where the file does,
// and each deflated one must inflate whole.
bool Mat5IsWhole(const File* output, std::size_t variables) {
    File back = output != nullptr ? output->ReadBack() : File();
    std::array<std::uint8_t, 128> header{};
    if (!back || back.Read(header.data(), header.size()) != 128) {
        return false;
    }
    // The endian indicator "MI" as a 16-bit value: read "IM" from a little-endian file.
    const bool little = header[126] == 'I' && header[127] == 'M';
    std::size_t found = 0;
    for (;;) {
        std::array<std::uint8_t, 8> tag{};
        const std::int64_t got = back.Read(tag.data(), tag.size());
        if (got == 0) {
            return found == variables;
        }
        const auto load32 = [little](const std::uint8_t* at) {
            return little ? LoadLe32(at)
                          : std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 |
                                std::uint32_t{at[2]} << 8 | at[3];
        };
        const std::uint32_t bytes = load32(tag.data() + 4);
        // miCOMPRESSED, the type of a deflated element.
        constexpr std::uint32_t kCompressed = 15;
        const bool compressed = load32(tag.data()) == kCompressed;
        if (got != 8 || !(compressed ? InflatesWhole(back, bytes) : back.Skip(bytes))) {
            return false;
        }
        ++found;
    }
}

// The whole matrices held in memory and written by matio after the facts, as matio can
// write them only once they are whole: MATLAB 5 compressed (or on a big-endian machine),
// and the empty tables of either version.
WriteResult WriteMat(const WriteJob& job, bool version5) {
    QuietMatio();
    const RecordingHeader& header = job.recording.header;
    const CardInfo& card = CardFacts(header.cardType());
    const bool sixteenBit = card.elementSize == 2;
    const matio_classes codeClass = sixteenBit ? MAT_C_UINT16 : MAT_C_INT32;
    const matio_types codeType = sixteenBit ? MAT_T_UINT16 : MAT_T_INT32;
    const TableShape shape = ShapeOf(job, kMat73ChunkSamples);
    ChunkArrays whole;  // column-major
    std::optional<SampleScaler> scaler;
    std::optional<ChunkColumns> chunk;
    try {
        whole.Hold(shape.scans * shape.columns, sixteenBit);
        scaler.emplace(header, job.recording.queue, job.part.carried, ConvertedSamples(job),
                       job.transducers);
        chunk.emplace(*scaler, shape, header.cardType(), job.part.columns);
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }

    const std::string banner = std::string(version5 ? "MATLAB 5.0" : "MATLAB 7.3") +
                               " MAT-file, written by " + ConverterName();
    MatFile file(Mat_CreateVer(job.outputName.c_str(), banner.c_str(),
                               version5 ? MAT_FT_MAT5 : MAT_FT_MAT73));
    if (!file) {
        return WriteResult::kWriteFailed;
    }
    MatWriter out(file.get(), job.options.compress);

    const bool timed = HasScanTimes(header, shape);
    try {
        if (timed) {
            whole.FillTimes(job.part.firstScan, shape.scans, header.scanRate());
        }
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }
    std::uint64_t row = 0;
    const WriteResult result = ForEachChunk(
        job, shape, card.elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t scans) {
            // The chunk's rows go to their place in the whole.
            chunk->Into(whole, bytes, samples, scans, row, shape.scans);
            row += scans;
            return true;
        });
    if (result != WriteResult::kWritten) {
        return result;
    }
    // The codes come last: a short write of a deflated variable shows only in a large one
    // (matio sizes a small one by what it managed to write).
    bool written = VisitFacts(job.facts, job.samples.SourceSha256(), out) &&
                   WriteStartDatenum(out, header) &&
                   (!timed || out.Write(Variable("time_s", MAT_C_DOUBLE, MAT_T_DOUBLE, shape.scans,
                                                 1, whole.times.data()))) &&
                   out.Write(Variable("scaled", MAT_C_DOUBLE, MAT_T_DOUBLE, shape.scans,
                                      shape.columns, whole.values.data())) &&
                   out.Write(Variable("codes", codeClass, codeType, shape.scans, shape.columns,
                                      whole.codeData(sixteenBit)));
    written = file.Close() && written;
    if (written && version5) {
        written = Mat5IsWhole(job.namedFile, out.written());
    }
    return written ? WriteResult::kWritten : WriteResult::kWriteFailed;
}

// Samples per chunk of a streamed MATLAB 5 file: every column of a chunk is one write per
// matrix, so runs of 64 KiB of doubles for 16 columns. Measured against 2^16 (as fast) and
// 2^19 (a quarter slower: the chunk's arrays outgrow the caches).
constexpr std::uint64_t kMat5ChunkSamples = std::uint64_t{1} << 17;

// MATLAB 5 without compression, holding a chunk at a time: matio writes the file's header,
// our code the two matrices after it, the values of each chunk's columns put in place as
// they arrive, and matio then adds the facts, the recording's SHA-256 among them, which is
// known only once every sample was read.
WriteResult WriteMat5Streamed(const WriteJob& job) {
    QuietMatio();
    const RecordingHeader& header = job.recording.header;
    const CardInfo& card = CardFacts(header.cardType());
    const bool sixteenBit = card.elementSize == 2;
    const TableShape shape = ShapeOf(job, kMat5ChunkSamples);
    const auto rows = static_cast<std::uint32_t>(shape.scans);
    const auto columnCount = static_cast<std::uint32_t>(shape.columns);
    const Mat5Matrix scaled = Mat5MatrixOf("scaled", Mat5Numeric::kDouble, rows, columnCount);
    const Mat5Matrix codes = Mat5MatrixOf(
        "codes", sixteenBit ? Mat5Numeric::kUint16 : Mat5Numeric::kInt32, rows, columnCount);
    const bool timed = HasScanTimes(header, shape);
    const Mat5Matrix times = Mat5MatrixOf("time_s", Mat5Numeric::kDouble, rows, 1);
    const std::size_t codeWidth = sixteenBit ? 2 : 4;
    // The chunk's columns, each a run of its scans, as the matrices take them.
    std::array<ChunkArrays, 2> runSets;
    std::optional<SampleScaler> scaler;
    std::optional<ChunkColumns> chunk;
    try {
        for (ChunkArrays& runs : runSets) {
            runs.Hold(shape.scansPerChunk * shape.columns, sixteenBit);
            runs.times.resize(timed ? shape.scansPerChunk : 0);
        }
        scaler.emplace(header, job.recording.queue, job.part.carried, ConvertedSamples(job),
                       job.transducers);
        chunk.emplace(*scaler, shape, header.cardType(), job.part.columns);
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }

    const std::string banner = "MATLAB 5.0 MAT-file, written by " + ConverterName();
    if (!MatFile(Mat_CreateVer(job.outputName.c_str(), banner.c_str(), MAT_FT_MAT5)).Close()) {
        return WriteResult::kWriteFailed;
    }
    File& file = *job.namedFile;
    constexpr std::uint64_t kFileHeader = 128;
    const std::uint64_t scaledValuesAt = kFileHeader + scaled.head.size();
    const std::uint64_t codesAt = kFileHeader + scaled.size();
    const std::uint64_t codesValuesAt = codesAt + codes.head.size();
    const std::uint64_t timesAt = codesAt + codes.size();
    const std::uint64_t timesValuesAt = timesAt + times.head.size();
    const std::array<std::uint8_t, 8> zeros{};
    if (!file.WriteAt(kFileHeader, scaled.head.data(), scaled.head.size()) ||
        !file.WriteAt(scaledValuesAt + scaled.valueBytes, zeros.data(), scaled.padding) ||
        !file.WriteAt(codesAt, codes.head.data(), codes.head.size()) ||
        !file.WriteAt(codesValuesAt + codes.valueBytes, zeros.data(), codes.padding) ||
        (timed && !file.WriteAt(timesAt, times.head.data(), times.head.size()))) {
        return WriteResult::kWriteFailed;
    }

    WriteBehind behind(runSets);
    std::uint64_t row = 0;
    WriteResult result = ForEachChunk(
        job, shape, card.elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t scans) {
            ChunkArrays& runs = behind.Next();
            chunk->Into(runs, bytes, samples, scans, 0, scans);
            const std::uint64_t first = row;
            row += scans;
            if (timed) {
                runs.FillTimes(job.part.firstScan + first, scans, header.scanRate());
            }
            // Streamed on a little-endian host only (WriteMat5): the arrays' bytes are the
            // file's.
            return behind.Hand([&, first, scans](ChunkArrays& done) {
                if (timed &&
                    !file.WriteAt(timesValuesAt + first * 8, done.times.data(), scans * 8)) {
                    return false;
                }
                const auto* values = reinterpret_cast<const std::uint8_t*>(done.values.data());
                const auto* codeBytes = static_cast<const std::uint8_t*>(done.codeData(sixteenBit));
                for (std::uint64_t c = 0; c < shape.columns; ++c) {
                    const std::uint64_t at = c * shape.scans + first;
                    if (!file.WriteAt(scaledValuesAt + at * 8, values + c * scans * 8, scans * 8) ||
                        !file.WriteAt(codesValuesAt + at * codeWidth,
                                      codeBytes + c * scans * codeWidth, scans * codeWidth)) {
                        return false;
                    }
                }
                return true;
            });
        });
    const bool placed = behind.Finish();
    if (result == WriteResult::kWritten && !placed) {
        result = WriteResult::kWriteFailed;
    }
    if (result != WriteResult::kWritten) {
        return result;
    }
    MatFile facts(Mat_Open(job.outputName.c_str(), MAT_ACC_RDWR));
    if (!facts) {
        return WriteResult::kWriteFailed;
    }
    MatWriter out(facts.get(), false);
    const bool written =
        VisitFacts(job.facts, job.samples.SourceSha256(), out) && WriteStartDatenum(out, header);
    if (!facts.Close() || !written ||
        !Mat5IsWhole(job.namedFile, out.written() + (timed ? 3 : 2))) {
        return WriteResult::kWriteFailed;
    }
    return WriteResult::kWritten;
}

// A matrix of MATLAB 7.3 as matio writes one, in a file matio created: a dataset of
// columns x scans (MATLAB's column-major order, as HDF5 sees it) with its class in the
// attribute MATLAB_class. Chunks of at most 1 MiB (as many scans as a chunk of every
// channel holds), each written whole from our columns, as the hdf5 format's are.
Hdf5Handle CreateMat73Matrix(hid_t file, const char* name, hid_t type, const char* matlabClass,
                             const TableShape& stored, bool compress) {
    const hsize_t dims[2] = {stored.columns, stored.scans};
    const hsize_t chunk[2] = {stored.columns, stored.scansPerChunk};
    const Hdf5Handle space{H5Screate_simple(2, dims, nullptr), &H5Sclose};
    const Hdf5Handle properties{H5Pcreate(H5P_DATASET_CREATE), &H5Pclose};
    const Hdf5Handle scalar{H5Screate(H5S_SCALAR), &H5Sclose};
    const Hdf5Handle text{H5Tcopy(H5T_C_S1), &H5Tclose};
    const Hdf5Handle access{H5Pcreate(H5P_DATASET_ACCESS), &H5Pclose};
    if (!space || !properties || !scalar || !text || !access ||
        !SetWholeChunks(properties.get(), access.get(), 2, chunk, compress) ||
        H5Tset_size(text.get(), std::strlen(matlabClass)) < 0) {
        return {};
    }
    Hdf5Handle dataset{
        H5Dcreate2(file, name, type, space.get(), H5P_DEFAULT, properties.get(), access.get()),
        &H5Dclose};
    const Hdf5Handle attribute{dataset ? H5Acreate2(dataset.get(), "MATLAB_class", text.get(),
                                                    scalar.get(), H5P_DEFAULT, H5P_DEFAULT)
                                       : H5I_INVALID_HID,
                               &H5Aclose};
    if (!attribute || H5Awrite(attribute.get(), text.get(), matlabClass) < 0) {
        return {};
    }
    return dataset;
}

// MATLAB 7.3: matio creates the file, HDF5 writes the two matrices in chunks of 1 MiB as
// the samples stream, and matio then adds the facts. matio's appending sizes its chunks at
// 4,096 values (32 KiB of doubles) and offers no way to choose them: a large file took
// thousands of writes, and deflated (level 9, a chunk each) about 20 times as long as the
// hdf5 format's.
WriteResult WriteMat73Streamed(const WriteJob& job) {
    QuietMatio();
    const RecordingHeader& header = job.recording.header;
    const CardInfo& card = CardFacts(header.cardType());
    const bool sixteenBit = card.elementSize == 2;
    const TableShape shape = ShapeOf(job, kMat73ChunkSamples);
    const TableShape stored = ShapeOf(header, kMat73ChunkSamples, &job.part);
    std::array<ChunkArrays, 2> orderedSets;
    std::optional<SampleScaler> scaler;
    std::optional<ChunkColumns> chunk;
    try {
        for (ChunkArrays& ordered : orderedSets) {
            ordered.Hold(shape.scansPerChunk * shape.columns, sixteenBit);
        }
        scaler.emplace(header, job.recording.queue, job.part.carried, ConvertedSamples(job),
                       job.transducers);
        chunk.emplace(*scaler, shape, header.cardType(), job.part.columns);
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }

    const std::string banner = "MATLAB 7.3 MAT-file, written by " + ConverterName();
    if (!MatFile(Mat_CreateVer(job.outputName.c_str(), banner.c_str(), MAT_FT_MAT73)).Close()) {
        return WriteResult::kWriteFailed;
    }
    Hdf5Handle file{H5Fopen(job.outputName.c_str(), H5F_ACC_RDWR, H5P_DEFAULT), &H5Fclose};
    const bool compress = job.options.compress;
    Hdf5Handle scaled =
        file ? CreateMat73Matrix(file.get(), "scaled", H5T_IEEE_F64LE, "double", stored, compress)
             : Hdf5Handle();
    Hdf5Handle codes =
        file ? CreateMat73Matrix(file.get(), "codes", sixteenBit ? H5T_STD_U16LE : H5T_STD_I32LE,
                                 sixteenBit ? "uint16" : "int32", stored, compress)
             : Hdf5Handle();
    const bool timed = HasScanTimes(header, shape);
    const TableShape timeShape{1, stored.scans, std::min(stored.scans, kMat73ChunkSamples), 1};
    Hdf5Handle times = file && timed ? CreateMat73Matrix(file.get(), "time_s", H5T_IEEE_F64LE,
                                                         "double", timeShape, compress)
                                     : Hdf5Handle();
    if (!scaled || !codes || (timed && !times)) {
        return WriteResult::kWriteFailed;
    }

    WriteBehind behind(orderedSets);
    std::uint64_t row = 0;
    WriteResult result = ForEachChunk(
        job, shape, card.elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t scans) {
            ChunkArrays& ordered = behind.Next();
            chunk->Into(ordered, bytes, samples, scans, 0, scans);
            const std::uint64_t first = row;
            row += scans;
            if (timed) {
                ordered.FillTimes(job.part.firstScan + first, scans, header.scanRate());
            }
            return behind.Hand([&, first, scans](ChunkArrays& arrays) {
                QuietHdf5();  // a thread-safe HDF5 keeps the error handler per thread
                const std::uint64_t room =
                    scans * (shape.columns * (sixteenBit ? 10 : 12) + (timed ? 8 : 0));
                if (!CanGrowBy(job.outputName, room + Hdf5Margin(shape.columns))) {
                    return false;
                }
                // Scans [first, first + scans) of columns x scans, a column after another.
                const hsize_t start[2] = {0, first};
                const hsize_t count[2] = {shape.columns, scans};
                const hsize_t timeCount[2] = {1, scans};
                return WriteBlock(scaled.get(), H5T_NATIVE_DOUBLE, start, count,
                                  arrays.values.data()) &&
                       WriteBlock(codes.get(), sixteenBit ? H5T_NATIVE_UINT16 : H5T_NATIVE_INT32,
                                  start, count, arrays.codeData(sixteenBit)) &&
                       (!timed || WriteBlock(times.get(), H5T_NATIVE_DOUBLE, start, timeCount,
                                             arrays.times.data()));
            });
        });
    const bool placed = behind.Finish();
    if (result == WriteResult::kWritten && !placed) {
        result = WriteResult::kWriteFailed;
    }
    // Closing the file writes what HDF5 still holds: its result counts.
    const bool closed = scaled.Close() && codes.Close() && times.Close() && file.Close();
    if (result != WriteResult::kWritten) {
        return result;
    }
    if (!closed) {
        return WriteResult::kWriteFailed;
    }
    MatFile facts(Mat_Open(job.outputName.c_str(), MAT_ACC_RDWR));
    if (!facts) {
        return WriteResult::kWriteFailed;
    }
    MatWriter out(facts.get(), false);
    const bool written =
        VisitFacts(job.facts, job.samples.SourceSha256(), out) && WriteStartDatenum(out, header);
    return facts.Close() && written ? WriteResult::kWritten : WriteResult::kWriteFailed;
}

// MATLAB 7.3: streamed by HDF5 where there are samples to write; an empty table by matio.
WriteResult WriteMat73(const WriteJob& job) {
    const TableShape shape = ShapeOf(job.recording.header, kChunkSamples, &job.part);
    if (shape.scans * shape.columns > 0) {
        return WriteMat73Streamed(job);
    }
    return WriteMat(job, false);
}

// MATLAB 5: streamed where our own writes can place the matrices (uncompressed, a table
// with samples, an output file to write in, a little-endian machine, whose byte order matio
// gives the file); otherwise held whole by matio. A pipe's block has only the size its header
// claims: its bytes are taken first as they come, so that a false claim costs no more
// memory than the bytes that did arrive, and the file is written once they are all there.
WriteResult WriteMat5(const WriteJob& job) {
    const TableShape shape = ShapeOf(job.recording.header, kChunkSamples, &job.part);
    const bool streamed = !job.options.compress && shape.scans * shape.columns > 0 &&
                          job.namedFile != nullptr && std::endian::native == std::endian::little;
    const auto write = [streamed](const WriteJob& whole) {
        return streamed ? WriteMat5Streamed(whole) : WriteMat(whole, true);
    };
    if (job.samples.sizeIsThere()) {
        return write(job);
    }
    std::vector<std::uint8_t> arrived;
    const std::uint64_t size = SampleBytesOfScans(job.recording.header, job.part.scans);
    for (std::uint64_t done = 0; done < size;) {
        const std::uint64_t count = std::min<std::uint64_t>(size - done, kPipeStep);
        const auto bytes = job.samples.Next(count);
        if (!bytes) {
            return job.progress.StopAsked(done) ? WriteResult::kCancelled
                                                : WriteResult::kReadFailed;
        }
        try {
            arrived.insert(arrived.end(), bytes->begin(), bytes->end());
        } catch (const std::bad_alloc&) {
            return WriteResult::kAllocationFailed;
        }
        done += count;
        if (job.progress.StopAsked(done)) {
            return WriteResult::kCancelled;
        }
    }
    MemorySampleSource held(arrived, job.samples.SourceSha256());
    const WriteJob fromMemory{job.recording, job.options, job.part,       job.facts,
                              held,          job.out,     job.outputName, job.namedFile,
                              job.progress,  job.refusal, job.transducers};
    return write(fromMemory);
}

std::optional<std::string> RefuseForMat5(const RecordingHeader& header, const SelectedPart& part) {
    const TableShape shape = ShapeOf(header, kChunkSamples, &part);
    if (shape.scans * shape.columns * sizeof(double) >= kMat5VariableLimit) {
        return std::string(
            "Recording too large for a MATLAB 5 file (2 GiB per variable): use the mat format!");
    }
    return std::nullopt;
}

}  // namespace

const LibraryFormatCode kMatWriter = {OutputFormat::kMat, &WriteMat73, nullptr};

const LibraryFormatCode kMat5Writer = {OutputFormat::kMat5, &WriteMat5, &RefuseForMat5};

}  // namespace vantrel
