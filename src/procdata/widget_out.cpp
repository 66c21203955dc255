#include "widget_out.h"
#include "ui_widget_out.h"

#include "codec/numbertext.h"
#include "codec/processdatacodec.h"
#include "link/common.h"
#include "link/linkexchange.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"
#include "widgets/pdtable.h"
#include "widgets/readonlyitem.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidgetItem>
#include <QToolTip>
#include <QVector>

namespace {

// A combo box of the item's entries, showing the name and holding the value.
QComboBox *makeCombo(const valueItem &value)
{
    auto *combo = new QComboBox;
    for (const valuePair &pair : value.editor.entries)
        combo->addItem(pair.first, pair.second);
    // Outputs start switched off: writing the page unchanged must not turn
    // anything on that the user did not choose.
    for (int i = 0; i < combo->count(); ++i) {
        const QString v = combo->itemData(i).toString().trimmed().toLower();
        if (v == QLatin1String("false") || v == QLatin1String("0")) {
            combo->setCurrentIndex(i);
            break;
        }
    }
    return combo;
}

// The range a number may take, in the units the user types.
QString rangeText(const valueItem &value)
{
    QString low, high;
    if (!numberText::displayLimits(value, &low, &high))
        return QString();
    const QString unit = value.unit.isEmpty() ? QString() : QLatin1Char(' ') + value.unit;
    return QStringLiteral("%1 … %2%3").arg(low, high, unit);
}

// An editor's range text, kept for its tool tip in the current language.
const char *const rangeProperty = "hub8RangeText";

void showRangeTip(QLineEdit *edit)
{
    const QString range = edit->property(rangeProperty).toString();
    edit->setToolTip(range.isEmpty() ? QString() : widget_out::tr("值范围 %1").arg(range));
}

} // namespace

widget_out::widget_out(QWidget *parent) : QWidget(parent), ui(new Ui::widget_out)
{
    ui->setupUi(this);

    QTableWidget *table = ui->table;
    setUpProcessDataTable(table);

    connect(ui->pbtn_false, &QPushButton::clicked, this, &widget_out::slot_pbtn_allFalseClicked);
    connect(ui->pbtn_true, &QPushButton::clicked, this, &widget_out::slot_pbtn_allTrueclicked);
    connect(ui->pbtn_write, &QPushButton::clicked, this, &widget_out::slot_pbtn_writeClicked);
}

widget_out::~widget_out()
{
    qCDebug(lcProcdata) << "del:" << this;
    delete ui;
}

void widget_out::setPort(int port)
{
    this->port = port;
}

void widget_out::setLayoutNote(const QString &text)
{
    if (!m_layoutNote) {
        m_layoutNote = new QLabel(this);
        m_layoutNote->setObjectName(QStringLiteral("label_layout"));
        m_layoutNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
        ui->horizontalLayout->addWidget(m_layoutNote);
    }
    m_layoutNote->setText(text);
}

QString widget_out::layoutNote() const
{
    return m_layoutNote ? m_layoutNote->text() : QString();
}

void widget_out::setProcessData(const treeItem &item)
{
    QTableWidget *table = ui->table;
    table->setRowCount(0);
    m_layout = processDataCodec::layoutOf(item);
    m_bitLength = m_layout.bitLength;
    table->setRowCount(m_layout.fields.size());

    const bool single = m_layout.fields.size() == 1;
    for (int i = 0; i < m_layout.fields.size(); ++i) {
        const processDataCodec::field &f = m_layout.fields.at(i);
        const valueItem &value = f.item;
        auto *number = readOnlyItem(single ? QStringLiteral("0") : value.subindex);
        number->setData(BitOffsetRole, QString::number(f.bitOffset));
        number->setData(BitLengthRole, QString::number(f.bitLength));
        number->setData(SubindexRole, value.subindex);
        table->setItem(i, 0, number);
        table->setItem(i, 1, readOnlyItem(single ? item.name : value.label));

        if (!value.editor.entries.isEmpty()) {
            table->setCellWidget(i, 2, makeCombo(value));
            continue;
        }
        // Numbers and strings are typed; a number is checked when written.
        auto *edit = new QLineEdit;
        const QString range = rangeText(value);
        edit->setPlaceholderText(range.isEmpty() ? value.unit : range);
        edit->setProperty(rangeProperty, range);
        showRangeTip(edit);
        table->setCellWidget(i, 2, edit);
    }
}

void widget_out::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange)
        return;
    ui->retranslateUi(this);
    for (int row = 0; row < ui->table->rowCount(); ++row) {
        if (auto *edit = qobject_cast<QLineEdit *>(ui->table->cellWidget(row, 2)))
            showRangeTip(edit);
    }
}

void widget_out::setAllBits(bool on)
{
    QTableWidget *table = ui->table;
    for (int row = 0; row < table->rowCount() && row < m_layout.fields.size(); ++row) {
        auto *combo = qobject_cast<QComboBox *>(table->cellWidget(row, 2));
        if (!combo || m_layout.fields.at(row).item.editor.typeName != QLatin1String(ioddKind::BooleanT))
            continue;
        for (int i = 0; i < combo->count(); ++i) {
            const QString v = combo->itemData(i).toString();
            if (on ? processDataCodec::meansOn(v) : !processDataCodec::meansOn(v)) {
                combo->setCurrentIndex(i);
                break;
            }
        }
    }
}

void widget_out::slot_pbtn_allFalseClicked()
{
    setAllBits(false);
}

void widget_out::slot_pbtn_allTrueclicked()
{
    setAllBits(true);
}

QVector<QString> widget_out::inputs() const
{
    QVector<QString> result;
    const QTableWidget *table = ui->table;
    for (int row = 0; row < table->rowCount(); ++row) {
        QWidget *editor = table->cellWidget(row, 2);
        if (auto *combo = qobject_cast<QComboBox *>(editor))
            result.append(combo->currentData().toString());
        else if (auto *edit = qobject_cast<QLineEdit *>(editor))
            result.append(edit->text());
        else
            result.append(QString());
    }
    return result;
}

QByteArray widget_out::processData(QStringList *errors) const
{
    return processDataCodec::encode(m_layout, inputs(), errors);
}

void widget_out::slot_pbtn_writeClicked()
{
    common *hub = common::instance();
    const int registers = adapterregs::pdRegistersForBits(m_bitLength);
    if (!hub || !hub->modbus || !hub->activePorts.contains(port) || registers < 1)
        return;
    myModbus *link = hub->modbus;
    const quint16 address = adapterregs::pdOutWindow(port);

    // Nothing is sent while an editor holds what its item cannot take.
    QStringList errors;
    processData(&errors);
    m_lastError = errors.join(QLatin1Char('\n'));
    ui->pbtn_write->setToolTip(m_lastError);
    if (!errors.isEmpty()) {
        qCWarning(lcProcdata).noquote() << "pd out not written:" << m_lastError;
        QToolTip::showText(ui->pbtn_write->mapToGlobal(QPoint(0, ui->pbtn_write->height())), m_lastError,
                           ui->pbtn_write);
        return;
    }

    // busy keeps the periodic readers away for the whole write, waits included.
    const BusyGuard busy(link);
    ui->pbtn_write->setEnabled(false);
    if (!waitUnlessGone(this, settleMs))
        return;

    QByteArray block = processData(nullptr);
    block.append(QByteArray(2 * registers - block.size(), '\0'));
    qCDebug(lcProcdata).noquote() << "pd out:" << block.toHex(' ');
    const int rc =
        link->writeRegisterBlock(address, reinterpret_cast<const unsigned char *>(block.constData()), registers);
    if (rc != 0)
        portStatusMonitor::relearn(port);
    else if (!waitUnlessGone(this, settleMs))
        return;
    ui->pbtn_write->setEnabled(true);
}
