// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The preview's drawing: one lane per column, stacked, each with its channel and range and a
// value axis in its unit, over a time axis in seconds. Where a pixel column holds many scans
// it shows their extremes, from the overview (or, zoomed in past its finest buckets, from
// the visible range read from the file); zoomed in to a few scans per pixel it shows the
// samples themselves. Two cursors, each on the border between two scans, mark a range.
//
// The wheel zooms around the pointer, a left drag pans, a double-click shows everything; a
// click sets the first cursor, a shift-click the second, a right drag both. "+", "-", the
// arrows, Home and End do the same from the keyboard.

#include <QWidget>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "PreviewSource.h"

namespace vantrel {

// Scans [first, end) of a recording.
struct ScanRange {
    std::uint64_t first = 0;
    std::uint64_t end = 0;
    std::uint64_t scans() const { return end - first; }
    bool operator==(const ScanRange&) const = default;
};

class SignalView final : public QWidget {
    Q_OBJECT

  public:
    // Value labels to the left of the lanes, the time axis below them.
    static constexpr int kValueAxisWidth = 64;
    static constexpr int kRightMargin = 8;
    static constexpr int kTimeAxisHeight = 22;
    // The narrowest view: this many scans across the lanes.
    static constexpr double kFewestScans = 8.0;

    explicit SignalView(PreviewSource& source, QWidget* parent = nullptr);

    // The visible scans, fractions included: from viewFirst() for viewScans().
    double viewFirst() const { return first_; }
    double viewScans() const { return count_; }
    // Shows `count` scans from `first`, kept within the recording and kFewestScans.
    void SetView(double first, double count);
    void ShowAll();
    // Zooms by `factor` (below 1: in) keeping the scan under lane coordinate `x` in place.
    void ZoomAround(double x, double factor);
    // Moves the view by `pixels` (positive: later scans come into view).
    void PanPixels(double pixels);

    void SetLaneShown(std::size_t lane, bool shown);
    bool laneShown(std::size_t lane) const { return shown_[lane]; }
    // The lanes shown, in order.
    std::vector<std::uint32_t> shownLanes() const;

    // Top and height of the shown lanes, in order, in the widget's coordinates.
    std::vector<std::pair<int, int>> LaneRows() const;
    // The colour lane `lane` is drawn in.
    static QColor LaneColour(std::size_t lane);

    // Lane coordinates: x from the left edge of the lanes (0) to plotWidth().
    int plotWidth() const;
    double XOfScan(double scan) const;
    // The border between scans nearest lane coordinate `x`: 0 (before the first scan) to
    // scans() (after the last).
    std::uint64_t BorderAt(double x) const;

    // Cursor 0 or 1, on a border; nullopt where unset.
    void SetCursor(int cursor, std::optional<std::uint64_t> border);
    std::optional<std::uint64_t> cursor(int cursor) const { return cursors_[cursor]; }
    // The scans between the two cursors, where both are set and differ.
    std::optional<ScanRange> CursorRange() const;
    // The scans whose slots lie in view, at least one where the recording has any.
    ScanRange VisibleScans() const;
    // What "Convert selection" takes: the cursors' range, or else the whole scans in view.
    ScanRange SelectedRange() const;

    // Where `scan` (a scan or a border) lies: "1.5 s", or "scan 1500" where the scans have no
    // times.
    QString TimeText(double scan) const;

    // What lies under the pointer: its time or scan and, over a lane, that lane's value
    // there (or its extremes where the pixel holds many scans). Empty off the lanes.
    QString PointerText() const { return pointerText_; }

  signals:
    void viewChanged();
    void cursorsChanged();
    void pointerChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    // One pixel column's extremes in one lane, in values; empty where no scan lies in it.
    struct Column {
        float low;
        float high;
        bool any = false;
    };
    // The extremes per pixel column of every lane for the view (lane-major), or the samples
    // when a few scans lie in each pixel: then `samples` holds [first, end) of them.
    struct Drawn {
        std::vector<Column> columns;  // lanes * plotWidth
        std::optional<ScanRange> samples;
        const Envelope* read = nullptr;  // the samples read, one bucket per scan
    };
    Drawn DrawnNow();
    // Widens the pixel columns that scans [start, stop) reach into by their extremes,
    // low(lane) and high(lane).
    template <typename Low, typename High>
    void AddBucket(Drawn& drawn, double start, double stop, Low low, High high) const;
    void FillFromOverview(Drawn& drawn, const RecordingOverview::Level& level) const;
    void FillFromEnvelope(Drawn& drawn, const Envelope& read) const;
    double LaneY(std::size_t lane, int top, int height, double value) const;
    // `count` kept between kFewestScans (or the recording's scans, where fewer) and the
    // recording's scans.
    double CountWithin(double count) const;
    void UpdatePointer(QPoint at);

    PreviewSource& source_;
    std::vector<bool> shown_;
    double first_ = 0.0;
    double count_ = 1.0;
    std::optional<std::uint64_t> cursors_[2];
    // What the last paint drew, for the value under the pointer.
    std::vector<Column> lastColumns_;
    QString pointerText_;
    std::optional<QPoint> pressedAt_;
    Qt::MouseButton pressedButton_ = Qt::NoButton;
    double pressedFirst_ = 0.0;
    bool dragged_ = false;
};

}  // namespace vantrel
