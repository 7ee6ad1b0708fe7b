// SPDX-License-Identifier: BSD-3-Clause
#include "CChRangeDlg.h"

#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "DialogBuilder.h"
#include "DialogTemplates.h"
#include "TabStopDelegate.h"
#include "recording/CardCatalogue.h"

namespace vantrel {

namespace {
// Tab stops of the list, in dialog units from its left edge.
constexpr int kChannelStop = 10;
constexpr int kRangeStop = 70;
}  // namespace

QString ChannelRangeRow(const ChannelGainEntry& entry,
                        std::span<const std::string_view> rangeLabels) {
    const std::string label = entry.rangeCode < rangeLabels.size()
                                  ? std::string(rangeLabels[entry.rangeCode])
                                  : RangeLabel(entry.rangeCode);
    return QStringLiteral("\t%1\t%2")
        .arg(static_cast<unsigned>(entry.channel))
        .arg(QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size())));
}

CChRangeDlg::CChRangeDlg(QWidget* parent, std::int16_t entryCount,
                         std::span<const ChannelGainEntry> queue,
                         std::span<const std::string_view> rangeLabels)
    : QDialog(parent) {
    const BuiltDialog built = BuildDialog(*this, ViewerTemplate());
    connect(FindControl<QPushButton>(*this, kIdOk), &QPushButton::clicked, this, &QDialog::accept);
    list_ = FindControl<QListWidget>(*this, ctl::kChannelList);
    list_->setItemDelegate(
        new TabStopDelegate({static_cast<qreal>(DluToPixelsX(kChannelStop, built.units)),
                             static_cast<qreal>(DluToPixelsX(kRangeStop, built.units))},
                            list_));

    list_->clear();
    // A count beyond the entries held would read past the queue.
    const std::size_t rows =
        entryCount > 0 ? std::min(static_cast<std::size_t>(entryCount), queue.size()) : 0;
    for (std::size_t i = 0; i < rows; ++i) {
        list_->addItem(ChannelRangeRow(queue[i], rangeLabels));
    }
    if (QWidget* first = FirstTabStop(built)) {
        first->setFocus();
    }
}

}  // namespace vantrel
