#include "livetextdelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

void liveTextDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget *widget = cell.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    if (text.isEmpty())
        return;

    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect area = cell.rect.adjusted(margin, 0, -margin, 0);
    const QFontMetrics &metrics = cell.fontMetrics;
    const QString shown =
        metrics.horizontalAdvance(text) > area.width() ? metrics.elidedText(text, Qt::ElideRight, area.width()) : text;
    const QPalette::ColorGroup group = cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(group, cell.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                    : QPalette::Text));
    painter->drawText(area, int(cell.displayAlignment) | Qt::TextSingleLine, shown);
    painter->restore();
}
