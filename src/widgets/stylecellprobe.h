#ifndef STYLECELLPROBE_H
#define STYLECELLPROBE_H

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QStyleOptionViewItem>

#include <vector>

class QStyle;

// Knows whether a widget's style draws anything for an item-view cell without
// text, icon, check box or background brush in a given state. Most styles and
// style sheets draw nothing for a plain cell that is neither hovered,
// selected nor focused; a cell repainted every poll then need not ask the
// style at all (which cost a quarter of a value's repaint under a style
// sheet). The answer comes from drawing the cell once per state into a
// transparent picture, and is asked again after the widget's style, palette,
// style sheet, name or dynamic properties change.
class styleCellProbe : public QObject
{
public:
    explicit styleCellProbe(QObject *parent = nullptr) : QObject(parent) {}

    // True unless the style is known to draw nothing for this cell.
    bool draws(const QStyleOptionViewItem &cell, QStyle *style);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Answer
    {
        QStyle *style;
        QStyle::State state;
        QStyleOptionViewItem::ViewItemFeatures features;
        QStyleOptionViewItem::ViewItemPosition position;
        Qt::CheckState checkState;
        Qt::LayoutDirection direction;
        QSize size;
        bool draws;
    };
    std::vector<Answer> m_answers;
    QPointer<QWidget> m_widget; // whose changes clear the answers
};

#endif // STYLECELLPROBE_H
