// SPDX-License-Identifier: BSD-3-Clause
// MATLAB files, written with matio: one top-level variable per fact (`scaled`, `codes`,
// `channel`, `range_label` as a cell array, `scan_rate_hz`, ...), `scaled` and `codes` as
// scans x channels. MATLAB 7.3 (HDF5 inside) takes the two matrices scan block by scan
// block as the samples stream; MATLAB 5 has no appending, so both are gathered whole in
// memory and written at the end, and a variable of 2 GiB or more, which it cannot hold, is
// refused before the output is created.

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "convert/formats/Hdf5Handle.h"
#include "convert/formats/MatioHandle.h"
#include "convert/formats/OutputFormats.h"
#include "convert/formats/RecordingFacts.h"
#include "convert/scaling/SampleScaler.h"
#include "convert/scaling/WidenCodes.h"
#include "convert/threads/WriteBehind.h"
#include "platform/WriteRoom.h"
#include "recording/CardTable.h"
#include "recording/LittleEndian.h"

namespace vantrel {

namespace {

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

    bool Append(const MatVar& var) {
        return var && Mat_VarWriteAppend(file_, var.get(), compression_, 1) == 0;
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

// Scan-major chunk values into MATLAB's column-major order: of `rows` scans of `stride`
// samples, the samples at `columns` go to rows [first, first + rows) of a matrix of `height`
// rows, one matrix column each.
template <typename T>
void Transpose(const T* in, T* out, std::uint64_t rows, std::uint64_t stride,
               const std::vector<std::uint32_t>& columns, std::uint64_t first,
               std::uint64_t height) {
    for (std::uint64_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            out[c * height + first + r] = in[r * stride + columns[c]];
        }
    }
}

// The two matrices of a chunk, as a card's codes and scaled values.
struct ChunkArrays {
    std::vector<double> values;
    std::vector<std::uint16_t> words;  // 16-bit cards
    std::vector<std::int32_t> codes;   // 24-bit cards

    void Fill(SampleScaler& scaler, std::span<const std::uint8_t> bytes, std::uint64_t samples,
              std::int16_t cardType, bool sixteenBit) {
        scaler.Scale(bytes, std::span<double>(values.data(), samples));
        if (sixteenBit) {
            for (std::uint64_t i = 0; i < samples; ++i) {
                words[i] = LoadLe16(bytes.data() + 2 * i);
            }
        } else {
            WidenCodes(bytes, std::span<std::int32_t>(codes.data(), samples), samples, cardType);
        }
    }
};

// Bytes of a pipe taken at once while MATLAB 5 gathers them.
constexpr std::uint64_t kPipeStep = std::uint64_t{1} << 20;

// matio reports through a log function; its failures become our messages instead.
void QuietMatio() {
    QuietHdf5();  // MATLAB 7.3 files are written by HDF5, which matio's log set-up starts
    static std::once_flag quiet;
    std::call_once(quiet, [] { Mat_LogInitFunc("vantrel", [](int, char*) {}); });
}

// matio does not report a short write of a MATLAB 5 file (a full disk, a size limit), so
// the file is read back as far as it takes to know it whole: every variable's header, and
// the last element of the matrix written last, `codes`, which ends the file.
bool Mat5IsWhole(const std::string& name, std::size_t variables, std::uint64_t total,
                 std::int64_t lastCode) {
    MatFile file(Mat_Open(name.c_str(), MAT_ACC_RDONLY));
    if (!file) {
        return false;
    }
    std::size_t found = 0;
    bool lastCodeRead = total == 0;
    while (MatVar var{Mat_VarReadNextInfo(file.get())}) {
        ++found;
        if (total > 0 && var->name != nullptr && std::string(var->name) == "codes") {
            // Read as the variable's class (its data type is known only once read).
            const bool words = var->class_type == MAT_C_UINT16;
            std::int32_t code = 0;
            std::uint16_t word = 0;
            void* into = words ? static_cast<void*>(&word) : &code;
            lastCodeRead = Mat_VarReadDataLinear(file.get(), var.get(), into,
                                                 static_cast<int>(total - 1), 1, 1) == 0 &&
                           (words ? word : code) == lastCode;
        }
    }
    return found == variables && lastCodeRead;
}

WriteResult WriteMat(const WriteJob& job, bool version5) {
    QuietMatio();
    const RecordingHeader& header = job.recording.header;
    const CardInfo& card = CardFacts(header.cardType());
    const bool sixteenBit = card.elementSize == 2;
    const matio_classes codeClass = sixteenBit ? MAT_C_UINT16 : MAT_C_INT32;
    const matio_types codeType = sixteenBit ? MAT_T_UINT16 : MAT_T_INT32;
    // MATLAB 7.3 appends a block per chunk: chunks of 1 MiB of doubles keep them few.
    const TableShape shape = ShapeOf(job, std::uint64_t{1} << 17);
    const std::uint64_t total = shape.scans * shape.columns;
    const std::uint64_t chunkColumns = shape.scansPerChunk * shape.columns;
    ChunkArrays chunk;
    // Column-major: the whole recording in the first (MATLAB 5), or a chunk in each, taking
    // turns while the other is appended behind (7.3).
    std::array<ChunkArrays, 2> orderedSets;
    std::optional<SampleScaler> scaler;
    try {
        const auto hold = [sixteenBit](ChunkArrays& arrays, std::uint64_t samples) {
            arrays.values.resize(samples);
            if (sixteenBit) {
                arrays.words.resize(samples);
            } else {
                arrays.codes.resize(samples);
            }
        };
        hold(chunk, shape.chunkSamples());
        hold(orderedSets[0], version5 ? total : chunkColumns);
        if (!version5) {
            hold(orderedSets[1], chunkColumns);
        }
        scaler.emplace(header, job.recording.queue, job.part.carried, ConvertedSamples(job));
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }
    const auto codesOf = [sixteenBit](const ChunkArrays& arrays) {
        return sixteenBit ? static_cast<const void*>(arrays.words.data()) : arrays.codes.data();
    };

    const std::string banner = std::string(version5 ? "MATLAB 5.0" : "MATLAB 7.3") +
                               " MAT-file, written by " + ConverterName();
    MatFile file(Mat_CreateVer(job.outputName.c_str(), banner.c_str(),
                               version5 ? MAT_FT_MAT5 : MAT_FT_MAT73));
    if (!file) {
        return WriteResult::kWriteFailed;
    }
    MatWriter out(file.get(), job.options.compress);
    WriteBehind<ChunkArrays> behind(orderedSets);

    std::uint64_t row = 0;
    WriteResult result = ForEachChunk(
        job, shape, card.elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t scans) {
            chunk.Fill(*scaler, bytes, samples, header.cardType(), sixteenBit);
            ChunkArrays& ordered = version5 ? orderedSets[0] : behind.Next();
            // MATLAB 5: the chunk's rows go to their place in the whole; 7.3: the chunk alone.
            const std::uint64_t first = version5 ? row : 0;
            const std::uint64_t height = version5 ? shape.scans : scans;
            const std::vector<std::uint32_t>& columns = job.part.columns;
            Transpose(chunk.values.data(), ordered.values.data(), scans, shape.channels, columns,
                      first, height);
            if (sixteenBit) {
                Transpose(chunk.words.data(), ordered.words.data(), scans, shape.channels, columns,
                          first, height);
            } else {
                Transpose(chunk.codes.data(), ordered.codes.data(), scans, shape.channels, columns,
                          first, height);
            }
            row += scans;
            if (version5 || shape.columns == 0) {
                return true;
            }
            return behind.Hand([&, scans](ChunkArrays& arrays) {
                QuietHdf5();  // a thread-safe HDF5 keeps the error handler per thread
                const std::uint64_t room = scans * shape.columns * (sixteenBit ? 10 : 12);
                if (!CanGrowBy(job.outputName, room + Hdf5Margin(shape.columns))) {
                    return false;
                }
                return out.Append(Variable("scaled", MAT_C_DOUBLE, MAT_T_DOUBLE, scans,
                                           shape.columns, arrays.values.data())) &&
                       out.Append(Variable("codes", codeClass, codeType, scans, shape.columns,
                                           codesOf(arrays)));
            });
        });
    const bool appended = behind.Finish();
    if (result == WriteResult::kWritten && !appended) {
        result = WriteResult::kWriteFailed;
    }
    if (result != WriteResult::kWritten) {
        return result;
    }
    const ChunkArrays& ordered = orderedSets[0];
    const void* orderedCodes = codesOf(ordered);
    bool written = VisitFacts(job.facts, job.samples.SourceSha256(), out);
    // The whole matrices where nothing was appended: MATLAB 5, or an empty table. For
    // MATLAB 5 they come last, `codes` at the very end, which the check after reads.
    if (written && (version5 || total == 0)) {
        written = out.Write(Variable("scaled", MAT_C_DOUBLE, MAT_T_DOUBLE, shape.scans,
                                     shape.columns, ordered.values.data())) &&
                  out.Write(Variable("codes", codeClass, codeType, shape.scans, shape.columns,
                                     orderedCodes));
    }
    written = file.Close() && written;
    if (written && version5) {
        const std::int64_t lastCode = total == 0   ? 0
                                      : sixteenBit ? ordered.words[total - 1]
                                                   : ordered.codes[total - 1];
        written = Mat5IsWhole(job.outputName, out.written(), total, lastCode);
    }
    return written ? WriteResult::kWritten : WriteResult::kWriteFailed;
}

WriteResult WriteMat73(const WriteJob& job) {
    return WriteMat(job, false);
}

// MATLAB 5 holds the whole recording. A pipe's block has only the size its header claims:
// its bytes are taken first as they come, so that a false claim costs no more memory than
// the bytes that did arrive, and the matrices are made once they are all there.
WriteResult WriteMat5(const WriteJob& job) {
    if (job.samples.sizeIsThere()) {
        return WriteMat(job, true);
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
    const WriteJob fromMemory{job.recording, job.options,    job.part,     job.facts,  held,
                              job.out,       job.outputName, job.progress, job.refusal};
    return WriteMat(fromMemory, true);
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

const OutputFormatInfo kMatFormat = {
    .format = OutputFormat::kMat,
    .name = NameOf(OutputFormat::kMat),
    .listText = "Scaled data and codes to MATLAB 7.3 file (.mat)",
    .description = "MATLAB 7.3 variables scaled, codes and the recording's facts (HDF5 inside)",
    .extension = ".mat",
    .options = {FormatOption::kCompress},
    .byName = true,
    .recordsSource = true,
    .allocationMessage = "Failed to allocate scaled data-array",
    .write = &WriteMat73,
};

const OutputFormatInfo kMat5Format = {
    .format = OutputFormat::kMat5,
    .name = NameOf(OutputFormat::kMat5),
    .listText = "Scaled data and codes to MATLAB 5 file (.mat)",
    .description = "MATLAB 5 variables for SciPy, R and old MATLAB versions (held in memory)",
    .extension = ".mat",
    .options = {FormatOption::kCompress},
    .byName = true,
    .recordsSource = true,
    .allocationMessage = "Failed to allocate scaled data-array",
    .write = &WriteMat5,
    .refuse = &RefuseForMat5,
};

}  // namespace vantrel
