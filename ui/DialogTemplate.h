// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A dialog described as data, control by control, in the units and order of its template:
// positions in dialog units, template order = creation order = Tab order.

#include <cstdint>
#include <span>
#include <string_view>

namespace vantrel {

enum class ControlKind {
    kLabel,     // static text
    kGroupBox,  // frame with a caption; its controls are its siblings, not its children
    kPushButton,
    kEdit,           // one-line edit field
    kAutoRadio,      // radio button; exclusive within its group
    kAutoCheck,      // two-state check box
    kDropDownCombo,  // combo box with an editable field and a drop-down list
    kListBox,
    kBitmap,  // picture of a bitmap resource, shown at the bitmap's own size
    kIcon,    // picture of an icon resource, shown at the icon's own size
};

// Window and control styles the builder honours.
enum ControlStyle : std::uint32_t {
    kNoStyle = 0,
    kTabStop = 1u << 0,
    kGroup = 1u << 1,  // starts a group (radio buttons up to the next group start)
    kDisabled = 1u << 2,
    kDefault = 1u << 3,   // the default push button
    kCentred = 1u << 4,   // centred label text
    kNoPrefix = 1u << 5,  // "&" shows as itself
    kBorder = 1u << 6,
    kAutoHScroll = 1u << 7,
    kVScroll = 1u << 8,
    kUseTabStops = 1u << 9,        // list box expands tab characters
    kNoIntegralHeight = 1u << 10,  // list box keeps its exact height
    kNotify = 1u << 11,
};

// Control identifier for statics without one.
inline constexpr int kNoId = -1;
// The dialog's OK and cancel commands.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

struct ControlSpec {
    int id;
    ControlKind kind;
    std::string_view text;  // for pictures: the resource id in decimal
    int x, y, w, h;         // dialog units
    std::uint32_t styles;
};

struct DialogTemplate {
    int id;
    std::string_view caption;
    int w, h;  // client size, dialog units
    std::string_view fontFamily;
    int pointSize;
    std::span<const ControlSpec> controls;
};

}  // namespace vantrel
