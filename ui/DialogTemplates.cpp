// SPDX-License-Identifier: BSD-3-Clause
#include "DialogTemplates.h"

#include <array>

#include "recording/DisplayTexts.h"

namespace vantrel {

namespace {

using K = ControlKind;

// Template 102 in template order. Every label starts a group; the value labels carry
// design-time texts that the first data exchange replaces.
constexpr std::array kMainControls = {
    ControlSpec{kNoId, K::kLabel, "File Path:", 27, 20, 38, 11, kGroup},
    ControlSpec{kNoId, K::kGroupBox, "Input File", 7, 7, 290, 125, kNoStyle},
    ControlSpec{kNoId, K::kLabel, DisplayLabel(DisplayField::kCard), 27, 40, 46, 11, kGroup},
    ControlSpec{kNoId, K::kLabel, DisplayLabel(DisplayField::kChannel), 27, 54, 58, 11, kGroup},
    ControlSpec{kNoId, K::kLabel, DisplayLabel(DisplayField::kScan), 27, 68, 58, 11, kGroup},
    ControlSpec{kNoId, K::kLabel, DisplayLabel(DisplayField::kWidth), 27, 82, 58, 11, kGroup},
    ControlSpec{kNoId, K::kLabel, DisplayLabel(DisplayField::kOrder), 27, 96, 58, 11, kGroup},
    ControlSpec{kNoId, K::kLabel, DisplayLabel(DisplayField::kRange), 158, 40, 48, 11, kGroup},
    ControlSpec{kNoId, K::kLabel, DisplayLabel(DisplayField::kRate), 157, 54, 48, 11, kGroup},
    ControlSpec{kNoId, K::kLabel, DisplayLabel(DisplayField::kDate), 157, 68, 48, 11, kGroup},
    ControlSpec{kNoId, K::kLabel, DisplayLabel(DisplayField::kTime), 158, 82, 48, 11, kGroup},
    ControlSpec{ctl::kView, K::kPushButton, "View", 258, 95, 26, 13, kDisabled | kTabStop},
    ControlSpec{ctl::kPreview, K::kPushButton, "&Preview", 238, 111, 46, 15, kDisabled | kTabStop},
    ControlSpec{kNoId, K::kGroupBox, "Output File", 7, 136, 290, 97, kNoStyle},
    ControlSpec{ctl::kInputPath, K::kEdit, "", 71, 18, 175, 14, kBorder | kAutoHScroll | kTabStop},
    ControlSpec{ctl::kBrowseInput, K::kPushButton, "Browse", 247, 18, 36, 14, kTabStop},
    ControlSpec{kNoId, K::kLabel, DisplayLabel(DisplayField::kQueue), 157, 96, 57, 11, kGroup},
    ControlSpec{ctl::kLoad, K::kPushButton, "Load", 91, 111, 103, 15, kTabStop},
    ControlSpec{kNoId, K::kLabel, "File Path:", 27, 151, 38, 11, kGroup},
    ControlSpec{ctl::kOutputPath, K::kEdit, "", 71, 148, 175, 14,
                kBorder | kAutoHScroll | kTabStop},
    ControlSpec{ctl::kBrowseOutput, K::kPushButton, "Browse", 247, 148, 36, 14, kTabStop},
    ControlSpec{kNoId, K::kGroupBox, "Text File", 27, 185, 256, 41, kNoStyle},
    ControlSpec{kNoId, K::kLabel, "Separator:", 41, 196, 43, 11, kGroup},
    ControlSpec{ctl::kSpace, K::kAutoRadio, "Space", 83, 196, 38, 8, kGroup},
    ControlSpec{ctl::kTab, K::kAutoRadio, "Tab", 133, 196, 34, 8, kNoStyle},
    ControlSpec{ctl::kComma, K::kAutoRadio, ",", 179, 196, 25, 8, kNoStyle},
    ControlSpec{ctl::kTitle, K::kAutoCheck, "Title/Head", 223, 196, 54, 10, kTabStop},
    ControlSpec{ctl::kStartConvert, K::kPushButton, "&Start Convert", 15, 240, 77, 15, kTabStop},
    ControlSpec{kIdCancel, K::kPushButton, "&Exit", 220, 240, 69, 15, kTabStop},
    ControlSpec{ctl::kCardText, K::kLabel, "value", 87, 39, 66, 10, kGroup},
    ControlSpec{ctl::kChannelText, K::kLabel, "value", 87, 54, 66, 10, kGroup},
    ControlSpec{ctl::kScanText, K::kLabel, "value", 87, 68, 66, 10, kGroup},
    ControlSpec{ctl::kWidthText, K::kLabel, "value", 87, 82, 66, 10, kGroup},
    ControlSpec{ctl::kOrderText, K::kLabel, "value", 87, 96, 66, 10, kGroup},
    ControlSpec{ctl::kRangeText, K::kLabel, "value", 219, 40, 58, 10, kGroup},
    ControlSpec{ctl::kRateText, K::kLabel, "value", 219, 54, 58, 10, kGroup},
    ControlSpec{ctl::kDateText, K::kLabel, "value", 219, 68, 58, 10, kGroup},
    ControlSpec{ctl::kTimeText, K::kLabel, "value", 219, 82, 58, 10, kGroup},
    ControlSpec{ctl::kQueueText, K::kLabel, "value", 219, 96, 37, 10, kGroup},
    ControlSpec{ctl::kFormatList, K::kDropDownCombo, "", 71, 167, 176, 66, kVScroll | kTabStop},
    ControlSpec{kNoId, K::kLabel, "Format:", 27, 167, 38, 11, kGroup},
    ControlSpec{ctl::kAbout, K::kPushButton, "&About", 119, 240, 77, 15, kTabStop},
    ControlSpec{kNoId, K::kLabel, "Digital:", 41, 211, 28, 11, kGroup},
    ControlSpec{ctl::kDecimal, K::kAutoRadio, "Decimal", 83, 211, 40, 8, kDisabled | kGroup},
    ControlSpec{ctl::kHexadecimal, K::kAutoRadio, "Hexadecimal", 133, 211, 61, 8, kDisabled},
};

constexpr std::array kViewerControls = {
    ControlSpec{kIdOk, K::kPushButton, "OK", 57, 131, 50, 14, kDefault | kTabStop},
    ControlSpec{ctl::kChannelList, K::kListBox, "", 13, 25, 144, 96,
                kBorder | kVScroll | kTabStop | kUseTabStops | kNotify | kNoIntegralHeight},
    ControlSpec{kNoId, K::kLabel, "Channel", 14, 13, 63, 12, kCentred | kGroup},
    ControlSpec{kNoId, K::kLabel, "Range", 77, 13, 80, 12, kCentred | kGroup},
};

constexpr std::array kAboutControls = {
    ControlSpec{kNoId, K::kLabel, "Vantrel Version 1.0", 7, 33, 100, 8, kNoPrefix | kGroup},
    ControlSpec{kIdOk, K::kPushButton, "OK", 178, 7, 50, 14, kDefault | kGroup | kTabStop},
    ControlSpec{kNoId, K::kBitmap, "134", 107, 26, 121, 33, kNoStyle},
    ControlSpec{kNoId, K::kBitmap, "135", 110, 57, 91, 9, kNoStyle},
    ControlSpec{kNoId, K::kIcon, "128", 23, 7, 21, 20, kNoStyle},
};

constexpr DialogTemplate kMain{
    kMainTemplateId, "Tessary -  File Convert Utility", 304, 262, "Arial", 8, kMainControls};
constexpr DialogTemplate kViewer{
    kViewerTemplateId, "Display Channel/Range", 175, 152, "MS Sans Serif", 8, kViewerControls};
constexpr DialogTemplate kAbout{kAboutTemplateId, "About Vantrel", 235, 76, "MS Sans Serif", 8,
                                kAboutControls};

}  // namespace

const DialogTemplate& MainTemplate() {
    return kMain;
}
const DialogTemplate& ViewerTemplate() {
    return kViewer;
}
const DialogTemplate& AboutTemplate() {
    return kAbout;
}

}  // namespace vantrel
