// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The program's three dialog templates and its string resource.

#include <string_view>

#include "DialogTemplate.h"

namespace vantrel {

// Resource identifiers.
inline constexpr int kAboutTemplateId = 100;
inline constexpr int kMainTemplateId = 102;
inline constexpr int kViewerTemplateId = 132;
inline constexpr int kProgramIconId = 128;
inline constexpr int kLogoBitmapId = 134;
inline constexpr int kTaglineBitmapId = 135;

// String 101: the About item of the main window's system menu.
inline constexpr std::string_view kAboutMenuText = "&About Vantrel...";

// Control identifiers of the main window.
namespace ctl {
inline constexpr int kView = 1000;
inline constexpr int kInputPath = 1001;
inline constexpr int kBrowseInput = 1002;
inline constexpr int kLoad = 1003;
inline constexpr int kOutputPath = 1004;
inline constexpr int kBrowseOutput = 1005;
inline constexpr int kSpace = 1008;
inline constexpr int kTab = 1009;
inline constexpr int kComma = 1010;
inline constexpr int kTitle = 1011;
inline constexpr int kStartConvert = 1012;
inline constexpr int kAbout = 1013;
inline constexpr int kCardText = 1015;
inline constexpr int kChannelText = 1016;
inline constexpr int kScanText = 1017;
inline constexpr int kWidthText = 1018;
inline constexpr int kOrderText = 1019;
inline constexpr int kRangeText = 1020;
inline constexpr int kRateText = 1021;
inline constexpr int kDateText = 1022;
inline constexpr int kTimeText = 1023;
inline constexpr int kQueueText = 1024;
inline constexpr int kChannelList = 1025;
inline constexpr int kFormatList = 1027;
inline constexpr int kDecimal = 1028;
inline constexpr int kHexadecimal = 1029;
inline constexpr int kPreview = 1030;
}  // namespace ctl

const DialogTemplate& MainTemplate();    // 102, the main window
const DialogTemplate& ViewerTemplate();  // 132, the channel/range viewer
const DialogTemplate& AboutTemplate();   // 100, the About box

}  // namespace vantrel
