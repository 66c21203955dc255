#include "livetextdelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace {

bool isLatin(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() <= 0x24F; });
}

} // namespace

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
    // A short text of Latin letters, digits and signs (a number and its
    // unit) fits even if each character were the font's widest, and is drawn
    // without being measured first: measuring shapes the text, which is as
    // much work again as drawing it. Other scripts may come from a fallback
    // font with wider characters, and are measured.
    const bool fits = (qint64(text.size()) * metrics.maxWidth() <= area.width() && isLatin(text))
                      || metrics.horizontalAdvance(text) <= area.width();
    const QString shown = fits ? text : metrics.elidedText(text, Qt::ElideRight, area.width());
    const QPalette::ColorGroup group = cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(group, cell.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                    : QPalette::Text));
    painter->drawText(area, int(cell.displayAlignment) | Qt::TextSingleLine, shown);
    painter->restore();
}
