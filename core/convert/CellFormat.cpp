#include "convert/CellFormat.h"

namespace vantrel {

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
    return FormatFixedCell(out, value, decimals);
}

}  // namespace vantrel
