// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Where the picture of a minimised window goes: centred in the client area, in signed
// integer division that truncates toward zero, so an icon wider than the client area
// starts left of it.

#include <QPoint>

namespace vantrel {

QPoint MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

}  // namespace vantrel
