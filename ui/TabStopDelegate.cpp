// SPDX-License-Identifier: BSD-3-Clause
#include "TabStopDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QTextOption>

namespace vantrel {

TabStopDelegate::TabStopDelegate(QList<qreal> stops, QObject* parent)
    : QStyledItemDelegate(parent), stops_(std::move(stops)) {}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    // Background, selection and focus frame as the style draws them; the text is ours.
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
    layout.setWrapMode(QTextOption::NoWrap);
    layout.setTabArray(stops_);
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(QRectF(option.rect), text, layout);
    painter->restore();
}

}  // namespace vantrel
