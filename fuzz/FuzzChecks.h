// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What the fuzz targets share: an input loaded from a memory disk as the window loads it,
// the conversions they run on it, the promises every load and conversion must keep, and
// the choices an input makes for the targets (a chunk size, a variant). A broken promise
// aborts, so the fuzzer records the input like a crash.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ConversionState.h"
#include "MemoryFileApi.h"
#include "convert/run/ConversionOptions.h"
#include "platform/MessageSink.h"
#include "platform/Platform.h"
#include "recording/Outcome.h"

namespace vantrel::fuzz {

using Bytes = MemoryFileApi::Bytes;

inline constexpr const char* kInput = "recording.daq";
inline constexpr const char* kOutput = "out.cvt";

class Messages final : public MessageSink {
  public:
    void ShowMessage(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

[[noreturn]] void Broken(std::string_view promise);
// Aborts with `promise` unless it was kept. Inline, taking a view: it runs for every
// character and line of an output.
inline void Require(bool kept, std::string_view promise) {
    if (!kept) {
        Broken(promise);
    }
}
bool IsOneOf(const std::string& text, std::initializer_list<const char*> texts);
// The one message a finished operation showed; aborts unless there was exactly one.
const std::string& OnlyMessage(const Messages& messages, const char* operation);

// An input as the recording file of a memory disk, loaded into `state` as the window loads
// it, with the load's promises checked. Outputs go to kOutput on the same disk.
struct LoadedInput {
    explicit LoadedInput(std::span<const std::uint8_t> data);
    LoadedInput(const LoadedInput&) = delete;
    LoadedInput& operator=(const LoadedInput&) = delete;

    Bytes recording;  // the input's bytes
    // The memory disk's size: room for every output of the input's samples, so that what a
    // header claims beyond them (billions of empty scans, a line each) fills it, and the
    // conversion stops at the first failed write.
    std::uint64_t diskSize;
    MemoryFileApi files;
    Messages messages;
    Platform platform{files, messages};
    ConversionState state;
    bool loaded = false;
    Outcome outcome;  // of the last conversion
};

// Bytes 58 and 59 of the header, which nothing reads, hold the input's choices for the
// fuzz targets, so the fuzzer steers them like any other byte and a regression input keeps
// them: byte 58 and the low four bits of byte 59 choose a chunk size, the high four bits a
// variant.

// The chunk size, in samples, that the input's conversions are repeated with; every output
// must be the same as at each format's own chunk size. Byte 58 plus one, shifted up by the
// low four bits of byte 59 mod 11: so one scan (both 0), small primes, sizes just off a
// record or a scan, and a few of the formats' own chunks are each a mutation away. The size
// grows as needed to cut the recording into at most `maxChunks` chunks: more would only
// slow the fuzzer.
std::uint64_t ChunkSamplesOf(const LoadedInput& input, std::uint64_t maxChunks);

// 0 to 15: which of the conversions that a target cannot afford on every input this one
// gets (a text option, a way of streaming, a format).
unsigned VariantOf(const LoadedInput& input);

// Runs the window's "Start Convert" on the loaded recording with the state's options; its
// outcome goes to input.outcome and its message to `messages`.
void StartConvertHeld(LoadedInput& input);

// Converts the loaded recording with the state's options onto a path that holds nothing;
// returns the output (empty when none was written) and leaves the message in `messages`.
Bytes Convert(LoadedInput& input);

// The conversion as the command-line tool runs it, without a held block, with `options`:
// the loader's checks, then the samples streamed from the file (or from a pipe, whose size
// is unknown). Checks it like Convert's and returns the output.
Bytes ConvertStreamed(LoadedInput& input, const ConversionOptions& options, bool pipe);

// Every conversion ends with one message (input.outcome's). On success the output is
// complete; on failure the path holds what it held before the run (`before`: nothing, or an
// earlier output).
void CheckConversion(const LoadedInput& input, const ConversionState& state,
                     const Bytes* before = nullptr);

}  // namespace vantrel::fuzz
