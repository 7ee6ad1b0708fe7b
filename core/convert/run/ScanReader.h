// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A recording's samples as arrays of whole scans, read from its file on demand: the scaled
// values the scaled binary output holds and the codes the codes text output holds, for any
// range of scans. A range that starts inside the recording begins with the carried value
// the whole conversion would have there. Scripts and notebooks read recordings through it.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "convert/names/ChannelNames.h"
#include "platform/Platform.h"
#include "recording/DisplayTexts.h"
#include "recording/LoadedRecording.h"
#include "recording/Outcome.h"

namespace vantrel {

// When a recording's file no longer holds the header and queue it was opened with.
inline constexpr const char* kRecordingChangedMessage = "Recording changed since it was opened!";

// What opening a recording found: everything a load knows before its sample read.
struct ScanRecording {
    LoadedRecording recording;  // header, queue and loadedPath; never a sample block
    DisplayTexts display;
    std::uint64_t sampleBytes = 0;
    // Per position of a scan, the transducer its scaled values go through; empty for none.
    std::vector<Transducer> transducers;

    std::uint64_t channels() const;
    std::uint64_t scans() const;
    // 2 for the 16-bit cards, 4 for the 24-bit ones, 0 for a card without rules.
    int elementSize() const;
};

// The load of `path` up to its sample read, with the load's checks and messages; where it
// stopped, the outcome says why.
Result<ScanRecording> OpenScanRecording(const std::string& path, const Platform& platform);

// What a reader reads: scaled values (ReadScaled), or codes (ReadWords, ReadCodes).
enum class ScanValues { kScaled, kCodes };

// Reads consecutive scans from a recording's file, opened anew for each reader, so several
// readers of one recording can run at once.
class ScanReader {
  public:
    // Opens the recording's file at its first scan. Fails, with the message shown, when the
    // recording cannot be converted (the run's refusals), the file cannot be read, or it no
    // longer holds the header and queue `opened` has. `opened` must outlive the reader.
    static Result<ScanReader> Open(const ScanRecording& opened, const Platform& platform,
                                   ScanValues values);

    ScanReader(ScanReader&&) noexcept;
    ScanReader& operator=(ScanReader&&) noexcept;
    ~ScanReader();

    // Scans read or passed so far.
    std::uint64_t position() const;

    // Each reads the next `scans` scans (at most those left) into `out`, which holds one
    // element per sample. Unreadable, with "Read Input File Error!" shown, when the file ends
    // early or fails.
    Outcome ReadScaled(std::uint64_t scans, std::span<double> out);
    Outcome ReadWords(std::uint64_t scans, std::span<std::uint16_t> out);  // 16-bit cards
    Outcome ReadCodes(std::uint64_t scans, std::span<std::int32_t> out);   // any card

    // Moves on to scan `scan` (not before position()), seeking past what lies between where
    // the file can. A reader of scaled values reads the scan before `scan` for the carried
    // value the whole conversion has there.
    Outcome SkipTo(std::uint64_t scan);

  private:
    struct State;
    explicit ScanReader(std::unique_ptr<State> state);
    template <typename Convert>
    Outcome ReadChunks(std::uint64_t scans, Convert convert);

    std::unique_ptr<State> state_;
};

}  // namespace vantrel
