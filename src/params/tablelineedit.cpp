#include "tablelineedit.h"

#include "widgets/numbervalidator.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

tableLineEdit::tableLineEdit(QObject *parent) : QStyledItemDelegate(parent)
{
    connect(this, &tableLineEdit::sig_isopen, this, &tableLineEdit::slot_isopen);
}

tableLineEdit::~tableLineEdit() = default;

bool tableLineEdit::eventFilter(QObject *object, QEvent *event)
{
    if (object->isWidgetType()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            auto *editor = static_cast<QWidget *>(object);
            if (mouse->button() == Qt::LeftButton && !editor->rect().contains(mouse->localPos().toPoint())) {
                // A click beside the editor ends the edit with the typed text.
                emit commitData(editor);
                return true;
            }
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

void tableLineEdit::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    QStyledItemDelegate::paint(painter, option, index);
    painter->restore();
}

QSize tableLineEdit::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return QStyledItemDelegate::sizeHint(option, index);
}

QWidget *tableLineEdit::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const
{
    if (index.column() != column)
        return QStyledItemDelegate::createEditor(parent, option, index);

    auto *edit = new QLineEdit(parent);
    emit const_cast<tableLineEdit *>(this)->sig_isopen(true);
    if (!editable)
        edit->setFocusPolicy(Qt::NoFocus);

    if (numeric) {
        edit->setValidator(new numberValidator(allowFraction, edit));
        edit->setToolTip(rangeTip);
    } else {
        edit->setMaxLength(maxLength);
    }
    return edit;
}

void tableLineEdit::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (index.column() != column) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        edit->setText(index.data(Qt::EditRole).toString());
    emit const_cast<tableLineEdit *>(this)->sig_isopen(true);
}

void tableLineEdit::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (index.column() != column) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit)
        return;
    auto *self = const_cast<tableLineEdit *>(this);
    const QString text = edit->text();
    const QString why = check && text != index.data(Qt::EditRole).toString() ? check(text) : QString();
    if (!why.isEmpty()) {
        emit self->sig_refused(text, why);
        emit self->sig_isopen(false);
        return;
    }
    if (text != index.data(Qt::EditRole).toString())
        emit self->sig_dataDifferent(text);
    model->setData(index, text, Qt::EditRole);
    emit self->sig_isopen(false);
}

void tableLineEdit::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    Q_UNUSED(index)
    editor->setGeometry(option.rect);
}

void tableLineEdit::slot_isopen(bool bopen)
{
    open = bopen;
}
