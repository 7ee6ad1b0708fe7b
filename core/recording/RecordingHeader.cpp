// SPDX-License-Identifier: BSD-3-Clause
#include "recording/RecordingHeader.h"

#include <algorithm>

#include "recording/LittleEndian.h"

namespace vantrel {

bool RecordingHeader::HasMagic() const {
    return std::equal(kMagic.begin(), kMagic.end(), bytes_.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

double RecordingHeader::scanRate() const {
    return LoadLeDouble(bytes_.data() + kScanRateOffset);
}

int RecordingHeader::elementSize() const {
    switch (widthCode()) {
        case 0:
            return 1;
        case 1:
            return 2;
        default:
            return 4;
    }
}

void RecordingHeader::SetMagic(std::string_view magic) {
    SetText(kMagicOffset, kMagic.size(), magic);
}

void RecordingHeader::SetScanCount(std::int32_t v) {
    StoreLe32(bytes_.data() + kScanCountOffset, static_cast<std::uint32_t>(v));
}

void RecordingHeader::SetScanRate(double v) {
    StoreLeDouble(bytes_.data() + kScanRateOffset, v);
}

std::int16_t RecordingHeader::I16(std::size_t offset) const {
    return static_cast<std::int16_t>(LoadLe16(bytes_.data() + offset));
}

std::int32_t RecordingHeader::I32(std::size_t offset) const {
    return static_cast<std::int32_t>(LoadLe32(bytes_.data() + offset));
}

void RecordingHeader::SetI16(std::size_t offset, std::int16_t v) {
    StoreLe16(bytes_.data() + offset, static_cast<std::uint16_t>(v));
}

void RecordingHeader::SetText(std::size_t offset, std::size_t size, std::string_view text) {
    for (std::size_t i = 0; i < size; ++i) {
        bytes_[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
    }
}

}  // namespace vantrel
