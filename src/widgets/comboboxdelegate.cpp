#include "comboboxdelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QTableWidgetItem>
#include <QTimer>

namespace {

QStyleOptionComboBox comboOption(const QStyleOptionViewItem &option, const QModelIndex &index)
{
    QStyleOptionComboBox combo;
    combo.rect = option.rect;
    combo.palette = option.palette;
    combo.fontMetrics = option.fontMetrics;
    combo.direction = option.direction;
    combo.currentText = index.data(Qt::DisplayRole).toString();
    combo.frame = true;
    combo.editable = false;
    combo.state = QStyle::State_Active;
    if (index.flags() & Qt::ItemIsEditable)
        combo.state |= QStyle::State_Enabled;
    return combo;
}

const QStyle *styleOf(const QStyleOptionViewItem &option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

} // namespace

ComboBoxDelegate::ComboBoxDelegate(int column, QObject *parent) : QStyledItemDelegate(parent), m_column(column) {}

void ComboBoxDelegate::setChoices(QTableWidgetItem *item, const QStringList &choices, bool typed)
{
    item->setData(typedRole, typed);
    QString longest;
    for (const QString &choice : choices)
        if (choice.size() > longest.size())
            longest = choice;
    item->setData(choicesRole, choices);
    item->setData(longestChoiceRole, longest);
}

ComboBoxDelegate::~ComboBoxDelegate() = default;

void ComboBoxDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (index.column() != m_column)
        return QStyledItemDelegate::paint(painter, option, index);
    // The cell's background (a failed read greys it), then the box over it.
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    const QStyle *style = styleOf(option);
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);

    QStyleOptionComboBox combo = comboOption(option, index);
    combo.rect = option.rect.adjusted(1, 1, -1, -1);
    painter->save();
    const QVariant font = index.data(Qt::FontRole);
    if (font.isValid())
        painter->setFont(font.value<QFont>());
    const QVariant colour = index.data(Qt::ForegroundRole);
    if (colour.isValid())
        combo.palette.setBrush(QPalette::ButtonText, colour.value<QBrush>());
    style->drawComplexControl(QStyle::CC_ComboBox, &combo, painter, option.widget);
    style->drawControl(QStyle::CE_ComboBoxLabel, &combo, painter, option.widget);
    painter->restore();
}

QSize ComboBoxDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Wide enough for the longest choice, as a combo box would be. What the
    // box adds around its text is asked of the style once: under a style
    // sheet that question is costly, and the table asks for every row.
    if (index.column() != m_column)
        return QStyledItemDelegate::sizeHint(option, index);
    if (!m_frame.isValid()) {
        const QStyleOptionComboBox combo = comboOption(option, index);
        m_frame = styleOf(option)->sizeFromContents(QStyle::CT_ComboBox, &combo, QSize(0, 0), option.widget);
    }
    const int textWidth = qMax(option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()),
                               option.fontMetrics.horizontalAdvance(index.data(longestChoiceRole).toString()));
    return QSize(textWidth + m_frame.width(), option.fontMetrics.height() + m_frame.height());
}

QWidget *ComboBoxDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    if (index.column() != m_column)
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto *combo = new QComboBox(parent);
    combo->addItems(index.data(choicesRole).toStringList());
    // A choice ends the edit at once; leaving the list without one keeps the value.
    connect(combo, QOverload<int>::of(&QComboBox::activated), this, [this, combo]() {
        auto *self = const_cast<ComboBoxDelegate *>(this);
        emit self->commitData(combo);
        emit self->closeEditor(combo);
    });
    if (index.data(typedRole).toBool()) {
        // Typed text is committed on Enter or when the cell loses focus.
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
    } else {
        QTimer::singleShot(0, combo, &QComboBox::showPopup);
    }
    return combo;
}

void ComboBoxDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo)
        return QStyledItemDelegate::setEditorData(editor, index);
    const QString text = index.data(Qt::DisplayRole).toString();
    combo->setCurrentIndex(combo->findText(text));
    if (combo->isEditable())
        combo->setEditText(text);
}

void ComboBoxDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo)
        return QStyledItemDelegate::setModelData(editor, model, index);
    if (combo->currentIndex() < 0 && !combo->isEditable())
        return;
    const QString text = combo->currentText().trimmed();
    if (text.isEmpty())
        return;
    if (text == index.data(Qt::DisplayRole).toString())
        return;
    model->setData(index, text, Qt::EditRole);
    emit const_cast<ComboBoxDelegate *>(this)->choiceMade(index.row(), text);
}

void ComboBoxDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    Q_UNUSED(index)
    editor->setGeometry(option.rect);
}

bool ComboBoxDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                   const QModelIndex &index)
{
    // One click opens the list, as on a combo box.
    if (index.column() == m_column && event->type() == QEvent::MouseButtonRelease
        && (index.flags() & Qt::ItemIsEditable) && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (auto *view = qobject_cast<QAbstractItemView *>(const_cast<QWidget *>(option.widget))) {
            // Opened once the view has finished with this click.
            QTimer::singleShot(0, view, [view, cell = QPersistentModelIndex(index)]() {
                if (cell.isValid())
                    view->edit(cell);
            });
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
