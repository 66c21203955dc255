#include "widget_out.h"
#include "ui_widget_out.h"

#include "codec/processdatacodec.h"
#include "link/common.h"
#include "link/linkexchange.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"
#include "widgets/myintvalidator.h"
#include "widgets/pdtable.h"
#include "widgets/readonlyitem.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidgetItem>
#include <QVector>

#include <cmath>
#include <limits>

namespace {

// A limit of the description as a whole number. Limits beyond the signed
// 64-bit range (the top of a 64-bit UIntegerT) go through double.
qint64 limitValue(const QString &text)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (ok)
        return v;
    const double d = text.trimmed().toDouble(&ok);
    if (!ok)
        return 0;
    if (d >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (d <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return qint64(std::llround(d));
}

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

void widget_out::setProcessData(const treeItem &item)
{
    QTableWidget *table = ui->table;
    table->setRowCount(0);
    m_bitLength = item.text.toInt();
    table->setRowCount(item.values.size());

    const bool single = item.values.size() == 1;
    for (int i = 0; i < item.values.size(); ++i) {
        const valueItem &value = item.values.at(i);
        auto *number = readOnlyItem(single ? QStringLiteral("0") : value.subindex);
        number->setData(BitOffsetRole, value.editor.bitOffset);
        // Only kept in the row: what is written comes from the node's bit
        // length and the subindices, never from an item's own length.
        number->setData(BitLengthRole, QString::number(processDataCodec::itemBitLength(value)));
        number->setData(SubindexRole, single ? QStringLiteral("1") : value.subindex);
        table->setItem(i, 0, number);
        table->setItem(i, 1, readOnlyItem(single ? item.name : value.label));

        if (value.editor.typeName == QLatin1String(ioddKind::BooleanT)) {
            table->setCellWidget(i, 2, makeCombo(value));
        } else if (single) {
            const qint64 lower = limitValue(value.editor.lowerValue);
            const qint64 upper = limitValue(value.editor.upperValue);
            auto *edit = new QLineEdit;
            auto *validator = new myIntValidator(edit);
            validator->setRange(double(lower), double(upper));
            edit->setValidator(validator);
            edit->setToolTip(QStringLiteral("值范围%1~%2").arg(lower).arg(upper));
            edit->setText(QString::number(lower));
            table->setCellWidget(i, 2, edit);
        }
    }
}

void widget_out::setAllCombos(const QString &text)
{
    QTableWidget *table = ui->table;
    for (int row = 0; row < table->rowCount(); ++row) {
        auto *combo = qobject_cast<QComboBox *>(table->cellWidget(row, 2));
        if (!combo || combo->count() <= 1)
            continue;
        const int index = combo->findText(text);
        if (index >= 0)
            combo->setCurrentIndex(index);
    }
}

void widget_out::slot_pbtn_allFalseClicked()
{
    setAllCombos(QStringLiteral("false"));
}

void widget_out::slot_pbtn_allTrueclicked()
{
    setAllCombos(QStringLiteral("true"));
}

quint64 widget_out::singleValue()
{
    QWidget *editor = ui->table->cellWidget(0, 2);
    if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
        // Text the validator would not accept is fixed up first, so what is
        // sent is always inside the range and the editor shows it.
        QString text = edit->text();
        int pos = 0;
        if (const QValidator *validator = edit->validator()) {
            if (validator->validate(text, pos) != QValidator::Acceptable) {
                validator->fixup(text);
                edit->setText(text);
            }
        }
        return quint64(text.trimmed().toLongLong());
    }
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        // A single one-bit value: the chosen entry's value.
        return processDataCodec::meansOn(combo->currentData().toString()) ? 1 : 0;
    }
    return 0;
}

QString widget_out::recordWordsText() const
{
    const QTableWidget *table = ui->table;
    QVector<processDataCodec::recordChoice> choices;
    for (int row = 0; row < table->rowCount(); ++row) {
        // Only one-bit values have an editor; other record items send 0 bits.
        auto *combo = qobject_cast<QComboBox *>(table->cellWidget(row, 2));
        const QTableWidgetItem *number = table->item(row, 0);
        if (!combo || !number)
            continue;
        choices.append({number->data(SubindexRole).toInt(), combo->currentText()});
    }
    const QVector<processDataCodec::outputBit> bits = processDataCodec::recordBits(choices);
    for (const processDataCodec::outputBit &bit : bits)
        qCDebug(lcProcdata) << "pd out bit:" << bit.bit << bit.value;
    const QString text =
        processDataCodec::wordsText(processDataCodec::recordWords(bits, adapterregs::pdRegistersForBits(m_bitLength)));
    qCDebug(lcProcdata) << "pd out words:" << text;
    return text;
}

void widget_out::slot_pbtn_writeClicked()
{
    common *hub = common::instance();
    if (!hub || !hub->modbus || !hub->activePorts.contains(port))
        return;
    myModbus *link = hub->modbus;
    const quint16 address = adapterregs::pdOutWindow(port);

    // busy keeps the periodic readers away for the whole write, waits included.
    const BusyGuard busy(link);
    ui->pbtn_write->setEnabled(false);
    if (!waitUnlessGone(this, settleMs))
        return;

    int rc = -1;
    if (ui->table->rowCount() == 1) {
        const int registers = adapterregs::pdRegistersForBits(m_bitLength);
        const QByteArray block = processDataCodec::singleValueBlock(singleValue(), m_bitLength, registers);
        rc = link->writeRegisterBlock(address, reinterpret_cast<const unsigned char *>(block.constData()), registers);
    } else {
        rc = link->writeRegistersText(address, recordWordsText());
    }
    if (rc != 0)
        portStatusMonitor::relearn(port);
    else if (!waitUnlessGone(this, settleMs))
        return;
    ui->pbtn_write->setEnabled(true);
}
