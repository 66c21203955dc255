#include "processdataoutpage.h"
#include "ui_processdataoutpage.h"

#include "codec/numbertext.h"
#include "codec/processdatacodec.h"
#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "log/writejournal.h"
#include "outvaluedelegate.h"
#include "protocol/adapterregisters.h"
#include "widgets/comboboxdelegate.h"
#include "widgets/pdtable.h"
#include "widgets/readonlyitem.h"
#include "widgets/rownote.h"
#include "widgets/writeconfirmation.h"

#include <QEvent>
#include <QLabel>
#include <QTableWidgetItem>
#include <QToolTip>
#include <QVector>

namespace {

// The entry an output starts at: switched off. Writing the page unchanged
// must not turn anything on that the user did not choose.
QString startEntry(const ValueItem &value)
{
    for (const ValuePair &pair : value.editor.entries) {
        const QString v = pair.second.trimmed().toLower();
        if (v == QLatin1String("false") || v == QLatin1String("0"))
            return pair.first;
    }
    return value.editor.entries.isEmpty() ? QString() : value.editor.entries.first().first;
}

// The range a number may take, in the units the user types.
QString rangeText(const ValueItem &value)
{
    QString low, high;
    if (!NumberText::displayLimits(value, &low, &high))
        return QString();
    const QString unit = value.unit.isEmpty() ? QString() : QLatin1Char(' ') + value.unit;
    return QStringLiteral("%1 … %2%3").arg(low, high, unit);
}

// A typed cell's range text, kept for its tool tip in the current language.
constexpr int rangeRole = Qt::UserRole + 31;

void showRangeTip(QTableWidgetItem *cell)
{
    const QString range = cell->data(rangeRole).toString();
    cell->setToolTip(range.isEmpty() ? QString() : ProcessDataOutPage::tr("值范围 %1").arg(range));
}

} // namespace

ProcessDataOutPage::ProcessDataOutPage(QWidget *parent) : QWidget(parent), m_ui(new Ui::ProcessDataOutPage)
{
    m_ui->setupUi(this);

    QTableWidget *table = m_ui->table;
    setUpProcessDataTable(table);
    // Editors are made only while a cell is edited: a choice cell opens its
    // list on a click, a typed cell takes the keys at once.
    m_choices = new ComboBoxDelegate(valueColumn, this);
    m_typed = new OutValueDelegate(this);
    table->setItemDelegateForColumn(valueColumn, m_typed);
    table->setEditTriggers(QAbstractItemView::AllEditTriggers);

    connect(m_ui->pbtn_false, &QPushButton::clicked, this, &ProcessDataOutPage::onAllFalseClicked);
    connect(m_ui->pbtn_true, &QPushButton::clicked, this, &ProcessDataOutPage::onAllTrueClicked);
    connect(m_ui->pbtn_write, &QPushButton::clicked, this, &ProcessDataOutPage::onWriteClicked);
}

ProcessDataOutPage::~ProcessDataOutPage()
{
    qCDebug(lcProcdata) << "del:" << this;
    delete m_ui;
}

void ProcessDataOutPage::setPort(int port)
{
    m_port = port;
}

void ProcessDataOutPage::setLayoutNote(const QString &text)
{
    setRowNote(m_layoutNote, this, m_ui->horizontalLayout, text);
}

QString ProcessDataOutPage::layoutNote() const
{
    return m_layoutNote ? m_layoutNote->text() : QString();
}

void ProcessDataOutPage::setProcessData(const TreeItem &item)
{
    QTableWidget *table = m_ui->table;
    for (int row = 0; row < table->rowCount(); ++row)
        table->setItemDelegateForRow(row, nullptr);
    table->setRowCount(0);
    m_layout = ProcessDataCodec::layoutOf(item);
    m_bitLength = m_layout.bitLength;
    table->setRowCount(m_layout.fields.size());

    const bool single = m_layout.fields.size() == 1;
    for (int i = 0; i < m_layout.fields.size(); ++i) {
        const ProcessDataCodec::Field &f = m_layout.fields.at(i);
        const ValueItem &value = f.item;
        auto *number = readOnlyItem(single ? QStringLiteral("0") : value.subindex);
        number->setData(BitOffsetRole, QString::number(f.bitOffset));
        number->setData(BitLengthRole, QString::number(f.bitLength));
        number->setData(SubindexRole, value.subindex);
        table->setItem(i, 0, number);
        table->setItem(i, 1, readOnlyItem(single ? item.name : value.label));

        if (!value.editor.entries.isEmpty()) {
            auto *choice = new QTableWidgetItem(startEntry(value));
            QStringList names;
            for (const ValuePair &pair : value.editor.entries)
                names << pair.first;
            ComboBoxDelegate::setChoices(choice, names);
            table->setItem(i, valueColumn, choice);
            table->setItemDelegateForRow(i, m_choices);
            continue;
        }
        // Numbers and strings are typed; a number is checked when written.
        auto *typed = new QTableWidgetItem;
        const QString range = rangeText(value);
        typed->setData(OutValueDelegate::placeholderRole, range.isEmpty() ? value.unit : range);
        typed->setData(rangeRole, range);
        showRangeTip(typed);
        table->setItem(i, valueColumn, typed);
    }
}

void ProcessDataOutPage::showNames(const TreeItem &item)
{
    const ProcessDataCodec::Layout layout = ProcessDataCodec::layoutOf(item);
    if (layout.fields.size() != m_layout.fields.size() || layout.bitLength != m_layout.bitLength)
        return;
    for (int i = 0; i < layout.fields.size(); ++i) {
        if (m_layout.fields.at(i).bitOffset != layout.fields.at(i).bitOffset
            || m_layout.fields.at(i).bitLength != layout.fields.at(i).bitLength)
            return;
    }
    // The choices keep their names: a typed entry is one of them.
    const bool single = layout.fields.size() == 1;
    for (int i = 0; i < layout.fields.size(); ++i) {
        if (QTableWidgetItem *cell = m_ui->table->item(i, 1))
            cell->setText(single ? item.name : layout.fields.at(i).item.label);
    }
}

QString ProcessDataOutPage::input(int row) const
{
    const QTableWidgetItem *cell = m_ui->table->item(row, valueColumn);
    return cell ? cell->text() : QString();
}

void ProcessDataOutPage::setInput(int row, const QString &text)
{
    if (QTableWidgetItem *cell = m_ui->table->item(row, valueColumn))
        cell->setText(text);
}

void ProcessDataOutPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange)
        return;
    m_ui->retranslateUi(this);
    for (int row = 0; row < m_ui->table->rowCount(); ++row) {
        if (QTableWidgetItem *cell = m_ui->table->item(row, valueColumn))
            showRangeTip(cell);
    }
}

void ProcessDataOutPage::setAllBits(bool on)
{
    for (int row = 0; row < m_ui->table->rowCount() && row < m_layout.fields.size(); ++row) {
        const ValueItem &value = m_layout.fields.at(row).item;
        if (value.editor.typeName != QLatin1String(IoddKind::BooleanT))
            continue;
        for (const ValuePair &pair : value.editor.entries) {
            if (on ? ProcessDataCodec::meansOn(pair.second) : !ProcessDataCodec::meansOn(pair.second)) {
                setInput(row, pair.first);
                break;
            }
        }
    }
}

void ProcessDataOutPage::onAllFalseClicked()
{
    setAllBits(false);
}

void ProcessDataOutPage::onAllTrueClicked()
{
    setAllBits(true);
}

QVector<QString> ProcessDataOutPage::inputs() const
{
    // A choice cell holds an entry's name; the codec takes its value.
    QVector<QString> result;
    for (int row = 0; row < m_ui->table->rowCount(); ++row) {
        QString text = input(row);
        if (row < m_layout.fields.size()) {
            for (const ValuePair &pair : m_layout.fields.at(row).item.editor.entries) {
                if (pair.first == text) {
                    text = pair.second;
                    break;
                }
            }
        }
        result.append(text);
    }
    return result;
}

QByteArray ProcessDataOutPage::processData(QStringList *errors) const
{
    return ProcessDataCodec::encode(m_layout, inputs(), errors);
}

void ProcessDataOutPage::onWriteClicked()
{
    LinkHub *hub = LinkHub::instance();
    const int registers = AdapterRegisters::pdRegistersForBits(m_bitLength);
    if (!hub || !hub->link() || !hub->activePorts().contains(m_port) || registers < 1)
        return;
    AdapterLink *link = hub->link();
    const quint16 address = AdapterRegisters::pdOutWindow(m_port);

    // A cell still being edited gives its text first.
    m_typed->commitOpenEditor();
    // Nothing is sent while an editor holds what its item cannot take.
    QStringList errors;
    processData(&errors);
    m_lastError = errors.join(QLatin1Char('\n'));
    m_ui->pbtn_write->setToolTip(m_lastError);
    if (!errors.isEmpty()) {
        qCWarning(lcProcdata).noquote() << "pd out not written:" << m_lastError;
        QToolTip::showText(m_ui->pbtn_write->mapToGlobal(QPoint(0, m_ui->pbtn_write->height())), m_lastError,
                           m_ui->pbtn_write);
        return;
    }

    QByteArray block = processData(nullptr);
    // The device's outputs drive actuators: the user says so first.
    if (!WriteConfirmation::confirm(this, WriteConfirmation::Kind::Output, QStringLiteral("Port%1").arg(m_port + 1),
                                    m_deviceName,
                                    QStringLiteral("PD Out: %1").arg(QString::fromLatin1(block.toHex(' ')))))
        return;
    // The button stays off until the write is done and the output had a
    // moment to settle, so repeated clicks do not pile writes up.
    m_ui->pbtn_write->setEnabled(false);
    block.append(QByteArray(2 * registers - block.size(), '\0'));
    // What the adapter holds now is read first: the journal keeps both.
    LinkReply *held = link->readRegisters(address, registers, this);
    connect(held, &LinkReply::finished, this, [this, held, address, block] {
        held->deleteLater();
        // The link is asked for again: it may have been replaced or shut down meanwhile, and the port left.
        LinkHub *hub = LinkHub::instance();
        AdapterLink *now = hub ? hub->link() : nullptr;
        if (!now || now->isShutDown() || !hub->activePorts().contains(m_port)) {
            m_ui->pbtn_write->setEnabled(true);
            return;
        }
        writeOutput(now, address, block, held->succeeded() ? held->data() : QByteArray());
    });
}

void ProcessDataOutPage::writeOutput(AdapterLink *link, quint16 address, const QByteArray &block,
                                     const QByteArray &before)
{
    qCDebug(lcProcdata).noquote() << "pd out:" << block.toHex(' ');
    LinkReply *reply = link->writeRegisters(address, block, this);
    connect(reply, &LinkReply::finished, this, [this, reply, block, before] {
        reply->deleteLater();
        WriteJournal::Record r =
            WriteJournal::now(QStringLiteral("vanto-hub8"), m_port + 1, QStringLiteral("process data"));
        r.vendorId = m_vendorId;
        r.deviceId = m_deviceId;
        r.label = m_deviceName;
        r.before = before;
        r.after = block;
        r.outcome = reply->succeeded() ? QStringLiteral("taken") : QStringLiteral("no answer");
        QString error;
        if (!WriteJournal::append(r, &error)) {
            m_lastError = tr("未记入写入记录：%1").arg(error);
            m_ui->pbtn_write->setToolTip(m_lastError);
        }
        if (!reply->succeeded()) {
            PortStatusMonitor::relearn(m_port);
            m_ui->pbtn_write->setEnabled(true);
            return;
        }
        QTimer::singleShot(settleMs, this, [this] { m_ui->pbtn_write->setEnabled(true); });
    });
}
