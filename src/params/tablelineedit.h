#ifndef TABLELINEEDIT_H
#define TABLELINEEDIT_H

#include <QStyledItemDelegate>

// Item delegate that edits one column of the parameter table in a QLineEdit.
// Numeric types get a myDoubleValidator limited to [lower, upper] with the
// decimals of the display format; strings are limited to maxLength. A changed
// text is reported through sig_dataDifferent when the edit is committed.
class tableLineEdit : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit tableLineEdit(QObject *parent = nullptr);

    double lower = 0;
    double upper = 0;
    double gradient = 0;
    int maxLength = 0;
    bool editable = true;
    QString displayFormat;
    QString dataType;
    bool open = false;
    int column = 0;

    ~tableLineEdit() override;
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
    void sig_isopen(bool bopen);
    void sig_dataDifferent(QString text);

public slots:
    void slot_isopen(bool bopen);
    // Marks that a combo box in the cell was activated: the next event reaching
    // the filter is swallowed so it does not commit the line edit.
    void solt_cbxActivated();

private:
    Q_DISABLE_COPY(tableLineEdit)

    bool m_cbxActivated = false;
};

#endif // TABLELINEEDIT_H
