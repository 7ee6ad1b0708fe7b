// SPDX-License-Identifier: BSD-3-Clause
#include "recording/PresentHeader.h"

#include <charconv>

#include "recording/CardCatalogue.h"
#include "recording/HeaderText.h"

namespace vantrel {

namespace {

// "%-10.3f" as the C locale prints it. std::to_chars never consults the locale, whereas
// printf would write a decimal comma once a front end has called setlocale (Qt does).
std::string FormatRate(double rate) {
    // The largest double has 309 integer digits; with sign, point and decimals, under 320.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, rate, std::chars_format::fixed, 3);
    std::string text(buffer, result.ec == std::errc{} ? result.ptr : buffer);
    if (text.size() < 10) {
        text.append(10 - text.size(), ' ');
    }
    return text;
}

}  // namespace

DisplayTexts PresentHeader(const RecordingHeader& h) {
    DisplayTexts texts;

    texts[DisplayField::kCard] = CardName(h.cardType());
    if (h.channelCount() == 1 && h.orderCode() != 2) {
        texts[DisplayField::kChannel] = "1 - channel " + std::to_string(h.singleChannel());
    } else {
        texts[DisplayField::kChannel] = std::to_string(h.channelCount());
    }
    texts[DisplayField::kScan] = std::to_string(h.scanCount());
    texts[DisplayField::kWidth] = WidthName(h.widthCode());
    texts[DisplayField::kOrder] = OrderName(h.orderCode());
    texts[DisplayField::kRange] = RangeLabel(h.rangeCode());
    texts[DisplayField::kRate] = FormatRate(h.scanRate());

    texts[DisplayField::kDate] = StartDateText(h);
    texts[DisplayField::kTime] = StartTimeText(h);

    texts[DisplayField::kQueue] = std::to_string(h.queueCount());
    return texts;
}

bool QueueViewable(const RecordingHeader& header) {
    return header.queueCount() > 0;
}

}  // namespace vantrel
