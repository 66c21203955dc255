#ifndef OUTVALUEDELEGATE_H
#define OUTVALUEDELEGATE_H

#include <QPointer>
#include <QStyledItemDelegate>

// Item delegate of the Out port page's value cells that are typed (numbers
// and texts). An empty cell shows, greyed, what it takes: the item's data
// under `placeholderRole` (its range, or its unit). A line edit with that
// placeholder exists only while the cell is edited; the text is the cell's.
class OutValueDelegate : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY(OutValueDelegate)

public:
    static constexpr int placeholderRole = Qt::UserRole + 30;

    explicit OutValueDelegate(QObject *parent = nullptr);
    ~OutValueDelegate() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Hands the text of an editor still open to its cell (before a write).
    void commitOpenEditor();

private:
    mutable QPointer<QWidget> m_open;
};

#endif // OUTVALUEDELEGATE_H
