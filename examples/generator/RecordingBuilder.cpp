// SPDX-License-Identifier: BSD-3-Clause
#include "RecordingBuilder.h"

#include <fstream>
#include <stdexcept>

#include "recording/LittleEndian.h"

namespace vantrel {

RecordingBuilder::RecordingBuilder() {
    header_.SetMagic(RecordingHeader::kMagic);
    header_.SetCardType(1);
    header_.SetChannelCount(1);
    header_.SetScanCount(0);
    header_.SetWidthCode(1);
    header_.SetOrderCode(0);
    header_.SetRangeCode(1);
    header_.SetScanRate(1000.0);
    header_.SetStartDate("12/08/26");
    header_.SetStartTime("15:27:32");
    header_.SetStartMillis("480");
}

RecordingBuilder& RecordingBuilder::AddQueueEntry(std::uint8_t channel, std::uint8_t rangeCode) {
    queue_.push_back({channel, rangeCode});
    header_.SetQueueCount(static_cast<std::int16_t>(queue_.size()));
    return *this;
}

RecordingBuilder& RecordingBuilder::AddWord16(std::uint16_t word) {
    std::uint8_t bytes[2];
    StoreLe16(bytes, word);
    samples_.insert(samples_.end(), bytes, bytes + 2);
    return *this;
}

RecordingBuilder& RecordingBuilder::AddWord32(std::uint32_t word) {
    std::uint8_t bytes[4];
    StoreLe32(bytes, word);
    samples_.insert(samples_.end(), bytes, bytes + 4);
    return *this;
}

RecordingBuilder& RecordingBuilder::AddBytes(const std::vector<std::uint8_t>& bytes) {
    samples_.insert(samples_.end(), bytes.begin(), bytes.end());
    return *this;
}

std::vector<std::uint8_t> RecordingBuilder::Bytes() const {
    std::vector<std::uint8_t> out(header_.bytes().begin(), header_.bytes().end());
    for (const auto& entry : queue_) {
        out.push_back(entry.channel);
        out.push_back(entry.rangeCode);
    }
    out.insert(out.end(), samples_.begin(), samples_.end());
    return out;
}

void RecordingBuilder::WriteTo(const std::string& path) const {
    const auto bytes = Bytes();
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace vantrel
