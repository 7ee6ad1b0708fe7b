// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Dialog units to pixels, the way Windows lays out a dialog template: from the template
// font's average character width cx and height cy, x pixels = x * cx / 4 and
// y pixels = y * cy / 8, each rounded as MulDiv rounds.

#include <QFont>
#include <QRect>

#include "DialogTemplate.h"

namespace vantrel {

struct DialogBaseUnits {
    int cx;  // average character width, pixels
    int cy;  // character height, pixels
};

// The template's font at the template's size, as the pixel size Windows gives it at
// 96 dots per inch; falls back to the closest installed sans-serif face.
QFont TemplateFont(const DialogTemplate& dialog);

// Average width as Windows measures it: the 52 Latin letters' width over 26, halved and
// rounded; height is the ascent plus the descent, each in whole pixels.
DialogBaseUnits BaseUnitsOf(const QFont& font);

int DluToPixelsX(int x, const DialogBaseUnits& units);
int DluToPixelsY(int y, const DialogBaseUnits& units);
QRect DluToPixels(int x, int y, int w, int h, const DialogBaseUnits& units);

}  // namespace vantrel
