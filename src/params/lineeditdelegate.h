#ifndef LINEEDITDELEGATE_H
#define LINEEDITDELEGATE_H

#include <QStyledItemDelegate>

#include <functional>

// Item delegate that edits one column of the parameter table in a QLineEdit.
// Number cells take only the start of a number while typing (NumberValidator)
// and show their limits, in the units of the cell, as a tool tip; strings are
// limited to maxLength. When the edit is committed, `check` decides: a text
// it refuses is not taken (the cell keeps its value) and inputRefused says
// why; a changed text is reported through valueEdited.
class LineEditDelegate : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY(LineEditDelegate)

public:
    // How the cells of the edited column take input.
    struct Cell
    {
        int column = 0;
        bool editable = true;
        bool numeric = false;
        bool allowFraction = false; // floats and scaled numbers
        int maxLength = 0;          // strings
        QString rangeTip;           // e.g. "min:0.5 max:399.5 bar"
        // Why a committed text cannot be taken; empty: it can.
        std::function<QString(const QString &)> check;
    };

    explicit LineEditDelegate(const Cell &cell, QObject *parent = nullptr);
    ~LineEditDelegate() override;

    const Cell &cell() const { return m_cell; }
    void setCell(const Cell &cell) { m_cell = cell; }
    // An editor of the column is open.
    bool isEditing() const { return m_editing; }

    bool eventFilter(QObject *object, QEvent *event) override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

signals:
    void valueEdited(const QString &text);
    void inputRefused(const QString &text, const QString &why);

private:
    Cell m_cell;
    mutable bool m_editing = false;
};

#endif // LINEEDITDELEGATE_H
