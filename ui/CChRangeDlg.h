// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The channel/range viewer: the channel-gain queue as a list, one row per entry, with the
// channel number under "Channel" and the range label under "Range", in queue order.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <span>
#include <string_view>

#include "recording/ChannelGainEntry.h"

class QListWidget;

namespace vantrel {

// A row of the list: a tab, the channel as an unsigned number, a tab, the range label (from
// `rangeLabels`, or "Unknown (N)" for a code beyond it).
QString ChannelRangeRow(const ChannelGainEntry& entry,
                        std::span<const std::string_view> rangeLabels);

class CChRangeDlg final : public QDialog {
    Q_OBJECT

  public:
    // Lists the first `entryCount` entries of `queue` (none when the count is 0 or less,
    // never more than the queue holds). Neither span is kept beyond construction.
    CChRangeDlg(QWidget* parent, std::int16_t entryCount, std::span<const ChannelGainEntry> queue,
                std::span<const std::string_view> rangeLabels);

    QListWidget* list() const { return list_; }

  private:
    QListWidget* list_ = nullptr;
};

}  // namespace vantrel
