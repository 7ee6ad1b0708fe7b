// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What the preview shows of one recording: its overview, computed once from the file, and
// each column's lane facts. Zoomed in past the overview's finest buckets, the extremes (or
// the samples themselves) of the visible range are read from the file, and the last read is
// kept, so that a repaint of the same view reads nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/formats/RecordingFacts.h"
#include "convert/overview/RecordingOverview.h"
#include "platform/FileApi.h"
#include "platform/MessageSink.h"

namespace vantrel {

// One column's lane.
struct PreviewLane {
    std::int32_t channel;  // as title line 2 names it
    std::string label;     // "Channel 3  +/-10V"
    double low;            // the value axis: the range's ends, or where the range has no
    double high;           // rule, the column's own extremes
    std::string unit;      // "V", or empty where the values are no voltage
};

class PreviewSource {
  public:
    PreviewSource(ScanRecording opened, RecordingOverview overview, FileApi& files);

    const ScanRecording& recording() const { return opened_; }
    const RecordingOverview& overview() const { return overview_; }
    const std::vector<PreviewLane>& lanes() const { return lanes_; }
    std::uint64_t scans() const { return overview_.scans(); }
    // Scans a second, where the header's rate is a positive number: the scans then have times.
    std::optional<double> rate() const { return rate_; }
    // The clock time of the first scan ("YYYY-MM-DDTHH:MM:SS.mmm"), where the header's
    // texts read as one.
    const std::optional<std::string>& startClock() const { return startClock_; }

    // The extremes of every column over `buckets` buckets of the `scans` scans from `first`
    // on, read from the file; null when it could not be read (readError() says why).
    const Envelope* Read(std::uint64_t first, std::uint64_t scans, std::uint64_t buckets);
    const std::string& readError() const { return readError_; }

  private:
    ScanRecording opened_;
    RecordingOverview overview_;
    FileApi& files_;
    std::vector<PreviewLane> lanes_;
    std::optional<double> rate_;
    std::optional<std::string> startClock_;
    std::optional<Envelope> lastRead_;
    std::string readError_;
};

}  // namespace vantrel
