// MATLAB files, written with matio: one top-level variable per fact (`scaled`, `codes`,
// `channel`, `range_label` as a cell array, `scan_rate_hz`, ...), `scaled` and `codes` as
// scans x channels. MATLAB 7.3 (HDF5 inside) takes the two matrices scan block by scan
// block as the samples stream; MATLAB 5 has no appending, so both are gathered whole in
// memory and written at the end, and a variable of 2 GiB or more, which it cannot hold, is
// refused before the output is created.

#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "convert/MatioHandle.h"
#include "convert/OutputFormats.h"
#include "convert/SampleScaler.h"
#include "convert/WidenCodes.h"
#include "recording/CardTable.h"
#include "recording/LittleEndian.h"

namespace vantrel {

namespace {

// MATLAB 5 sizes a variable in 32 bits; MATLAB itself stops at 2 GiB.
constexpr std::uint64_t kMat5VariableLimit = std::uint64_t{1} << 31;

matio_compression Compression(const WriteJob& job) {
    return job.options.compress ? MAT_COMPRESSION_ZLIB : MAT_COMPRESSION_NONE;
}

// A variable over `data`, which must outlive it (matio copies nothing).
MatVar Variable(const char* name, matio_classes kind, matio_types type, std::size_t rows,
                std::size_t columns, const void* data) {
    std::size_t dims[2] = {rows, columns};
    return MatVar(
        Mat_VarCreate(name, kind, type, 2, dims, const_cast<void*>(data), MAT_F_DONT_COPY_DATA));
}

bool Write(mat_t* file, const MatVar& var, matio_compression compression) {
    return var && Mat_VarWrite(file, var.get(), compression) == 0;
}

bool WriteText(mat_t* file, const char* name, const std::string& text,
               matio_compression compression) {
    return Write(file, Variable(name, MAT_C_CHAR, MAT_T_UINT8, 1, text.size(), text.data()),
                 compression);
}

bool WriteInts(mat_t* file, const char* name, const std::vector<std::int32_t>& values,
               matio_compression compression) {
    return Write(file, Variable(name, MAT_C_INT32, MAT_T_INT32, 1, values.size(), values.data()),
                 compression);
}

bool WriteInt(mat_t* file, const char* name, std::int32_t value, matio_compression compression) {
    return WriteInts(file, name, {value}, compression);
}

// A 1 x n cell array of texts. The cells are copied into the cell variable, which frees
// them with itself.
bool WriteTexts(mat_t* file, const char* name, const std::vector<std::string>& texts,
                matio_compression compression) {
    std::vector<matvar_t*> cells;
    for (const std::string& text : texts) {
        std::size_t dims[2] = {1, text.size()};
        cells.push_back(Mat_VarCreate(nullptr, MAT_C_CHAR, MAT_T_UINT8, 2, dims,
                                      const_cast<char*>(text.data()), 0));
        if (cells.back() == nullptr) {
            for (matvar_t* cell : cells) {
                Mat_VarFree(cell);
            }
            return false;
        }
    }
    std::size_t dims[2] = {1, cells.size()};
    MatVar var(Mat_VarCreate(name, MAT_C_CELL, MAT_T_CELL, 2, dims, cells.data(), 0));
    if (!var) {
        for (matvar_t* cell : cells) {
            Mat_VarFree(cell);
        }
        return false;
    }
    return Mat_VarWrite(file, var.get(), compression) == 0;
}

bool WriteFacts(mat_t* file, const RecordingFacts& facts, bool inputKinds,
                const std::string& sha256, matio_compression compression) {
    std::vector<std::int32_t> channels;
    std::vector<std::int32_t> ranges;
    std::vector<std::string> labels;
    std::vector<std::int32_t> kinds;
    for (const ColumnFacts& column : facts.columns) {
        channels.push_back(column.channel);
        ranges.push_back(column.rangeCode);
        labels.push_back(column.rangeLabel);
        kinds.push_back(column.inputKind.value_or(0));
    }
    const double rate = facts.scanRateHz;
    bool ok = WriteInts(file, "channel", channels, compression) &&
              WriteInts(file, "range_code", ranges, compression) &&
              WriteTexts(file, "range_label", labels, compression) &&
              (!inputKinds || WriteInts(file, "input_kind", kinds, compression)) &&
              WriteInt(file, "card_type", facts.cardType, compression) &&
              WriteText(file, "card_name", facts.cardName, compression) &&
              WriteInt(file, "channel_count", facts.channelCount, compression) &&
              WriteInt(file, "scan_count", facts.scanCount, compression) &&
              Write(file, Variable("scan_rate_hz", MAT_C_DOUBLE, MAT_T_DOUBLE, 1, 1, &rate),
                    compression) &&
              WriteText(file, "start_date", facts.startDate, compression) &&
              WriteText(file, "start_time", facts.startTime, compression) &&
              WriteText(file, "order", facts.order, compression) &&
              WriteText(file, "source_file", facts.sourceFile, compression) &&
              WriteText(file, "source_sha256", sha256, compression) &&
              WriteText(file, "converter", ConverterName(), compression);
    if (ok && facts.startIso8601) {
        ok = WriteText(file, "start_iso8601", *facts.startIso8601, compression);
    }
    return ok;
}

// Scan-major chunk values into MATLAB's column-major order: `rows` scans of `columns`.
template <typename T>
void Transpose(const T* in, T* out, std::uint64_t rows, std::uint64_t columns) {
    for (std::uint64_t r = 0; r < rows; ++r) {
        for (std::uint64_t c = 0; c < columns; ++c) {
            out[c * rows + r] = in[r * columns + c];
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

WriteResult WriteMat(const WriteJob& job, bool version5) {
    const RecordingHeader& header = job.recording.header;
    const CardInfo& card = CardFacts(header.cardType());
    const bool sixteenBit = card.elementSize == 2;
    const matio_classes codeClass = sixteenBit ? MAT_C_UINT16 : MAT_C_INT32;
    const matio_types codeType = sixteenBit ? MAT_T_UINT16 : MAT_T_INT32;
    const TableShape shape = ShapeOf(header);
    const std::uint64_t total = shape.scans * shape.channels;
    ChunkArrays chunk;
    ChunkArrays ordered;  // column-major: a chunk (7.3), or the whole recording (5)
    std::optional<SampleScaler> scaler;
    try {
        const std::uint64_t held = version5 ? total : shape.chunkSamples();
        chunk.values.resize(shape.chunkSamples());
        ordered.values.resize(held);
        if (sixteenBit) {
            chunk.words.resize(shape.chunkSamples());
            ordered.words.resize(held);
        } else {
            chunk.codes.resize(shape.chunkSamples());
            ordered.codes.resize(held);
        }
        scaler.emplace(header, job.recording.queue);
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }
    const void* orderedCodes =
        sixteenBit ? static_cast<const void*>(ordered.words.data()) : ordered.codes.data();

    const std::string banner = std::string(version5 ? "MATLAB 5.0" : "MATLAB 7.3") +
                               " MAT-file, written by " + ConverterName();
    MatFile file(Mat_CreateVer(job.outputName.c_str(), banner.c_str(),
                               version5 ? MAT_FT_MAT5 : MAT_FT_MAT73));
    if (!file) {
        return WriteResult::kWriteFailed;
    }
    const matio_compression compression = Compression(job);

    std::uint64_t row = 0;
    const WriteResult result = ForEachChunk(
        job, shape, card.elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t scans) {
            chunk.Fill(*scaler, bytes, samples, header.cardType(), sixteenBit);
            if (version5) {
                // Chunk rows go to rows [row, row + scans) of each column of the whole.
                for (std::uint64_t r = 0; r < scans; ++r) {
                    for (std::uint64_t c = 0; c < shape.channels; ++c) {
                        const std::uint64_t at = c * shape.scans + row + r;
                        const std::uint64_t from = r * shape.channels + c;
                        ordered.values[at] = chunk.values[from];
                        if (sixteenBit) {
                            ordered.words[at] = chunk.words[from];
                        } else {
                            ordered.codes[at] = chunk.codes[from];
                        }
                    }
                }
                row += scans;
                return true;
            }
            if (shape.channels == 0) {
                return true;
            }
            Transpose(chunk.values.data(), ordered.values.data(), scans, shape.channels);
            if (sixteenBit) {
                Transpose(chunk.words.data(), ordered.words.data(), scans, shape.channels);
            } else {
                Transpose(chunk.codes.data(), ordered.codes.data(), scans, shape.channels);
            }
            const MatVar values = Variable("scaled", MAT_C_DOUBLE, MAT_T_DOUBLE, scans,
                                           shape.channels, ordered.values.data());
            const MatVar codes =
                Variable("codes", codeClass, codeType, scans, shape.channels, orderedCodes);
            return values && codes &&
                   Mat_VarWriteAppend(file.get(), values.get(), compression, 1) == 0 &&
                   Mat_VarWriteAppend(file.get(), codes.get(), compression, 1) == 0;
        });
    if (result != WriteResult::kWritten) {
        return result;
    }
    // The whole matrices where nothing was appended: MATLAB 5, or an empty table.
    if (version5 || shape.scans == 0 || shape.channels == 0) {
        const bool whole =
            Write(file.get(),
                  Variable("scaled", MAT_C_DOUBLE, MAT_T_DOUBLE, shape.scans, shape.channels,
                           ordered.values.data()),
                  compression) &&
            Write(file.get(),
                  Variable("codes", codeClass, codeType, shape.scans, shape.channels, orderedCodes),
                  compression);
        if (!whole) {
            return WriteResult::kWriteFailed;
        }
    }
    const bool described =
        WriteFacts(file.get(), job.facts, card.inputKinds, job.samples.SourceSha256(), compression);
    const bool closed = file.Close();
    return described && closed ? WriteResult::kWritten : WriteResult::kWriteFailed;
}

WriteResult WriteMat73(const WriteJob& job) {
    return WriteMat(job, false);
}

WriteResult WriteMat5(const WriteJob& job) {
    return WriteMat(job, true);
}

std::optional<std::string> RefuseForMat5(const RecordingHeader& header) {
    const TableShape shape = ShapeOf(header);
    if (shape.scans * shape.channels * sizeof(double) >= kMat5VariableLimit) {
        return std::string(
            "Recording too large for a MATLAB 5 file (2 GiB per variable): use the mat format!");
    }
    return std::nullopt;
}

}  // namespace

const OutputFormatInfo kMatFormat = {
    OutputFormat::kMat,
    "mat",
    "Scaled data and codes to MATLAB 7.3 file (.mat)",
    "MATLAB 7.3 variables scaled, codes and the recording's facts (HDF5 inside)",
    ".mat",
    false,
    true,
    true,
    "Failed to allocate scaled data-array",
    &WriteMat73,
};

const OutputFormatInfo kMat5Format = {
    OutputFormat::kMat5,
    "mat5",
    "Scaled data and codes to MATLAB 5 file (.mat)",
    "MATLAB 5 variables for SciPy, R and old MATLAB versions (held in memory)",
    ".mat",
    false,
    true,
    true,
    "Failed to allocate scaled data-array",
    &WriteMat5,
    &RefuseForMat5,
};

}  // namespace vantrel
