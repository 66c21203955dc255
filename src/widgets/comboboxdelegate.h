#ifndef COMBOBOXDELEGATE_H
#define COMBOBOXDELEGATE_H

#include <QStringList>
#include <QStyledItemDelegate>

class QTableWidgetItem;

// Item delegate for the choice cells of value tables (parameters, Out port). The cell is an item
// drawn as a combo box, holding the chosen text; a combo box is made only
// while the cell is edited (a click opens it with its list shown). The
// choices are the item's data under `choicesRole`, the longest of them under
// `longestChoiceRole` (it sizes the column). A choice the user makes is
// reported with choiceMade(row, text) and written into the item. An item
// made with `typed` also takes text typed into the box (a number beside the
// named values); the receiver of choiceMade checks it. Set for a whole row,
// it acts on `column` only and draws the other cells as usual.
class ComboBoxDelegate : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY(ComboBoxDelegate)

public:
    static constexpr int choicesRole = Qt::UserRole + 20;
    static constexpr int longestChoiceRole = Qt::UserRole + 21;
    static constexpr int typedRole = Qt::UserRole + 22;

    // Gives the item its choices; with `typed` the box also takes typed text.
    static void setChoices(QTableWidgetItem *item, const QStringList &choices, bool typed = false);

    explicit ComboBoxDelegate(int column, QObject *parent = nullptr);
    ~ComboBoxDelegate() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

signals:
    void choiceMade(int row, const QString &text);

private:
    int m_column;
    mutable QSize m_frame; // what the style adds around a combo box's text
};

#endif // COMBOBOXDELEGATE_H
