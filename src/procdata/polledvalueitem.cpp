#include "polledvalueitem.h"

#include <QTableWidget>

polledValueItem::polledValueItem() : QTableWidgetItem(Type)
{
    setFlags(flags() & ~Qt::ItemIsEditable);
}

polledValueItem *polledValueItem::at(const QTableWidget *table, int row, int column)
{
    QTableWidgetItem *cell = table->item(row, column);
    return cell && cell->type() == Type ? static_cast<polledValueItem *>(cell) : nullptr;
}

QVariant polledValueItem::data(int role) const
{
    if (role == Qt::ToolTipRole)
        return m_raw.isEmpty() ? QVariant() : QVariant(QStringLiteral("raw %1").arg(m_raw));
    return QTableWidgetItem::data(role);
}

QTableWidgetItem *polledValueItem::clone() const
{
    // Assigned, not copy-made: QTableWidgetItem's copy does not keep type().
    auto *copy = new polledValueItem;
    *copy = *this;
    return copy;
}
