// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Draws list rows with tab characters expanded at fixed stops, counted in pixels from the
// row's left edge, as a list box with tab stops does.

#include <QList>
#include <QStyledItemDelegate>

namespace vantrel {

class TabStopDelegate final : public QStyledItemDelegate {
    Q_OBJECT

  public:
    TabStopDelegate(QList<qreal> stops, QObject* parent);

    const QList<qreal>& stops() const { return stops_; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    QList<qreal> stops_;
};

}  // namespace vantrel
