#include "outvaluedelegate.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>

OutValueDelegate::OutValueDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

OutValueDelegate::~OutValueDelegate() = default;

void OutValueDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QString placeholder = index.data(placeholderRole).toString();
    if (placeholder.isEmpty() || !index.data(Qt::DisplayRole).toString().isEmpty())
        return QStyledItemDelegate::paint(painter, option, index);
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text = placeholder;
    cell.palette.setBrush(QPalette::Text, cell.palette.placeholderText());
    cell.palette.setBrush(QPalette::HighlightedText, cell.palette.placeholderText());
    const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);
}

QWidget *OutValueDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
        edit->setPlaceholderText(index.data(placeholderRole).toString());
        edit->setToolTip(index.data(Qt::ToolTipRole).toString());
    }
    m_open = editor;
    return editor;
}

void OutValueDelegate::commitOpenEditor()
{
    if (m_open)
        emit commitData(m_open);
}
