#pragma once

// The three output writers and the title lines they share. A writer takes its samples from
// a SampleSource chunk by chunk of whole scans and writes through an OutputBuffer; the file
// itself is created and closed by the conversion run.

#include <cstdint>
#include <string>

#include "convert/OutputBuffer.h"
#include "convert/SampleSource.h"
#include "platform/MessageSink.h"
#include "recording/ConversionState.h"

namespace vantrel {

inline constexpr const char* kScaledAllocationMessage = "Failed to allocate scaled data-array";
inline constexpr const char* kCodesAllocationMessage = "Failed to allocate binary data-array";

// How a writer ended.
enum class WriteResult {
    kWritten,           // the whole body went to the buffer (the run still checks the flush)
    kAllocationFailed,  // its conversion array could not be had; the writer showed its message
    kReadFailed,        // the sample source could not supply its bytes
    kWriteFailed,       // a write of the output failed
    kUnsupportedCard,   // the card type has no decoding (the run refuses such recordings first)
};

// Everything one writer call works with.
struct WriteJob {
    const ConversionState& state;  // header, queue, titleFlag, separatorIndex
    SampleSource& samples;
    OutputBuffer& out;
    MessageSink& messages;
};

// Samples a writer converts per chunk (rounded down to whole scans, at least one scan), so
// memory stays bounded whatever the recording's size.
inline constexpr std::uint64_t kChunkSamples = std::uint64_t{1} << 16;

// ";Mervik DAQ Data of Card %s" and the channel labels, each line ending in CR LF.
void WriteTitleLines(const ConversionState& state, OutputBuffer& out);

// The label of a channel in title line 2: "Channel_%-3d".
std::string ChannelLabel(int channel);

// One line per scan, one cell per channel in the card type's cell format.
WriteResult WriteScaledText(const WriteJob& job);
// N little-endian doubles, no header.
WriteResult WriteScaledBinary(const WriteJob& job);
// One line per scan, one "%11d" cell per widened code.
WriteResult WriteCodesText(const WriteJob& job);

}  // namespace vantrel
