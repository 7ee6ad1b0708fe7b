// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Builds recording files byte by byte: header, channel-gain queue and sample words, all
// little-endian. Used by the example generator, the tests, the fuzz corpus and the
// benchmark; nothing of the program itself depends on it.

#include <cstdint>
#include <string>
#include <vector>

#include "recording/ChannelGainEntry.h"
#include "recording/RecordingHeader.h"

namespace vantrel {

class RecordingBuilder {
  public:
    // A valid header: magic, card type 1, one channel, 16-bit, ascending, "+/-10V",
    // 1000 Hz, a start date and time; no queue, no samples.
    RecordingBuilder();

    RecordingHeader& header() { return header_; }
    const RecordingHeader& header() const { return header_; }

    // Appends a queue entry and sets queueCount to the number of entries.
    RecordingBuilder& AddQueueEntry(std::uint8_t channel, std::uint8_t rangeCode);
    RecordingBuilder& AddWord16(std::uint16_t word);
    RecordingBuilder& AddWord32(std::uint32_t word);
    RecordingBuilder& AddBytes(const std::vector<std::uint8_t>& bytes);

    // Header, queue and samples as the file holds them.
    std::vector<std::uint8_t> Bytes() const;
    // Writes Bytes() to `path`; throws std::runtime_error when it cannot.
    void WriteTo(const std::string& path) const;

  private:
    RecordingHeader header_;
    ChannelGainQueue queue_;
    std::vector<std::uint8_t> samples_;
};

}  // namespace vantrel
