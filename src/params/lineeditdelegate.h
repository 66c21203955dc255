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

public:
    explicit LineEditDelegate(QObject *parent = nullptr);

    int maxLength = 0;
    bool editable = true;
    bool numeric = false;
    bool allowFraction = false; // floats and scaled numbers
    QString rangeTip;           // e.g. "min:0.5 max:399.5 bar"
    // Why a committed text cannot be taken; empty: it can.
    std::function<QString(const QString &)> check;
    bool open = false;
    int column = 0;

    ~LineEditDelegate() override;
    bool eventFilter(QObject *object, QEvent *event) override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

signals:
    void sig_closeEditor();
    void editorOpenChanged(bool bopen);
    void valueEdited(QString text);
    void inputRefused(QString text, QString why);

public slots:
    void onEditorOpenChanged(bool bopen);

private:
    Q_DISABLE_COPY(LineEditDelegate)
};

#endif // LINEEDITDELEGATE_H
