// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The 60-byte header at the start of a recording file, held byte for byte as read.
// Fields are packed little-endian (scanCount and scanRate sit at odd offsets), so each
// accessor decodes its bytes explicitly rather than overlaying a struct.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace vantrel {

class RecordingHeader {
  public:
    static constexpr std::size_t kSize = 60;
    static constexpr std::string_view kMagic = "MervikDAQ1";

    // Byte offsets of the fields.
    enum Offset : std::size_t {
        kMagicOffset = 0,
        kCardTypeOffset = 10,
        kChannelCountOffset = 12,
        kSingleChannelOffset = 14,
        kScanCountOffset = 15,
        kWidthCodeOffset = 19,
        kOrderCodeOffset = 21,
        kRangeCodeOffset = 23,
        kScanRateOffset = 25,
        kQueueCountOffset = 33,
        kStartDateOffset = 35,
        kStartTimeOffset = 43,
        kStartMillisOffset = 51,
        kCardSettingsOffset = 54,
    };
    static constexpr std::size_t kStartDateSize = 8;
    static constexpr std::size_t kStartTimeSize = 8;
    static constexpr std::size_t kStartMillisSize = 3;
    static constexpr std::size_t kCardSettingsSize = 6;

    using Bytes = std::array<std::uint8_t, kSize>;

    RecordingHeader() = default;  // all bytes zero
    explicit RecordingHeader(const Bytes& bytes) : bytes_(bytes) {}

    const Bytes& bytes() const { return bytes_; }
    Bytes& bytes() { return bytes_; }

    // True when the first ten bytes are exactly "MervikDAQ1" (case counts).
    bool HasMagic() const;

    std::int16_t cardType() const { return I16(kCardTypeOffset); }
    std::int16_t channelCount() const { return I16(kChannelCountOffset); }
    std::uint8_t singleChannel() const { return bytes_[kSingleChannelOffset]; }
    std::int32_t scanCount() const { return I32(kScanCountOffset); }
    std::int16_t widthCode() const { return I16(kWidthCodeOffset); }
    std::int16_t orderCode() const { return I16(kOrderCodeOffset); }
    std::int16_t rangeCode() const { return I16(kRangeCodeOffset); }
    double scanRate() const;
    std::int16_t queueCount() const { return I16(kQueueCountOffset); }
    std::span<const std::uint8_t, kStartDateSize> startDate() const {
        return std::span<const std::uint8_t, kStartDateSize>(bytes_.data() + kStartDateOffset,
                                                             kStartDateSize);
    }
    std::span<const std::uint8_t, kStartTimeSize> startTime() const {
        return std::span<const std::uint8_t, kStartTimeSize>(bytes_.data() + kStartTimeOffset,
                                                             kStartTimeSize);
    }
    std::span<const std::uint8_t, kStartMillisSize> startMillis() const {
        return std::span<const std::uint8_t, kStartMillisSize>(bytes_.data() + kStartMillisOffset,
                                                               kStartMillisSize);
    }
    // Card-specific bytes 54..59; for card type 4 bytes 54..57 are input kinds.
    std::uint8_t cardSetting(std::size_t index) const {
        return bytes_[kCardSettingsOffset + index];
    }

    // Element size in bytes chosen by widthCode: 0 -> 1, 1 -> 2, anything else -> 4.
    int elementSize() const;
    // True when orderCode selects the custom (queue-driven) channel order.
    bool isCustomOrder() const { return orderCode() == 2; }

    // Setters, for the example generator and tests; the loader never edits a header.
    void SetMagic(std::string_view magic);
    void SetCardType(std::int16_t v) { SetI16(kCardTypeOffset, v); }
    void SetChannelCount(std::int16_t v) { SetI16(kChannelCountOffset, v); }
    void SetSingleChannel(std::uint8_t v) { bytes_[kSingleChannelOffset] = v; }
    void SetScanCount(std::int32_t v);
    void SetWidthCode(std::int16_t v) { SetI16(kWidthCodeOffset, v); }
    void SetOrderCode(std::int16_t v) { SetI16(kOrderCodeOffset, v); }
    void SetRangeCode(std::int16_t v) { SetI16(kRangeCodeOffset, v); }
    void SetScanRate(double v);
    void SetQueueCount(std::int16_t v) { SetI16(kQueueCountOffset, v); }
    // Copies up to the field's size; shorter text is padded with NUL bytes.
    void SetStartDate(std::string_view text) { SetText(kStartDateOffset, kStartDateSize, text); }
    void SetStartTime(std::string_view text) { SetText(kStartTimeOffset, kStartTimeSize, text); }
    void SetStartMillis(std::string_view text) {
        SetText(kStartMillisOffset, kStartMillisSize, text);
    }
    void SetCardSetting(std::size_t index, std::uint8_t v) {
        bytes_[kCardSettingsOffset + index] = v;
    }

    friend bool operator==(const RecordingHeader&, const RecordingHeader&) = default;

  private:
    std::int16_t I16(std::size_t offset) const;
    std::int32_t I32(std::size_t offset) const;
    void SetI16(std::size_t offset, std::int16_t v);
    void SetText(std::size_t offset, std::size_t size, std::string_view text);

    Bytes bytes_{};
};

}  // namespace vantrel
