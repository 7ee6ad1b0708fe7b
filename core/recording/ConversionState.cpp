#include "recording/ConversionState.h"

namespace vantrel {

void ConversionState::ClearDisplayTexts() {
    for (std::string* text : {&cardText, &channelText, &orderText, &widthText, &scanText, &rateText,
                              &dateText, &timeText, &rangeText, &queueText}) {
        text->clear();
    }
}

}  // namespace vantrel
