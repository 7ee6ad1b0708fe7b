// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The About item of the main window's system menu. Qt exposes the system menu only on
// Windows, through the native window; elsewhere no item is added and "&About" serves alone.

#include <cstdint>

class QWidget;

namespace vantrel {

// Command id of the About item; the platform keeps the low four bits for itself.
inline constexpr std::uint32_t kAboutCommand = 0x0010;

// True when a system command id is the About item's (the id with its low four bits
// cleared).
inline bool IsAboutCommand(std::uint32_t command) {
    return (command & 0xFFF0u) == kAboutCommand;
}

// Appends a separator and the About item (string 101) to the window's system menu.
// Returns false where there is no system menu to change.
bool AddAboutItem(QWidget& window);

}  // namespace vantrel
