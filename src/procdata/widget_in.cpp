#include "widget_in.h"
#include "ui_widget_in.h"

#include "widgets/pdtable.h"

#include "protocol/adapterregisters.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "codec/valuecodec.h"
#include "widget_inboolt.h"
#include "log/hub8log.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QSplitter>
#include <QTableWidgetItem>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Tiles per row of the tile area.
const int tilesPerRow = 4;
// IO-Link carries at most 32 octets of process data: 16 registers.
const int maxPdRegisters = 16;

QTableWidgetItem *readOnlyItem(const QString &text)
{
    auto *cell = new QTableWidgetItem(text);
    cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
    return cell;
}

// Bit length of one item inside the input data. Types whose width is fixed
// by the type itself count with that width when the description gives none;
// a blank otherwise counts as one bit.
QString itemBitLength(const valueItem &item)
{
    const editorItem &e = item.editor;
    if (!e.bitLength.trimmed().isEmpty())
        return e.bitLength;
    if (e.typeName == QLatin1String(ioddKind::Float32T))
        return QStringLiteral("32");
    if (e.typeName == QLatin1String(ioddKind::TimeT) || e.typeName == QLatin1String(ioddKind::TimeSpanT))
        return QStringLiteral("64");
    if ((e.typeName == QLatin1String(ioddKind::StringT) || e.typeName == QLatin1String(ioddKind::OctetStringT))
        && e.fixedLength.toInt() > 0)
        return QString::number(8 * e.fixedLength.toInt());
    return QStringLiteral("1");
}

// Text shown before the first read: the lower limit, scaled by the gradient
// with as many decimals as the gradient needs.
QString startText(const valueItem &item)
{
    const double lower = item.editor.lowerValue.toDouble();
    bool ok = false;
    const double g = item.gradient.toDouble(&ok);
    if (!ok || !(g > 0) || g == 1.0)
        return QString::number(std::llround(lower));
    int decimals = 0;
    for (double scaled = g; scaled < 1.0 - 1e-9 && decimals < 15; scaled *= 10)
        ++decimals;
    return QString::number(lower * g, 'f', decimals);
}

// The entry text for a one-bit value: the pair whose value means the bit.
bool booleanEntryText(const valueItem &item, bool bit, QString *text)
{
    for (const valuePair &pair : item.editor.entries) {
        const QString v = pair.second.trimmed();
        const bool match = bit ? (v == QLatin1String("true") || v == QLatin1String("1"))
                               : (v == QLatin1String("false") || v == QLatin1String("0"));
        if (match) {
            *text = pair.first;
            return true;
        }
    }
    return false;
}

template <typename Number, typename Parse>
bool numberEntryText(const valueItem &item, Number v, Parse parse, QString *text)
{
    for (const valuePair &pair : item.editor.entries) {
        if (parse(pair.second) == v) {
            *text = pair.first;
            return true;
        }
    }
    return false;
}

} // namespace

widget_in::widget_in(QWidget *parent) : QWidget(parent), ui(new Ui::widget_in)
{
    ui->setupUi(this);

    // Table and tile area share the middle row; the user may move the border.
    auto *splitter = new QSplitter(Qt::Horizontal, ui->widget_mid);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->addWidget(ui->table);
    splitter->addWidget(ui->widget_bool);
    splitter->setChildrenCollapsible(false);
    ui->widget_mid->layout()->addWidget(splitter);
    ui->layout_g->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    ui->pbtn_save->hide();
    ui->pbtn_start->setEnabled(true);
    ui->pbtn_stop->setEnabled(false);

    QTableWidget *table = ui->table;
    setUpProcessDataTable(table);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);

    connect(ui->pbtn_start, &QPushButton::clicked, this, &widget_in::slot_pbtn_start);
    connect(ui->pbtn_stop, &QPushButton::clicked, this, &widget_in::slot_pbtn_stop);
    connect(&timer, &QTimer::timeout, this, &widget_in::slot_timerOut);
}

widget_in::~widget_in()
{
    qCDebug(lcProcdata) << "del:" << this;
    timer.stop();
    delete ui;
}

void widget_in::setPort(int port)
{
    this->port = port;
}

void widget_in::clearTiles()
{
    for (widget_inBoolT *tile : qAsConst(tiles))
        delete tile;
    tiles.clear();
    // Tiles with a name that another tile already had are no longer in the map.
    const QList<widget_inBoolT *> rest = ui->widget_bool->findChildren<widget_inBoolT *>();
    qDeleteAll(rest);
}

void widget_in::setProcessData(const treeItem &item)
{
    name = item.name;
    items = item.values;
    clearTiles();

    QTableWidget *table = ui->table;
    table->setRowCount(0);
    table->setRowCount(items.size());
    m_bitLength = item.text.toInt();

    const bool single = items.size() == 1;
    int tileCount = 0;
    for (int i = 0; i < items.size(); ++i) {
        const valueItem &value = items.at(i);
        const QString label = single ? item.name : value.label;

        auto *number = readOnlyItem(single ? QString() : value.subindex);
        number->setData(BitOffsetRole, single ? QStringLiteral("0") : value.editor.bitOffset);
        number->setData(BitLengthRole, itemBitLength(value));
        number->setData(SubindexRole, value.subindex);
        number->setData(SubindexAccessRole,
                        value.subindexAccess.trimmed().isEmpty() ? QStringLiteral("true") : value.subindexAccess);
        table->setItem(i, 0, number);
        table->setItem(i, 1, readOnlyItem(label));

        QTableWidgetItem *shown = nullptr;
        if (value.editor.typeName == QLatin1String(ioddKind::BooleanT)) {
            shown = readOnlyItem(QStringLiteral("false"));
            auto *tile = new widget_inBoolT(ui->widget_bool);
            tile->setName(label);
            ui->layout_g->addWidget(tile, tileCount / tilesPerRow, tileCount % tilesPerRow);
            tiles.insert(label, tile);
            ++tileCount;
        } else {
            shown = readOnlyItem(startText(value));
        }
        shown->setData(TypeRole, value.editor.typeName);
        shown->setData(PositionRole, i);
        table->setItem(i, 2, shown);
    }
    ui->widget_bool->setVisible(tileCount > 0);
    table->resizeRowsToContents();
}

void widget_in::slot_pbtn_start()
{
    common *hub = common::instance();
    if (!hub || !hub->activePorts.contains(port))
        return;
    timer.start(pollIntervalMs);
    emit sigStartRead(true);
    ui->pbtn_start->setEnabled(false);
    ui->pbtn_stop->setEnabled(true);
}

void widget_in::slot_pbtn_stop()
{
    timer.stop();
    emit sigStartRead(false);
    ui->pbtn_start->setEnabled(true);
    ui->pbtn_stop->setEnabled(false);
}

void widget_in::onCleanPortStatus()
{
    timer.stop();
}

void widget_in::hideEvent(QHideEvent *event)
{
    slot_pbtn_stop();
    QWidget::hideEvent(event);
}

void widget_in::slot_timerOut()
{
    common *hub = common::instance();
    if (!hub || !hub->modbus || hub->modbus->busy)
        return;
    const int registers = std::min((m_bitLength + 15) / 16, maxPdRegisters);
    if (registers < 1)
        return;
    qCDebug(lcProcdata) << "___读取DI++++++++++++++";
    QByteArray data;
    if (hub->modbus->readRegisters(adapterregs::pdInWindow(port), registers, data) != 0) {
        // The last values stay; the user restarts when the link is back.
        timer.stop();
        return;
    }
    qCDebug(lcProcdata) << "___读取DI--------------";
    if (!data.isEmpty())
        refresh(data);
}

void widget_in::refresh(const QByteArray &data)
{
    QTableWidget *table = ui->table;
    // Bit 0 is the lowest bit of the last octet of the process data itself:
    // whole registers are read, so an odd octet count leaves a spare octet
    // behind the data that must not count.
    const int pdOctets = (m_bitLength + 7) / 8;
    const QByteArray pd = pdOctets > 0 && pdOctets < data.size() ? data.left(pdOctets) : data;
    const int totalBits = pd.size() * 8;
    int position = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem *number = table->item(row, 0);
        QTableWidgetItem *label = table->item(row, 1);
        QTableWidgetItem *shown = table->item(row, 2);
        if (!number || !label || !shown)
            continue;
        const int n = std::max(number->data(BitLengthRole).toInt(), 0);
        const quint32 v = quint32(valueCodec::extractBits(pd, totalBits, position, n));
        position += n;

        const int index = shown->data(PositionRole).toInt();
        if (index < 0 || index >= items.size())
            continue;
        const valueItem &item = items.at(index);
        const QString &type = item.editor.typeName;

        if (n == 1) {
            const bool bit = v == 1;
            QString text;
            if (item.editor.entries.isEmpty())
                shown->setText(bit ? QStringLiteral("true") : QStringLiteral("false"));
            else if (booleanEntryText(item, bit, &text))
                shown->setText(text);
            if (widget_inBoolT *lamp = tiles.value(label->text(), nullptr))
                lamp->setState(bit);
            continue;
        }

        QString text;
        if (type == QLatin1String(ioddKind::UIntegerT)) {
            const auto parse = [](const QString &s) { return s.trimmed().toULongLong(); };
            if (numberEntryText(item, quint64(v), parse, &text)) {
                shown->setText(text);
            } else if (parse(item.editor.lowerValue) < v && v < parse(item.editor.upperValue)) {
                shown->setText(QString::number(v));
            }
        } else if (type == QLatin1String(ioddKind::IntegerT)) {
            const qint64 s = valueCodec::signExtend(v, std::min(n, 32));
            const auto parse = [](const QString &t) { return t.trimmed().toLongLong(); };
            if (numberEntryText(item, s, parse, &text)) {
                shown->setText(text);
            } else if (parse(item.editor.lowerValue) < s && s < parse(item.editor.upperValue)) {
                shown->setText(QString::number(s));
            }
        } else if (type == QLatin1String(ioddKind::Float32T) && n == 32) {
            // Shown raw like the integers; limits apply when the description has them.
            float f = 0;
            std::memcpy(&f, &v, sizeof f);
            const QString &lowerText = item.editor.lowerValue;
            const QString &upperText = item.editor.upperValue;
            const bool limited = !lowerText.trimmed().isEmpty() && !upperText.trimmed().isEmpty();
            if (std::isfinite(f) && (!limited || (lowerText.toDouble() < f && f < upperText.toDouble())))
                shown->setText(QString::number(double(f), 'g', 6));
        }
    }
}
