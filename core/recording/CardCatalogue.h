// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The fixed name tables through which a recording is presented: card models (from the card
// table), input range labels, sample widths and channel orders. Every lookup checks its
// index; codes outside a table read as "Unknown (N)".

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

inline constexpr std::array<std::string_view, 37> RangeLabels = {
    "none",    "+/-10V",   "+/-5V",     "+/-2.5V",    "+/-1.25V", "+/-0.625V", "+/-0.3125V",
    "+/-0.5V", "+/-0.05V", "+/-0.005V", "+/-1V",      "+/-0.1V",  "+/-0.01V",  "+/-0.001V",
    "0~20V",   "0~10V",    "0~5V",      "0~2.5V",     "0~1.25V",  "0~1V",      "0~0.1V",
    "0~0.01V", "0~0.001V", "+/-2V",     "+/-0.25V",   "+/-0.2V",  "0~4V",      "0~2V",
    "0~0.5V",  "0~0.4V",   "+/-1.5V",   "+/-0.2125V", "+/-40V",   "+/-3.16V",  "+/-0.316V",
    "+/-25V",  "+/-12.5V",
};

inline constexpr std::array<std::string_view, 3> WidthNames = {"8 bits", "16 bits", "32 bits"};
inline constexpr std::array<std::string_view, 3> OrderNames = {"0-1-2-3", "3-2-1-0", "Custom"};

// The card model name of a card type, or "Unknown (N)" outside 0..8.
std::string CardName(std::int32_t cardType);
// The label of a range code, or "Unknown (N)" outside 0..36.
std::string RangeLabel(std::int32_t rangeCode);
// "8 bits" for 0, "16 bits" for 1, "32 bits" for any other width code.
std::string_view WidthName(std::int32_t widthCode);
// "0-1-2-3" for 0, "3-2-1-0" for 1, "Custom" for any other order code.
std::string_view OrderName(std::int32_t orderCode);

}  // namespace vantrel
