// SPDX-License-Identifier: BSD-3-Clause
#include "GroupFrame.h"

#include <qdrawutil.h>
#include <QPainter>

namespace vantrel {

namespace {
// Caption inset from the frame's left edge, and the blank kept either side of it.
constexpr int kCaptionInset = 7;
constexpr int kCaptionPadding = 2;
}  // namespace

GroupFrame::GroupFrame(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void GroupFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int frameTop = metrics.height() / 2 - 1;

    // An etched line, as the platform dialog draws a group box.
    qDrawShadeRect(&painter, rect().adjusted(0, frameTop, 0, 0), palette(), true, 1, 0);

    if (title_.isEmpty()) {
        return;
    }
    const int textWidth = metrics.horizontalAdvance(title_);
    const QRect caption(kCaptionInset, 0, textWidth + 2 * kCaptionPadding, metrics.height());
    painter.fillRect(caption, palette().window());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine, title_);
}

}  // namespace vantrel
