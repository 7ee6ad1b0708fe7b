// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The program's pictures, shipped as Qt resources: icon 128 and bitmaps 134 and 135.

#include <QIcon>
#include <QPixmap>

namespace vantrel {

// The size of a big icon, as the platform's icon metric gives it.
inline constexpr int kIconSize = 32;

// Icon 128 with its 32 by 32 and 16 by 16 images.
QIcon ProgramIcon();

// A bitmap resource by its id; a null pixmap for an unknown id.
QPixmap BitmapResource(int id);

}  // namespace vantrel
