#include "convert/CellFormat.h"

#include <cstdio>

namespace vantrel {

namespace {

constexpr int kCellWidth = 11;

// snprintf writes a terminating zero; the caller's buffer has room for it.
std::size_t Checked(int written) {
    return written < 0 ? 0 : static_cast<std::size_t>(written);
}

}  // namespace

int ScaledCellDecimals(std::int16_t cardType) {
    switch (cardType) {
        case 1:
        case 3:
        case 7:
            return 7;
        case 2:
        case 8:
            return 6;
        case 4:
            return 9;
        default:
            return -1;
    }
}

std::size_t FormatScaledCell(char* out, double value, std::int16_t cardType) {
    const int decimals = ScaledCellDecimals(cardType);
    if (decimals < 0) {
        return 0;
    }
    return Checked(std::snprintf(out, kCellCapacity, "%*.*f", kCellWidth, decimals, value));
}

std::size_t FormatCodeCell(char* out, std::int32_t code) {
    return Checked(std::snprintf(out, kCellCapacity, "%*d", kCellWidth, static_cast<int>(code)));
}

}  // namespace vantrel
