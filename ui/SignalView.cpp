// SPDX-License-Identifier: BSD-3-Clause
#include "SignalView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>

namespace vantrel {

namespace {

// Lane colours, repeated where there are more lanes.
constexpr std::array<QRgb, 8> kLaneColours = {0x1f4e9a, 0xb3261e, 0x2e7d32, 0x8e24aa,
                                              0xe65100, 0x00838f, 0x5d4037, 0x37474f};
constexpr QRgb kCursorColours[2] = {0xd50000, 0x2962ff};
// A left press that moves farther than this pans instead of setting a cursor.
constexpr int kDragPixels = 3;
// From this many pixels per scan on, each sample gets a dot.
constexpr double kDotPixels = 6.0;

// A step of 1, 2 or 5 times a power of ten, at least `least`.
double NiceStep(double least) {
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= least) {
            return factor * power;
        }
    }
    return 10.0 * power;
}

QString ValueText(double value, const std::string& unit) {
    QString text = QString::number(value, 'g', 5);
    if (!unit.empty()) {
        text += QLatin1Char(' ') + QString::fromStdString(unit);
    }
    return text;
}

}  // namespace

QColor SignalView::LaneColour(std::size_t lane) {
    return QColor::fromRgb(kLaneColours[lane % kLaneColours.size()]);
}

SignalView::SignalView(PreviewSource& source, QWidget* parent)
    : QWidget(parent), source_(source), shown_(source.lanes().size(), true) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(320, 160);
    ShowAll();
}

double SignalView::CountWithin(double count) const {
    const auto scans = static_cast<double>(source_.scans());
    return std::clamp(count, std::max(std::min(kFewestScans, scans), 1e-9), std::max(scans, 1.0));
}

void SignalView::SetView(double first, double count) {
    const auto scans = static_cast<double>(source_.scans());
    count = CountWithin(count);
    first = std::clamp(first, 0.0, std::max(scans - count, 0.0));
    if (first == first_ && count == count_) {
        return;
    }
    first_ = first;
    count_ = count;
    update();
    emit viewChanged();
}

void SignalView::ShowAll() {
    SetView(0.0, static_cast<double>(std::max<std::uint64_t>(source_.scans(), 1)));
}

void SignalView::ZoomAround(double x, double factor) {
    // The count the view takes, so that the scan under x stays there.
    const double anchor = first_ + x * count_ / plotWidth();
    const double count = CountWithin(count_ * factor);
    SetView(anchor - x * count / plotWidth(), count);
}

void SignalView::PanPixels(double pixels) {
    SetView(first_ + pixels * count_ / plotWidth(), count_);
}

void SignalView::SetLaneShown(std::size_t lane, bool shown) {
    shown_[lane] = shown;
    update();
}

std::vector<std::uint32_t> SignalView::shownLanes() const {
    std::vector<std::uint32_t> lanes;
    for (std::size_t lane = 0; lane < shown_.size(); ++lane) {
        if (shown_[lane]) {
            lanes.push_back(static_cast<std::uint32_t>(lane));
        }
    }
    return lanes;
}

int SignalView::plotWidth() const {
    return std::max(1, width() - kValueAxisWidth - kRightMargin);
}

double SignalView::XOfScan(double scan) const {
    return (scan - first_) * plotWidth() / count_;
}

std::uint64_t SignalView::BorderAt(double x) const {
    const double border = std::round(first_ + x * count_ / plotWidth());
    return static_cast<std::uint64_t>(
        std::clamp(border, 0.0, static_cast<double>(source_.scans())));
}

void SignalView::SetCursor(int cursor, std::optional<std::uint64_t> border) {
    if (cursors_[cursor] == border) {
        return;
    }
    cursors_[cursor] = border;
    update();
    emit cursorsChanged();
}

std::optional<ScanRange> SignalView::CursorRange() const {
    if (!cursors_[0] || !cursors_[1] || *cursors_[0] == *cursors_[1]) {
        return std::nullopt;
    }
    return ScanRange{std::min(*cursors_[0], *cursors_[1]), std::max(*cursors_[0], *cursors_[1])};
}

ScanRange SignalView::SelectedRange() const {
    if (const auto range = CursorRange()) {
        return *range;
    }
    return VisibleScans();
}

std::vector<std::pair<int, int>> SignalView::LaneRows() const {
    const std::size_t shown = shownLanes().size();
    std::vector<std::pair<int, int>> rows;
    if (shown == 0) {
        return rows;
    }
    const int area = std::max(1, height() - kTimeAxisHeight);
    for (std::size_t i = 0; i < shown; ++i) {
        const int top =
            static_cast<int>(static_cast<std::int64_t>(area) * static_cast<std::int64_t>(i) /
                             static_cast<std::int64_t>(shown));
        const int bottom =
            static_cast<int>(static_cast<std::int64_t>(area) * static_cast<std::int64_t>(i + 1) /
                             static_cast<std::int64_t>(shown));
        // Two pixels apart from the next lane.
        rows.emplace_back(top + 2, std::max(1, bottom - top - 4));
    }
    return rows;
}

double SignalView::LaneY(std::size_t lane, int top, int height, double value) const {
    const PreviewLane& facts = source_.lanes()[lane];
    const double share = (value - facts.low) / (facts.high - facts.low);
    return std::clamp(top + (1.0 - share) * (height - 1), static_cast<double>(top),
                      static_cast<double>(top + height - 1));
}

template <typename Low, typename High>
void SignalView::AddBucket(Drawn& drawn, double start, double stop, Low low, High high) const {
    // Every pixel column the bucket reaches into shows its extremes.
    const int width = plotWidth();
    const int x0 = std::max(0, static_cast<int>(std::floor(XOfScan(start))));
    const int x1 = std::min(width - 1, static_cast<int>(std::ceil(XOfScan(stop))) - 1);
    for (std::size_t lane = 0; lane < shown_.size(); ++lane) {
        if (!shown_[lane]) {
            continue;
        }
        const auto least = static_cast<float>(low(lane));
        const auto greatest = static_cast<float>(high(lane));
        Column* columns = drawn.columns.data() + lane * static_cast<std::size_t>(width);
        for (int x = x0; x <= x1; ++x) {
            Column& column = columns[x];
            column.low = column.any ? std::min(column.low, least) : least;
            column.high = column.any ? std::max(column.high, greatest) : greatest;
            column.any = true;
        }
    }
}

void SignalView::FillFromOverview(Drawn& drawn, const RecordingOverview::Level& level) const {
    const RecordingOverview& overview = source_.overview();
    const std::size_t lanes = overview.columns();
    const double end = first_ + count_;
    for (std::uint64_t b = overview.BucketAt(level, static_cast<std::uint64_t>(first_));
         b < level.buckets; ++b) {
        const auto start = static_cast<double>(overview.BucketStart(level, b));
        if (start >= end) {
            break;
        }
        AddBucket(
            drawn, start, static_cast<double>(overview.BucketStart(level, b + 1)),
            [&](std::size_t lane) { return level.min[b * lanes + lane]; },
            [&](std::size_t lane) { return level.max[b * lanes + lane]; });
    }
}

void SignalView::FillFromEnvelope(Drawn& drawn, const Envelope& read) const {
    const std::size_t lanes = read.columns;
    for (std::uint64_t b = 0; b < read.split.buckets; ++b) {
        AddBucket(
            drawn, static_cast<double>(read.split.Start(b)),
            static_cast<double>(read.split.Start(b + 1)),
            [&](std::size_t lane) { return read.min[b * lanes + lane]; },
            [&](std::size_t lane) { return read.max[b * lanes + lane]; });
    }
}

SignalView::Drawn SignalView::DrawnNow() {
    Drawn drawn;
    const int width = plotWidth();
    drawn.columns.resize(source_.lanes().size() * static_cast<std::size_t>(width));
    const std::uint64_t scans = source_.scans();
    if (scans == 0) {
        return drawn;
    }
    const double perPixel = count_ / width;
    if (const auto* level = source_.overview().CoarsestWithin(perPixel)) {
        FillFromOverview(drawn, *level);
        return drawn;
    }
    // Finer than the overview: the visible scans from the file, a bucket per pixel at most.
    const ScanRange range = VisibleScans();
    const std::uint64_t buckets =
        std::min<std::uint64_t>(range.scans(), static_cast<std::uint64_t>(width));
    const Envelope* read = source_.Read(range.first, range.scans(), buckets);
    if (read == nullptr) {
        return drawn;
    }
    FillFromEnvelope(drawn, *read);
    if (read->split.buckets == range.scans() &&
        range.scans() * 2 <= static_cast<std::uint64_t>(width)) {
        drawn.samples = range;
        drawn.read = read;
    }
    return drawn;
}

ScanRange SignalView::VisibleScans() const {
    const std::uint64_t scans = source_.scans();
    const auto first =
        std::min(static_cast<std::uint64_t>(std::floor(first_ + 1e-9)), scans == 0 ? 0 : scans - 1);
    const auto end = static_cast<std::uint64_t>(std::ceil(first_ + count_ - 1e-9));
    return {first, std::clamp<std::uint64_t>(end, std::min(first + 1, scans), scans)};
}

QString SignalView::TimeText(double scan) const {
    if (const auto rate = source_.rate()) {
        return QString::number(scan / *rate, 'g', 10) + QStringLiteral(" s");
    }
    return QStringLiteral("scan ") + QString::number(scan, 'f', 0);
}

void SignalView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const int width = plotWidth();
    const int left = kValueAxisWidth;
    const auto rows = LaneRows();
    const auto lanes = shownLanes();
    const Drawn drawn = DrawnNow();
    const QColor text = palette().text().color();
    const QColor frame = palette().mid().color();

    for (std::size_t i = 0; i < lanes.size(); ++i) {
        const std::size_t lane = lanes[i];
        const auto [top, height] = rows[i];
        const PreviewLane& facts = source_.lanes()[lane];
        painter.setPen(frame);
        painter.drawRect(left, top, width - 1, height - 1);
        if (facts.low < 0.0 && facts.high > 0.0) {
            painter.setPen(QPen(frame, 1, Qt::DotLine));
            const int zero = static_cast<int>(LaneY(lane, top, height, 0.0));
            painter.drawLine(left, zero, left + width - 1, zero);
        }
        painter.setPen(text);
        const QRect labels(0, top, kValueAxisWidth - 4, height);
        painter.drawText(labels, Qt::AlignRight | Qt::AlignTop, ValueText(facts.high, facts.unit));
        painter.drawText(labels, Qt::AlignRight | Qt::AlignBottom,
                         ValueText(facts.low, facts.unit));

        painter.save();
        painter.setClipRect(left, top, width, height);
        const QColor colour = LaneColour(lane);
        if (drawn.samples) {
            // The samples themselves, each in the middle of its slot.
            const Envelope& read = *drawn.read;
            QPolygonF line;
            for (std::uint64_t s = drawn.samples->first; s < drawn.samples->end; ++s) {
                const double value = read.min[(s - read.split.firstScan) * read.columns + lane];
                line << QPointF(left + XOfScan(static_cast<double>(s) + 0.5),
                                LaneY(lane, top, height, value));
            }
            painter.setPen(QPen(colour, 1));
            painter.drawPolyline(line);
            if (width / count_ >= kDotPixels) {
                painter.setBrush(colour);
                for (const QPointF& point : line) {
                    painter.drawRect(QRectF(point.x() - 1.5, point.y() - 1.5, 3, 3));
                }
            }
        } else {
            // A vertical stroke per pixel column over its extremes, reaching to the previous
            // column's so that a steep edge stays one line.
            const Column* columns = drawn.columns.data() + lane * static_cast<std::size_t>(width);
            bool previous = false;
            int previousTop = 0;
            int previousBottom = 0;
            for (int x = 0; x < width; ++x) {
                const Column& column = columns[x];
                if (!column.any) {
                    previous = false;
                    continue;
                }
                const int highY =
                    static_cast<int>(std::lround(LaneY(lane, top, height, column.high)));
                const int lowY =
                    static_cast<int>(std::lround(LaneY(lane, top, height, column.low)));
                int strokeTop = highY;
                int strokeBottom = lowY;
                if (previous) {
                    strokeTop = std::min(strokeTop, previousBottom);
                    strokeBottom = std::max(strokeBottom, previousTop);
                }
                painter.fillRect(left + x, strokeTop, 1, strokeBottom - strokeTop + 1, colour);
                previous = true;
                previousTop = highY;
                previousBottom = lowY;
            }
        }
        painter.restore();
        painter.setPen(colour);
        painter.drawText(QRect(left + 6, top + 2, width - 12, height - 4),
                         Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(facts.label));
    }

    // The range between the cursors, then the cursors.
    const int lanesBottom = std::max(1, height() - kTimeAxisHeight);
    if (const auto range = CursorRange()) {
        const double x0 = std::max(0.0, XOfScan(static_cast<double>(range->first)));
        const double x1 =
            std::min(static_cast<double>(width), XOfScan(static_cast<double>(range->end)));
        if (x1 > x0) {
            painter.fillRect(QRectF(left + x0, 0, x1 - x0, lanesBottom), QColor(255, 214, 0, 48));
        }
    }
    for (int c = 0; c < 2; ++c) {
        if (!cursors_[c]) {
            continue;
        }
        const double x = XOfScan(static_cast<double>(*cursors_[c]));
        if (x >= 0.0 && x <= width) {
            painter.setPen(QPen(QColor::fromRgb(kCursorColours[c]), 1));
            painter.drawLine(QPointF(left + x, 0), QPointF(left + x, lanesBottom));
        }
    }

    // The time axis: ticks at least 90 pixels apart.
    painter.setPen(text);
    painter.drawLine(left, lanesBottom, left + width - 1, lanesBottom);
    const double unitsPerScan = source_.rate() ? 1.0 / *source_.rate() : 1.0;
    const double step = NiceStep(90.0 * count_ / width * unitsPerScan);
    const double firstUnit = first_ * unitsPerScan;
    const double lastUnit = (first_ + count_) * unitsPerScan;
    for (double tick = std::ceil(firstUnit / step) * step; tick <= lastUnit; tick += step) {
        const double x = left + XOfScan(tick / unitsPerScan);
        painter.drawLine(QPointF(x, lanesBottom), QPointF(x, lanesBottom + 4));
        const double shown = std::abs(tick) < step * 1e-6 ? 0.0 : tick;
        painter.drawText(QRectF(x - 60, lanesBottom + 4, 120, kTimeAxisHeight - 4),
                         Qt::AlignHCenter | Qt::AlignTop, TimeText(shown / unitsPerScan));
    }
    lastColumns_ = drawn.columns;
}

void SignalView::UpdatePointer(QPoint at) {
    const int width = plotWidth();
    const int x = at.x() - kValueAxisWidth;
    QString text;
    if (x >= 0 && x < width && source_.scans() > 0) {
        const auto scan = std::min(static_cast<std::uint64_t>(first_ + (x + 0.5) * count_ / width),
                                   source_.scans() - 1);
        text = TimeText(static_cast<double>(scan)) + QStringLiteral(" (scan ") +
               QString::number(scan) + QLatin1Char(')');
        const auto rows = LaneRows();
        const auto lanes = shownLanes();
        for (std::size_t i = 0; i < lanes.size(); ++i) {
            const auto [top, height] = rows[i];
            if (at.y() < top || at.y() >= top + height) {
                continue;
            }
            const std::size_t lane = lanes[i];
            const std::size_t index =
                lane * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
            if (index < lastColumns_.size() && lastColumns_[index].any) {
                const Column& column = lastColumns_[index];
                const PreviewLane& facts = source_.lanes()[lane];
                text += QStringLiteral(", Channel ") + QString::number(facts.channel) +
                        QStringLiteral(": ");
                text += column.low == column.high
                            ? ValueText(column.low, facts.unit)
                            : ValueText(column.low, facts.unit) + QStringLiteral(" to ") +
                                  ValueText(column.high, facts.unit);
            }
        }
    }
    if (text != pointerText_) {
        pointerText_ = text;
        emit pointerChanged();
    }
}

void SignalView::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    ZoomAround(event->position().x() - kValueAxisWidth, std::pow(0.8, steps));
    event->accept();
}

void SignalView::mousePressEvent(QMouseEvent* event) {
    const double x = event->position().x() - kValueAxisWidth;
    pressedAt_ = event->position().toPoint();
    pressedButton_ = event->button();
    pressedFirst_ = first_;
    dragged_ = false;
    if (event->button() == Qt::RightButton) {
        SetCursor(0, BorderAt(x));
        SetCursor(1, std::nullopt);
    }
}

void SignalView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (pressedAt_ && pressedButton_ == Qt::LeftButton) {
        const int dx = at.x() - pressedAt_->x();
        if (std::abs(dx) > kDragPixels) {
            dragged_ = true;
        }
        if (dragged_) {
            SetView(pressedFirst_ - dx * count_ / plotWidth(), count_);
        }
    } else if (pressedAt_ && pressedButton_ == Qt::RightButton) {
        SetCursor(1, BorderAt(at.x() - kValueAxisWidth));
    }
    UpdatePointer(at);
}

void SignalView::mouseReleaseEvent(QMouseEvent* event) {
    if (pressedAt_ && pressedButton_ == Qt::LeftButton && event->button() == Qt::LeftButton &&
        !dragged_) {
        const bool second = (event->modifiers() & Qt::ShiftModifier) != 0;
        SetCursor(second ? 1 : 0, BorderAt(event->position().x() - kValueAxisWidth));
    }
    if (event->button() == pressedButton_) {
        pressedAt_.reset();
        pressedButton_ = Qt::NoButton;
    }
}

void SignalView::mouseDoubleClickEvent(QMouseEvent*) {
    ShowAll();
}

void SignalView::keyPressEvent(QKeyEvent* event) {
    const double middle = plotWidth() / 2.0;
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomAround(middle, 0.5);
            break;
        case Qt::Key_Minus:
            ZoomAround(middle, 2.0);
            break;
        case Qt::Key_Left:
            PanPixels(-plotWidth() / 10.0);
            break;
        case Qt::Key_Right:
            PanPixels(plotWidth() / 10.0);
            break;
        case Qt::Key_Home:
            SetView(0.0, count_);
            break;
        case Qt::Key_End:
            SetView(static_cast<double>(source_.scans()) - count_, count_);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void SignalView::leaveEvent(QEvent*) {
    if (!pointerText_.isEmpty()) {
        pointerText_.clear();
        emit pointerChanged();
    }
}

}  // namespace vantrel
