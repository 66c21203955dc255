#include "parametersetdialog.h"

#include "widgets/readonlyitem.h"
#include "widgets/tablestyle.h"

#include <QBrush>
#include <QCheckBox>
#include <QColor>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTableWidgetItem>
#include <QVBoxLayout>

namespace {

const QColor differentBackground(0xFF, 0xF1, 0xC7);
const QColor absentText(Qt::gray);

// Where the row's entry sits in the file; kept in the tick column.
constexpr int rowRole = Qt::UserRole + 1;

} // namespace

ParameterSetDialog::ParameterSetDialog(const QString &fileName, const ParameterSet::Set &file,
                                       const ParameterSet::Identity &device, const ParameterSet::Comparison &comparison,
                                       const QHash<QString, QString> &notes, QWidget *parent)
    : QDialog(parent), m_comparison(comparison)
{
    setObjectName(QStringLiteral("dialog_parameterSet"));
    setWindowTitle(tr("载入参数 — %1").arg(fileName));
    auto *layout = new QVBoxLayout(this);

    QString heading =
        tr("文件 %1：%2").arg(fileName.toHtmlEscaped(), ParameterSet::describe(file.device).toHtmlEscaped());
    const bool otherDescription =
        file.device.ioddFile != device.ioddFile || file.device.ioddVersion != device.ioddVersion;
    if (otherDescription)
        heading += tr("<br>保存时的描述文件 %1 %2，本端口的 %3 %4")
                       .arg(file.device.ioddFile.toHtmlEscaped(), file.device.ioddVersion.toHtmlEscaped(),
                            device.ioddFile.toHtmlEscaped(), device.ioddVersion.toHtmlEscaped());
    auto *title = new QLabel(heading, this);
    title->setObjectName(QStringLiteral("label_setFile"));
    title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(title);

    m_table = new QTableWidget(comparison.rows.size(), 6, this);
    m_table->setObjectName(QStringLiteral("table_compare"));
    TableStyle::styleTable(m_table);
    m_table->setHorizontalHeaderLabels(
        {tr("写入"), tr("参数"), tr("索引"), tr("文件中的值"), tr("设备中的值"), tr("状态")});
    m_table->verticalHeader()->setHidden(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int i = 0; i < comparison.rows.size(); ++i) {
        const ParameterSet::Row &r = comparison.rows.at(i);
        auto *tick = new QTableWidgetItem;
        tick->setData(rowRole, i);
        if (r.canWrite()) {
            tick->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
            tick->setCheckState(r.proposed() ? Qt::Checked : Qt::Unchecked);
        } else {
            tick->setFlags(Qt::ItemIsEnabled);
        }
        m_table->setItem(i, tickColumn, tick);
        m_table->setItem(i, 1, readOnlyItem(r.device.label.isEmpty() ? r.file.label : r.device.label));
        m_table->setItem(i, 2, readOnlyItem(r.file.key()));
        QTableWidgetItem *fileValue = readOnlyItem(r.file.value);
        fileValue->setToolTip(QString::fromLatin1(r.file.raw.toHex(' ')));
        m_table->setItem(i, 3, fileValue);
        QTableWidgetItem *deviceValue = nullptr;
        if (r.state == ParameterSet::RowState::OnlyInFile) {
            deviceValue = readOnlyItem(notes.value(r.file.key(), tr("设备侧没有这个值")));
            deviceValue->setForeground(QBrush(absentText));
        } else {
            deviceValue = readOnlyItem(r.device.value);
            deviceValue->setToolTip(QString::fromLatin1(r.device.raw.toHex(' ')));
        }
        m_table->setItem(i, 4, deviceValue);
        m_table->setItem(i, stateColumn, readOnlyItem(stateText(r)));
        if (r.state == ParameterSet::RowState::Different) {
            for (int column = 0; column < m_table->columnCount(); ++column)
                m_table->item(i, column)->setBackground(QBrush(differentBackground));
        }
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);

    m_onlyDifferent = new QCheckBox(tr("只显示不同的值"), this);
    m_onlyDifferent->setObjectName(QStringLiteral("check_onlyDifferent"));
    layout->addWidget(m_onlyDifferent);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("label_compareSummary"));
    layout->addWidget(m_summary);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->setObjectName(QStringLiteral("buttons_compare"));
    m_buttons->button(QDialogButtonBox::Ok)->setText(tr("写入勾选的值"));
    m_buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (item->column() == tickColumn)
            updateSummary();
    });
    connect(m_onlyDifferent, &QCheckBox::toggled, this, &ParameterSetDialog::showOnlyDifferent);
    updateSummary();
    resize(1000, 620);
}

QString ParameterSetDialog::stateText(const ParameterSet::Row &row)
{
    switch (row.state) {
    case ParameterSet::RowState::Same:
        return tr("相同");
    case ParameterSet::RowState::Different:
        return row.canWrite() ? tr("不同") : tr("不同（不可写）");
    case ParameterSet::RowState::OnlyInFile:
        break;
    }
    return tr("仅在文件中");
}

QStringList ParameterSetDialog::tickedKeys() const
{
    QStringList keys;
    for (int i = 0; i < m_table->rowCount(); ++i) {
        const QTableWidgetItem *tick = m_table->item(i, tickColumn);
        if ((tick->flags() & Qt::ItemIsUserCheckable) && tick->checkState() == Qt::Checked)
            keys << m_comparison.rows.at(tick->data(rowRole).toInt()).file.key();
    }
    return keys;
}

void ParameterSetDialog::updateSummary()
{
    const int ticked = int(tickedKeys().size());
    m_summary->setText(tr("相同 %1，不同 %2，仅在文件中 %3；将写入 %4 个值")
                           .arg(m_comparison.same)
                           .arg(m_comparison.different)
                           .arg(m_comparison.onlyInFile)
                           .arg(ticked));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(ticked > 0);
}

void ParameterSetDialog::showOnlyDifferent(bool only)
{
    for (int i = 0; i < m_table->rowCount(); ++i)
        m_table->setRowHidden(i, only && m_comparison.rows.at(i).state == ParameterSet::RowState::Same);
}
