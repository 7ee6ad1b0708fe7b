#include "recording/PresentHeader.h"

#include <charconv>
#include <span>

#include "recording/CardCatalogue.h"

namespace vantrel {

namespace {

// Text fields of the header are not terminated; a NUL ends them early.
void AppendUntilNul(std::string& out, std::span<const std::uint8_t> bytes, bool& ended) {
    for (std::uint8_t b : bytes) {
        if (ended || b == 0) {
            ended = true;
            return;
        }
        out.push_back(static_cast<char>(b));
    }
}

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

bool PresentHeader(ConversionState& state) {
    const RecordingHeader& h = state.header;

    state.cardText = CardName(h.cardType());
    if (h.channelCount() == 1 && h.orderCode() != 2) {
        state.channelText = "1 - channel " + std::to_string(h.singleChannel());
    } else {
        state.channelText = std::to_string(h.channelCount());
    }
    state.scanText = std::to_string(h.scanCount());
    state.widthText = WidthName(h.widthCode());
    state.orderText = OrderName(h.orderCode());
    state.rangeText = RangeLabel(h.rangeCode());
    state.rateText = FormatRate(h.scanRate());

    state.dateText.clear();
    bool ended = false;
    AppendUntilNul(state.dateText, h.startDate(), ended);

    // Time, ".", milliseconds: one text that ends at its first NUL.
    state.timeText.clear();
    ended = false;
    AppendUntilNul(state.timeText, h.startTime(), ended);
    if (!ended) {
        state.timeText.push_back('.');
        AppendUntilNul(state.timeText, h.startMillis(), ended);
    }

    state.queueText = std::to_string(h.queueCount());
    return h.queueCount() > 0;
}

}  // namespace vantrel
