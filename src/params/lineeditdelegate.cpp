#include "lineeditdelegate.h"

#include "widgets/numbervalidator.h"

#include <QLineEdit>
#include <QMouseEvent>

LineEditDelegate::LineEditDelegate(const Cell &cell, QObject *parent) : QStyledItemDelegate(parent), m_cell(cell) {}

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

QWidget *LineEditDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    if (index.column() != m_cell.column)
        return QStyledItemDelegate::createEditor(parent, option, index);

    auto *edit = new QLineEdit(parent);
    m_editing = true;
    if (!m_cell.editable)
        edit->setFocusPolicy(Qt::NoFocus);

    if (m_cell.numeric) {
        edit->setValidator(new NumberValidator(m_cell.allowFraction, edit));
        edit->setToolTip(m_cell.rangeTip);
    } else {
        edit->setMaxLength(m_cell.maxLength);
    }
    return edit;
}

void LineEditDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (index.column() != m_cell.column) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        edit->setText(index.data(Qt::EditRole).toString());
    m_editing = true;
}

void LineEditDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (index.column() != m_cell.column) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit)
        return;
    auto *self = const_cast<LineEditDelegate *>(this);
    const QString text = edit->text();
    const QString why = m_cell.check && text != index.data(Qt::EditRole).toString() ? m_cell.check(text) : QString();
    if (!why.isEmpty()) {
        emit self->inputRefused(text, why);
        m_editing = false;
        return;
    }
    if (text != index.data(Qt::EditRole).toString())
        emit self->valueEdited(text);
    model->setData(index, text, Qt::EditRole);
    m_editing = false;
}

void LineEditDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    Q_UNUSED(index)
    editor->setGeometry(option.rect);
}
