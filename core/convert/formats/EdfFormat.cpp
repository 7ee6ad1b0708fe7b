// SPDX-License-Identifier: BSD-3-Clause
// EDF (16-bit samples) and BDF (24-bit) files for biosignal viewers, written with EDFlib:
// one signal per column, labelled Channel_N, holding the raw codes as digital samples (the
// signed code of 16-bit cards, the 24-bit code of the others) with the physical minimum
// and maximum the column's scaling rule gives the extreme codes, so that a reader's
// physical values are the scaled values to within half a code step (a 24-bit scale, to what
// the header's 8 characters for each extreme can say). A column whose range has no rule
// carries values, not a scale: it is written as codes, physical = digital.
// A data record lasts the shortest whole number of seconds (up to 60), or else the longest
// fraction of a second, that holds a whole number of scans; the last record is completed
// by repeating the last scan.
// EDFlib writes the header and the first record; the others are written by our code, the
// same bytes as EDFlib's, several records a call: EDFlib hands each record to stdio, whose
// buffer of a few KiB makes a write call of every few KiB.

#include <edflib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "convert/formats/LibraryWriters.h"
#include "convert/scaling/FullScale.h"
#include "convert/scaling/SampleDecoding.h"
#include "convert/threads/WriteBehind.h"
#include "platform/ChunkMemory.h"
#include "platform/File.h"
#include "recording/CardTable.h"
#include "recording/LittleEndian.h"

namespace vantrel {

namespace {

// An EDFlib file, owned: closed when its owner goes. EDFlib keeps its open files in tables
// of its own, without locks; the run writes one library's file at a time.
class EdfFile {
  public:
    explicit EdfFile(int handle) : handle_(handle) {}
    ~EdfFile() { Close(); }
    EdfFile(const EdfFile&) = delete;
    EdfFile& operator=(const EdfFile&) = delete;

    int get() const { return handle_; }
    explicit operator bool() const { return handle_ >= 0; }
    // Closes now; false when EDFlib reported an error.
    bool Close() { return handle_ < 0 || edfclose_file(std::exchange(handle_, -1)) == 0; }

  private:
    int handle_;
};

constexpr std::int64_t kUnitsPerSecond = 100000;  // EDFlib's record durations: 10 us
// A data record of at most this many bytes, as readers handle them.
constexpr std::uint64_t kMaxRecordBytes = std::uint64_t{10} << 20;
constexpr std::int32_t kBdfMinimum = -8388608;
constexpr std::int32_t kBdfMaximum = 8388607;

struct RecordLayout {
    std::int64_t durationUnits;  // 10 us each
    std::int64_t scansPerRecord;
};

// EDF+ keeps time in units of 100 ns: a record's onset, in its time-keeping annotation.
constexpr std::int64_t kTalUnitsPerSecond = 10000000;
// Where the header holds the number of data records, in 8 characters.
constexpr std::uint64_t kRecordCountAt = 236;
constexpr std::uint64_t kMaxRecords = 99999999;
// Records gathered for one write call of our own.
constexpr std::uint64_t kRecordBatchBytes = std::uint64_t{1} << 20;

// The time-keeping annotation of a record starting `onset` units of 100 ns after the
// file's start, as EDFlib writes it: "+seconds", then ".fraction" in seven digits where
// the records do not last whole seconds or the start has a fraction, then two 0x14 bytes,
// and zeros to the end of the annotation signal's `bytes`.
void StoreTimeKeeping(std::uint8_t* out, std::size_t bytes, std::int64_t onset, bool fraction) {
    std::string text = "+" + std::to_string(onset / kTalUnitsPerSecond);
    if (fraction) {
        const std::string digits = std::to_string(onset % kTalUnitsPerSecond);
        text += "." + std::string(7 - digits.size(), '0') + digits;
    }
    text += "\x14\x14";
    std::memset(out, 0, bytes);
    std::memcpy(out, text.data(), std::min(text.size(), bytes));
}

// BDF's samples of one signal: of `count` samples `stride` apart in a chunk, each as three
// little-endian bytes, one after another at `out`, and no more: the byte after a signal's
// part of a record is the next signal's first sample, which an earlier chunk may have
// written. (The loops take their bounds as arguments: a byte store may alias anything in
// memory, and would make them reload what they read from there.)
// The signed words of 16-bit cards.
void StoreWords24(const std::uint8_t* in, std::uint64_t stride, std::uint64_t count,
                  std::uint8_t* out) {
    for (std::uint64_t s = 0; s < count; ++s) {
        const std::int32_t code = SignedCodeAt<std::uint16_t>(in + 2 * stride * s);
        StoreLe24(out + 3 * s, static_cast<std::uint32_t>(code));
    }
}

// The 24-bit codes of the other cards: the three bytes are the word's low three, all that
// Decode24 keeps of it; a code needs more bits where bit 23 is clear and the top byte is
// not zero (then false).
bool StoreCodes24(const std::uint8_t* in, std::uint64_t stride, std::uint64_t count,
                  std::uint8_t* out) {
    std::uint32_t wide = 0;
    const auto check = [&wide](std::uint32_t word) {
        wide |= (word & 0x00800000u) != 0 ? 0 : word >> 24;
    };
    // Four bytes a store, whose last the next sample's store overwrites; three for the last.
    std::uint64_t s = 0;
    for (; s + 1 < count; ++s) {
        const std::uint32_t word = LoadLe32(in + 4 * stride * s);
        check(word);
        StoreLe32(out + 3 * s, word);
    }
    if (s < count) {
        const std::uint32_t word = LoadLe32(in + 4 * stride * s);
        check(word);
        StoreLe24(out + 3 * s, word);
    }
    return wide == 0;
}

// Of the header EDFlib wrote: its size in bytes, and the bytes of the annotation signal in a
// record (the last signal's samples per record), or nullopt.
struct WrittenHeader {
    std::uint64_t bytes;
    std::uint64_t annotationBytes;
};

std::optional<std::uint64_t> HeaderNumber(const std::vector<std::uint8_t>& header, std::size_t at,
                                          std::size_t width) {
    if (at + width > header.size()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    bool any = false;
    for (std::size_t i = at; i < at + width && header[i] != ' '; ++i) {
        if (header[i] < '0' || header[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (header[i] - '0');
        any = true;
    }
    return any ? std::optional(value) : std::nullopt;
}

std::optional<WrittenHeader> ReadWrittenHeader(const File* output, int signals, int sampleBytes) {
    File back = output != nullptr ? output->ReadBack() : File();
    // 256 bytes, then 256 a signal, the annotation signal among them.
    std::vector<std::uint8_t> header(256 * (static_cast<std::size_t>(signals) + 2));
    if (!back ||
        back.Read(header.data(), header.size()) != static_cast<std::int64_t>(header.size())) {
        return std::nullopt;
    }
    const auto bytes = HeaderNumber(header, 184, 8);
    const auto count = HeaderNumber(header, 252, 4);
    if (!bytes || !count || *count != static_cast<std::uint64_t>(signals) + 1 ||
        *bytes != header.size()) {
        return std::nullopt;
    }
    // Samples per record: 8 characters a signal, after 216 bytes a signal of other fields.
    const auto annotation = HeaderNumber(header, 256 + 216 * (signals + 1) + 8 * signals, 8);
    if (!annotation) {
        return std::nullopt;
    }
    return WrittenHeader{*bytes, *annotation * static_cast<std::uint64_t>(sampleBytes)};
}

// The data record for `rate`: whole seconds from 1 to 60 first, then fractions of one, the
// first that holds a whole number of scans (exactly, so that a reader's rate is `rate`).
std::optional<RecordLayout> LayoutFor(double rate, std::uint64_t channels, int sampleBytes) {
    if (!std::isfinite(rate) || rate <= 0.0) {
        return std::nullopt;
    }
    std::vector<std::int64_t> durations;
    for (std::int64_t seconds = 1; seconds <= 60; ++seconds) {
        durations.push_back(seconds * kUnitsPerSecond);
    }
    for (const std::int64_t units :
         {50000, 25000, 20000, 10000, 5000, 4000, 2500, 2000, 1000, 500, 400, 250, 200, 100}) {
        durations.push_back(units);
    }
    for (const std::int64_t units : durations) {
        const double scans = rate * static_cast<double>(units) / kUnitsPerSecond;
        if (scans < 1.0 || scans > 1e9) {
            continue;
        }
        const auto whole = static_cast<std::int64_t>(std::llround(scans));
        const bool exact =
            static_cast<double>(whole) * kUnitsPerSecond / static_cast<double>(units) == rate;
        if (exact &&
            static_cast<std::uint64_t>(whole) * channels * sampleBytes <= kMaxRecordBytes) {
            return RecordLayout{units, whole};
        }
    }
    return std::nullopt;
}

std::optional<std::string> RefuseFor(const RecordingHeader& header, const SelectedPart& part,
                                     int sampleBytes) {
    const auto channels = static_cast<std::int64_t>(part.columns.size());
    if (channels < 1 || channels > EDFLIB_MAXSIGNALS - 1) {
        return std::string("EDF and BDF files hold 1 to ") + std::to_string(EDFLIB_MAXSIGNALS - 1) +
               " signals!";
    }
    if (part.scans < 1) {
        return std::string("EDF and BDF files hold at least one data record: no scans!");
    }
    const auto layout =
        LayoutFor(header.scanRate(), static_cast<std::uint64_t>(channels), sampleBytes);
    if (!layout) {
        return std::string(
            "The scan rate gives no data record of EDF and BDF a whole number of scans!");
    }
    // The header counts the records in 8 characters.
    const auto perRecord = static_cast<std::uint64_t>(layout->scansPerRecord);
    if ((part.scans + perRecord - 1) / perRecord > kMaxRecords) {
        return std::string("EDF and BDF files hold at most 99999999 data records!");
    }
    return std::nullopt;
}

std::optional<std::string> RefuseForEdf(const RecordingHeader& header, const SelectedPart& part) {
    if (CardFacts(header.cardType()).elementSize == 4) {
        return std::string("EDF holds 16-bit samples: write this card's recordings as bdf!");
    }
    return RefuseFor(header, part, 2);
}

std::optional<std::string> RefuseForBdf(const RecordingHeader& header, const SelectedPart& part) {
    return RefuseFor(header, part, 3);
}

// The scale of one signal: its digital range, the physical values of its ends, its unit.
struct SignalScale {
    std::int32_t digitalMin, digitalMax;
    double physicalMin, physicalMax;
    std::string dimension;
};

// `value` rounded to what a header's 8 characters hold of it. EDFlib cuts the digits that
// do not fit off, so the value handed to it lies a tenth of the last digit beyond the
// rounded one, and its cut gives the rounded digits.
double AsHeaderSays(double value) {
    const double magnitude = std::fabs(value);
    const int integerDigits =
        magnitude < 1.0 ? 1 : static_cast<int>(std::floor(std::log10(magnitude))) + 1;
    const int decimals = 8 - integerDigits - (value < 0.0 ? 1 : 0) - 1;
    if (decimals <= 0) {
        return std::round(value);  // no fraction is written: nothing to cut
    }
    const double unit = std::pow(10.0, -decimals);
    const double rounded = std::round(value / unit) * unit;
    return rounded + std::copysign(unit / 10, rounded);
}

// A header's text is printable ASCII: any other byte becomes '_'.
std::string EdfText(const std::string& text) {
    std::string ascii = text;
    for (char& c : ascii) {
        if (c < 0x20 || c > 0x7E) {
            c = '_';
        }
    }
    return ascii;
}

SignalScale ScaleOf(const CardInfo& card, const ColumnFacts& column) {
    const bool sixteenBit = card.elementSize == 2;
    const std::int32_t low = sixteenBit ? -32768 : kBdfMinimum;
    const std::int32_t high = sixteenBit ? 32767 : kBdfMaximum;
    const auto scale = FullScaleOf(card, static_cast<std::uint16_t>(column.rangeCode),
                                   static_cast<std::int8_t>(column.inputKind.value_or(0)));
    // A unit or a transducer of the user's: the extremes go through the transducer, in the
    // user's unit as it stands.
    if (!column.transducer.identity() || column.unit != ColumnUnit(card.cardType, column)) {
        const double physicalLow = scale ? scale->low : static_cast<double>(low);
        const double physicalHigh = scale ? scale->high : static_cast<double>(high);
        return {low, high, column.transducer.Apply(physicalLow),
                column.transducer.Apply(physicalHigh), EdfText(column.unit)};
    }
    if (!scale) {
        return {low, high, static_cast<double>(low), static_cast<double>(high), ""};
    }
    const double physicalLow = scale->low;
    const double physicalHigh = scale->high;
    if (!scale->volts) {
        return {low, high, physicalLow, physicalHigh, ""};
    }
    // A header gives each physical extreme 8 characters: volts, millivolts or microvolts,
    // whichever lets the extremes keep the most digits (a sign and seven of them).
    const double largest = std::max(std::fabs(physicalLow), std::fabs(physicalHigh));
    for (const auto& [factor, unit] : {std::pair{1e6, "uV"}, std::pair{1e3, "mV"}}) {
        if (largest * factor < 1e7) {
            return {low, high, physicalLow * factor, physicalHigh * factor, unit};
        }
    }
    return {low, high, physicalLow, physicalHigh, "V"};
}

WriteResult WriteEdf(const WriteJob& job, bool bdf) {
    const RecordingHeader& header = job.recording.header;
    const CardInfo& card = CardFacts(header.cardType());
    const bool sixteenBit = card.elementSize == 2;
    const TableShape shape = ShapeOf(job);
    const int channels = static_cast<int>(shape.columns);  // signals
    const RecordLayout layout = *LayoutFor(header.scanRate(), shape.columns, bdf ? 3 : 2);
    const auto perRecord = static_cast<std::uint64_t>(layout.scansPerRecord);
    // A data record, signal after signal: EDF takes 16-bit values, BDF 3 little-endian bytes.
    std::vector<std::int16_t> shorts;
    std::vector<std::uint8_t> triples;
    try {
        if (bdf) {
            triples.resize(3 * perRecord * shape.columns);
        } else {
            shorts.resize(perRecord * shape.columns);
        }
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }
    const auto copy = [&](std::uint64_t to, std::uint64_t from) {
        if (bdf) {
            std::memcpy(&triples[3 * to], &triples[3 * from], 3);
        } else {
            shorts[to] = shorts[from];
        }
    };

    // A header gives each physical extreme 8 characters: a transducer's may not fit, and
    // EDFlib would cut its digits off, so that every value read back would be wrong.
    for (const ColumnFacts& column : job.facts.columns) {
        const SignalScale scale = ScaleOf(card, column);
        for (const double extreme : {scale.physicalMin, scale.physicalMax}) {
            if (!(extreme < 99999999.5 && extreme > -9999999.5)) {
                *job.refusal = "The physical range of " + column.name +
                               " does not fit the 8 characters of an EDF header: give it "
                               "another unit or a smaller gain!";
                return WriteResult::kRefused;
            }
        }
    }
    EdfFile file(edfopen_file_writeonly(
        job.outputName.c_str(), bdf ? EDFLIB_FILETYPE_BDFPLUS : EDFLIB_FILETYPE_EDFPLUS, channels));
    if (!file) {
        return WriteResult::kWriteFailed;
    }
    const int handle = file.get();
    bool ok = edf_set_datarecord_duration(handle, static_cast<int>(layout.durationUnits)) == 0;
    for (int s = 0; ok && s < channels; ++s) {
        const ColumnFacts& column = job.facts.columns[static_cast<std::size_t>(s)];
        const SignalScale scale = ScaleOf(card, column);
        const std::string label = EdfText(column.name);
        ok = edf_set_samplefrequency(handle, s, static_cast<int>(layout.scansPerRecord)) == 0 &&
             edf_set_digital_minimum(handle, s, scale.digitalMin) == 0 &&
             edf_set_digital_maximum(handle, s, scale.digitalMax) == 0 &&
             edf_set_physical_minimum(handle, s, AsHeaderSays(scale.physicalMin)) == 0 &&
             edf_set_physical_maximum(handle, s, AsHeaderSays(scale.physicalMax)) == 0 &&
             edf_set_physical_dimension(handle, s, scale.dimension.c_str()) == 0 &&
             edf_set_label(handle, s, label.c_str()) == 0;
    }
    // The header's start where it reads as one, moved on to the first scan written;
    // otherwise EDF's anonymous start, 1985-01-01.
    const auto read = ParseStart(job.facts.startDate, job.facts.startTime, true);
    const auto start =
        read ? ScanClockTime(*read, job.part.firstScan, header.scanRate()) : std::nullopt;
    const bool startFits = start && start->year >= 1985 && start->year <= 2084;
    ok = ok && (startFits ? edf_set_startdatetime(handle, start->year, start->month, start->day,
                                                  start->hour, start->minute, start->second)
                          : edf_set_startdatetime(handle, 1985, 1, 1, 0, 0, 0)) == 0;
    // In units of 100 ns.
    std::int64_t startOffset = 0;
    if (ok && startFits && (read->millis || start->nanos != 0)) {
        startOffset = static_cast<std::int64_t>(start->nanos / 100);
        ok = edf_set_subsecond_starttime(handle, static_cast<int>(startOffset)) == 0;
    }
    const std::string equipment = job.facts.cardName + " scans=" + std::to_string(shape.scans);
    ok = ok && edf_set_equipment(handle, equipment.c_str()) == 0;
    if (ok && job.facts.firstScan) {
        const std::string range = "first_scan=" + std::to_string(*job.facts.firstScan);
        ok = edf_set_recording_additional(handle, range.c_str()) == 0;
    }
    if (!ok) {
        return WriteResult::kWriteFailed;
    }

    std::uint64_t filled = 0;  // scans in `record`
    std::uint64_t records = 0;
    // Our records: gathered in a batch, written at `batchAt` once it holds enough.
    const int sampleBytes = bdf ? 3 : 2;
    const std::uint64_t signalBytes = perRecord * shape.columns * sampleBytes;
    const std::int64_t recordUnits = layout.durationUnits * (kTalUnitsPerSecond / kUnitsPerSecond);
    const bool fraction = recordUnits % kTalUnitsPerSecond != 0 || startOffset != 0;
    // EDFlib writes every record where the output cannot be written at a place (or a test
    // asks it to).
    const bool ours = job.namedFile != nullptr && !job.options.edfRecordsByEdflib;
    std::optional<WrittenHeader> ourHeader;
    // Whole records, about 1 MiB of them but no more than follow the first, sized once the
    // header is read and taken when first filled: fresh memory costs a fault a page. A full
    // batch is written on a helper thread while the next one is filled.
    std::array<ChunkVector<std::uint8_t>, 2> batches;
    std::size_t batchBytes = 0;
    std::size_t batchUsed = 0;
    std::uint64_t batchAt = 0;
    WriteBehind behind(batches);
    const auto writeBatch = [&] {
        if (batchUsed == 0) {
            return true;
        }
        const std::uint64_t at = batchAt;
        const std::size_t used = batchUsed;
        batchAt += used;
        batchUsed = 0;
        return behind.Hand([&job, at, used](ChunkVector<std::uint8_t>& full) {
            return job.namedFile->WriteAt(at, full.data(), used);
        });
    };
    const auto flush = [&] {
        ++records;
        if (records == 1 || !ours) {
            // EDFlib writes the header with the first record; it is closed after it, and
            // the header it wrote tells where our records go.
            const bool put =
                (bdf ? edf_blockwrite_digital_3byte_samples(handle, triples.data())
                     : edf_blockwrite_digital_short_samples(handle, shorts.data())) == 0;
            if (!put || !ours) {
                return put;
            }
            ourHeader = file.Close() ? ReadWrittenHeader(job.namedFile, channels, sampleBytes)
                                     : std::nullopt;
            if (!ourHeader) {
                return false;
            }
            const std::uint64_t recordBytes = signalBytes + ourHeader->annotationBytes;
            batchAt = ourHeader->bytes + recordBytes;
            const std::uint64_t total = (shape.scans + perRecord - 1) / perRecord;
            batchBytes = std::clamp<std::uint64_t>(kRecordBatchBytes / recordBytes, 1,
                                                   std::max<std::uint64_t>(total, 2) - 1) *
                         recordBytes;
            return true;
        }
        ChunkVector<std::uint8_t>& batch = behind.Next();
        if (batch.empty()) {
            try {
                batch.resize(batchBytes);
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        std::uint8_t* out = batch.data() + batchUsed;
        if (bdf) {
            std::memcpy(out, triples.data(), signalBytes);
        } else if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, shorts.data(), signalBytes);  // already the file's bytes
        } else {
            for (std::uint64_t k = 0; k < perRecord * shape.columns; ++k) {
                StoreLe16(out + 2 * k, static_cast<std::uint16_t>(shorts[k]));
            }
        }
        const auto onset = static_cast<std::int64_t>(records - 1) * recordUnits + startOffset;
        StoreTimeKeeping(out + signalBytes, ourHeader->annotationBytes, onset, fraction);
        batchUsed += signalBytes + ourHeader->annotationBytes;
        return batchUsed < batch.size() || writeBatch();
    };
    WriteResult result = ForEachChunk(
        job, shape, card.elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t) {
            const std::uint8_t* in = bytes.data();
            const std::uint64_t scans = shape.channels == 0 ? 0 : samples / shape.channels;
            for (std::uint64_t scan = 0; scan < scans;) {
                // As many scans as the record has room for, one signal at a time: each
                // signal's samples go one after another into the record.
                const std::uint64_t take = std::min(scans - scan, perRecord - filled);
                for (std::uint64_t c = 0; c < shape.columns; ++c) {
                    const std::uint64_t first = scan * shape.channels + job.part.columns[c];
                    const std::uint64_t at = c * perRecord + filled;
                    if (!bdf) {
                        // EDF holds 16-bit cards only: the signed word is the sample.
                        std::int16_t* out = shorts.data() + at;
                        for (std::uint64_t s = 0; s < take; ++s) {
                            out[s] =
                                static_cast<std::int16_t>(Word16At(in, first + s * shape.channels));
                        }
                        continue;
                    }
                    std::uint8_t* out = triples.data() + 3 * at;
                    if (sixteenBit) {
                        StoreWords24(in + 2 * first, shape.channels, take, out);
                    } else if (!StoreCodes24(in + 4 * first, shape.channels, take, out)) {
                        *job.refusal =
                            "A sample code needs more than 24 bits: the recording cannot be "
                            "written as BDF!";
                        return false;
                    }
                }
                scan += take;
                filled += take;
                if (filled == perRecord) {
                    filled = 0;
                    if (!flush()) {
                        return false;
                    }
                }
            }
            return true;
        });
    if (!job.refusal->empty()) {
        result = WriteResult::kRefused;
    }
    if (result == WriteResult::kWritten && filled > 0) {
        // The last record is completed with the last scan.
        for (std::uint64_t c = 0; c < shape.columns; ++c) {
            for (std::uint64_t r = filled; r < perRecord; ++r) {
                copy(c * perRecord + r, c * perRecord + filled - 1);
            }
        }
        if (!flush()) {
            result = WriteResult::kWriteFailed;
        }
    }
    bool closed = file.Close();
    if (result != WriteResult::kWritten) {
        return result;
    }
    if (ourHeader) {
        // The records after EDFlib's first, and their count in the header.
        std::string count = std::to_string(records);
        count.resize(8, ' ');
        closed = writeBatch() && behind.Finish() &&
                 job.namedFile->WriteAt(kRecordCountAt, count.data(), 8) && closed;
    }
    // EDFlib does not report every failed write: the file must read back with every record.
    edf_hdr_struct written{};
    const bool opened = edfopen_file_readonly(job.outputName.c_str(), &written,
                                              EDFLIB_DO_NOT_READ_ANNOTATIONS) == 0;
    const EdfFile check(opened ? written.handle : -1);
    const bool whole = opened && written.datarecords_in_file == static_cast<long long>(records);
    return closed && whole ? WriteResult::kWritten : WriteResult::kWriteFailed;
}

WriteResult WriteEdf16(const WriteJob& job) {
    return WriteEdf(job, false);
}

WriteResult WriteBdf(const WriteJob& job) {
    return WriteEdf(job, true);
}

}  // namespace

const LibraryFormatCode kEdfWriter = {OutputFormat::kEdf, &WriteEdf16, &RefuseForEdf};

const LibraryFormatCode kBdfWriter = {OutputFormat::kBdf, &WriteBdf, &RefuseForBdf};

}  // namespace vantrel
