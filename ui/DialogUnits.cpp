// SPDX-License-Identifier: BSD-3-Clause
#include "DialogUnits.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QString>
#include <QStringList>
#include <cmath>

namespace vantrel {

QFont TemplateFont(const DialogTemplate& dialog) {
    const QString family = QString::fromLatin1(dialog.fontFamily.data(),
                                               static_cast<qsizetype>(dialog.fontFamily.size()));
    QFont font;
    // Metric-compatible or closest faces where the template's own is not installed.
    QStringList families{family};
    if (family == QLatin1String("MS Sans Serif")) {
        families << QStringLiteral("Microsoft Sans Serif");
    }
    families << QStringLiteral("Arial") << QStringLiteral("Liberation Sans")
             << QStringLiteral("DejaVu Sans");
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    // Windows sizes a template font as -MulDiv(points, 96, 72) pixels.
    font.setPixelSize((dialog.pointSize * 96 + 36) / 72);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    // The text metric's height: ascent and descent, each rounded up to whole pixels.
    const QFontMetricsF exact(font);
    const int height = static_cast<int>(std::ceil(exact.ascent()) + std::ceil(exact.descent()));
    return {(letters / 26 + 1) / 2, height};
}

namespace {
// MulDiv for non-negative operands: the product divided, rounded half up.
int MulDiv(int value, int numerator, int denominator) {
    return (value * numerator + denominator / 2) / denominator;
}
}  // namespace

int DluToPixelsX(int x, const DialogBaseUnits& units) {
    return MulDiv(x, units.cx, 4);
}
int DluToPixelsY(int y, const DialogBaseUnits& units) {
    return MulDiv(y, units.cy, 8);
}

QRect DluToPixels(int x, int y, int w, int h, const DialogBaseUnits& units) {
    // The dialog manager maps position and size each on its own.
    return {DluToPixelsX(x, units), DluToPixelsY(y, units), DluToPixelsX(w, units),
            DluToPixelsY(h, units)};
}

}  // namespace vantrel
