#include "lineeditdelegate.h"

#include "widgets/numbervalidator.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

LineEditDelegate::LineEditDelegate(QObject *parent) : QStyledItemDelegate(parent)
{
    connect(this, &LineEditDelegate::editorOpenChanged, this, &LineEditDelegate::onEditorOpenChanged);
}

LineEditDelegate::~LineEditDelegate() = default;

bool LineEditDelegate::eventFilter(QObject *object, QEvent *event)
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

void LineEditDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    QStyledItemDelegate::paint(painter, option, index);
    painter->restore();
}

QSize LineEditDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return QStyledItemDelegate::sizeHint(option, index);
}

QWidget *LineEditDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const
{
    if (index.column() != column)
        return QStyledItemDelegate::createEditor(parent, option, index);

    auto *edit = new QLineEdit(parent);
    emit const_cast<LineEditDelegate *>(this)->editorOpenChanged(true);
    if (!editable)
        edit->setFocusPolicy(Qt::NoFocus);

    if (numeric) {
        edit->setValidator(new NumberValidator(allowFraction, edit));
        edit->setToolTip(rangeTip);
    } else {
        edit->setMaxLength(maxLength);
    }
    return edit;
}

void LineEditDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (index.column() != column) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        edit->setText(index.data(Qt::EditRole).toString());
    emit const_cast<LineEditDelegate *>(this)->editorOpenChanged(true);
}

void LineEditDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (index.column() != column) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit)
        return;
    auto *self = const_cast<LineEditDelegate *>(this);
    const QString text = edit->text();
    const QString why = check && text != index.data(Qt::EditRole).toString() ? check(text) : QString();
    if (!why.isEmpty()) {
        emit self->inputRefused(text, why);
        emit self->editorOpenChanged(false);
        return;
    }
    if (text != index.data(Qt::EditRole).toString())
        emit self->valueEdited(text);
    model->setData(index, text, Qt::EditRole);
    emit self->editorOpenChanged(false);
}

void LineEditDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    Q_UNUSED(index)
    editor->setGeometry(option.rect);
}

void LineEditDelegate::onEditorOpenChanged(bool bopen)
{
    open = bopen;
}
