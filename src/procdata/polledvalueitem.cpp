#include "polledvalueitem.h"

#include <QTableWidget>

PolledValueItem::PolledValueItem() : QTableWidgetItem(Type)
{
    setFlags(flags() & ~Qt::ItemIsEditable);
}

PolledValueItem *PolledValueItem::at(const QTableWidget *table, int row, int column)
{
    QTableWidgetItem *cell = table->item(row, column);
    return cell && cell->type() == Type ? static_cast<PolledValueItem *>(cell) : nullptr;
}

QVariant PolledValueItem::data(int role) const
{
    if (role == Qt::ToolTipRole)
        return m_raw.isEmpty() ? QVariant() : QVariant(QStringLiteral("raw %1").arg(m_raw));
    return QTableWidgetItem::data(role);
}

QTableWidgetItem *PolledValueItem::clone() const
{
    // Assigned, not copy-made: QTableWidgetItem's copy does not keep type().
    auto *copy = new PolledValueItem;
    *copy = *this;
    return copy;
}
