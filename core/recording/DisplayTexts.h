// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The ten texts that present a loaded header, each with the label the window shows beside
// it. The window, `--info` and the tests all read labels and texts from here.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

// In the order of their labels' table (the order `--info` prints them).
enum class DisplayField : std::size_t {
    kCard,
    kChannel,
    kScan,
    kWidth,
    kOrder,
    kRange,
    kRate,
    kDate,
    kTime,
    kQueue,
};

inline constexpr std::size_t kDisplayFieldCount = 10;

inline constexpr std::array<DisplayField, kDisplayFieldCount> kDisplayFields = {
    DisplayField::kCard,  DisplayField::kChannel, DisplayField::kScan, DisplayField::kWidth,
    DisplayField::kOrder, DisplayField::kRange,   DisplayField::kRate, DisplayField::kDate,
    DisplayField::kTime,  DisplayField::kQueue,
};

// The label beside each text in the main window.
constexpr std::string_view DisplayLabel(DisplayField field) {
    constexpr std::array<std::string_view, kDisplayFieldCount> kLabels = {
        "Card Type:", "Channel number:", "Number of scan:", "Data width:", "Channel order:",
        "AD Range:",  "Scan rate(Hz):",  "Start date:",     "Start time:", "Channel/Range:",
    };
    return kLabels[static_cast<std::size_t>(field)];
}

class DisplayTexts {
  public:
    std::string& operator[](DisplayField field) { return texts_[static_cast<std::size_t>(field)]; }
    const std::string& operator[](DisplayField field) const {
        return texts_[static_cast<std::size_t>(field)];
    }

    // Sets all ten to empty, as when the loaded data is dropped.
    void Clear() {
        for (std::string& text : texts_) {
            text.clear();
        }
    }

    friend bool operator==(const DisplayTexts&, const DisplayTexts&) = default;

  private:
    std::array<std::string, kDisplayFieldCount> texts_;
};

}  // namespace vantrel
