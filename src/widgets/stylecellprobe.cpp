#include "stylecellprobe.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QWidget>

bool styleCellProbe::draws(const QStyleOptionViewItem &cell, QStyle *style)
{
    // Cells with content of their own, and cells without a widget whose
    // changes could be watched, are left to the style.
    if (cell.backgroundBrush.style() != Qt::NoBrush
        || cell.features & (QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration)
        || !cell.text.isEmpty() || cell.rect.isEmpty() || !cell.widget)
        return true;
    if (cell.widget != m_widget) {
        if (m_widget) {
            m_widget->removeEventFilter(this);
            disconnect(m_widget, nullptr, this, nullptr);
        }
        m_answers.clear();
        m_widget = const_cast<QWidget *>(cell.widget);
        m_widget->installEventFilter(this);
        // A style sheet may select the view by its name.
        connect(m_widget, &QObject::objectNameChanged, this, [this] { m_answers.clear(); });
    }
    for (const Answer &answer : m_answers) {
        if (answer.style == style && answer.state == cell.state && answer.features == cell.features
            && answer.position == cell.viewItemPosition && answer.checkState == cell.checkState
            && answer.direction == cell.direction && answer.size == cell.rect.size())
            return answer.draws;
    }

    QImage picture(cell.rect.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QStyleOptionViewItem moved = cell;
    moved.rect.moveTo(0, 0);
    QPainter painter(&picture);
    style->drawControl(QStyle::CE_ItemViewItem, &moved, &painter, cell.widget);
    painter.end();
    bool drawn = false;
    for (int y = 0; y < picture.height() && !drawn; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = 0; x < picture.width() && !drawn; ++x)
            drawn = line[x] != 0;
    }
    if (m_answers.size() >= 64) // cells of many heights: keep the newest states
        m_answers.clear();
    m_answers.push_back({style, cell.state, cell.features, cell.viewItemPosition, cell.checkState, cell.direction,
                         cell.rect.size(), drawn});
    return drawn;
}

bool styleCellProbe::eventFilter(QObject *, QEvent *event)
{
    const QEvent::Type type = event->type();
    // A style sheet may also select the view by a property, restyled after
    // the property changes by unpolishing and polishing the view, which
    // sends none of the other events.
    if (type == QEvent::StyleChange || type == QEvent::PaletteChange || type == QEvent::Polish
        || type == QEvent::DynamicPropertyChange)
        m_answers.clear();
    return false;
}
