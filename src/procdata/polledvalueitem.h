#ifndef POLLEDVALUEITEM_H
#define POLLEDVALUEITEM_H

#include <QTableWidgetItem>

class QTableWidget;

// The In port page's value cell. Its tooltip ("raw N") is made from the last
// raw value only when the user hovers the cell: keeping the raw value tells
// no view, so a poll that changes it repaints nothing and formats nothing.
class PolledValueItem : public QTableWidgetItem
{
public:
    static constexpr int Type = QTableWidgetItem::UserType + 1;

    PolledValueItem();

    // The cell at (row, column) when it is one of these, else null.
    static PolledValueItem *at(const QTableWidget *table, int row, int column);

    // The raw value of the last good read; empty when the read failed.
    void setRaw(const QString &raw) { m_raw = raw; }

    QVariant data(int role) const override;
    QTableWidgetItem *clone() const override;

private:
    QString m_raw;
};

#endif // POLLEDVALUEITEM_H
