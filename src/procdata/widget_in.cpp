#include "widget_in.h"
#include "ui_widget_in.h"

#include "polledvalueitem.h"
#include "processdatatrend.h"
#include "widget_inboolt.h"

#include "codec/processdatacodec.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"
#include "widgets/pdtable.h"
#include "widgets/rownote.h"
#include "widgets/readonlyitem.h"

#include <QDateTime>
#include <QEvent>
#include <QHideEvent>
#include <QShowEvent>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTableWidgetItem>

namespace {

// Tiles per row of the tile area.
const int tilesPerRow = 4;

} // namespace

widget_in::widget_in(QWidget *parent) : QWidget(parent), ui(new Ui::widget_in)
{
    ui->setupUi(this);

    // Table and tile area share the middle row, the trend is below them; the
    // user may move both borders. Many lamps scroll instead of growing the window.
    ui->layout_g->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_trend = ui->trend;
    ui->splitter_trend->setStretchFactor(0, 2);
    ui->splitter_trend->setStretchFactor(1, 3);

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

void widget_in::release()
{
    slot_pbtn_stop();
    if (m_layoutNote)
        setLayoutNote(QString());
    m_trend->setPaused(false);
}

void widget_in::setLayoutNote(const QString &text)
{
    setRowNote(m_layoutNote, this, ui->horizontalLayout, text);
}

QString widget_in::layoutNote() const
{
    return m_layoutNote ? m_layoutNote->text() : QString();
}

void widget_in::clearTiles()
{
    for (widget_inBoolT *tile : qAsConst(tiles))
        delete tile;
    tiles.clear();
    rowTiles.clear();
    // Tiles with a name that another tile already had are no longer in the map.
    const QList<widget_inBoolT *> rest = ui->widget_bool->findChildren<widget_inBoolT *>();
    qDeleteAll(rest);
}

void widget_in::setProcessData(const treeItem &item)
{
    name = item.name;
    layout = processDataCodec::layoutOf(item);
    m_shownValid = false;
    m_trend->startRecording(layout, item.name);
    clearTiles();

    QTableWidget *table = ui->table;
    table->setRowCount(0);
    table->setRowCount(layout.fields.size());

    const bool single = layout.fields.size() == 1;
    int tileCount = 0;
    for (int i = 0; i < layout.fields.size(); ++i) {
        const valueItem &value = layout.fields.at(i).item;
        const QString label = single ? item.name : value.label;

        auto *number = readOnlyItem(single ? QString() : value.subindex);
        number->setData(BitOffsetRole, QString::number(layout.fields.at(i).bitOffset));
        number->setData(BitLengthRole, QString::number(layout.fields.at(i).bitLength));
        number->setData(SubindexRole, value.subindex);
        number->setData(SubindexAccessRole,
                        value.subindexAccess.trimmed().isEmpty() ? QStringLiteral("true") : value.subindexAccess);
        table->setItem(i, 0, number);
        table->setItem(i, 1, readOnlyItem(label));

        // Nothing is shown before the first read.
        auto *shown = new polledValueItem;
        widget_inBoolT *lamp = nullptr;
        if (value.editor.typeName == QLatin1String(ioddKind::BooleanT)) {
            lamp = new widget_inBoolT(ui->widget_bool);
            lamp->setName(label);
            ui->layout_g->addWidget(lamp, tileCount / tilesPerRow, tileCount % tilesPerRow);
            tiles.insert(label, lamp);
            ++tileCount;
        }
        rowTiles.append(lamp);
        shown->setData(TypeRole, value.editor.typeName);
        shown->setData(PositionRole, i);
        table->setItem(i, 2, shown);
    }
    ui->widget_bool->setVisible(tileCount > 0);
    QScrollArea *lamps = ui->scroll_lamps;
    lamps->setVisible(tileCount > 0);
    // As wide as a full row of tiles; only the height scrolls.
    lamps->setMinimumWidth(ui->widget_bool->minimumSizeHint().width() + 2 * lamps->frameWidth()
                           + lamps->verticalScrollBar()->sizeHint().width());
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

void widget_in::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        m_shownValid = false; // the next poll writes the texts in the new language
    }
}

void widget_in::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // First shown: two fifths of the height for the table and the lamps, the
    // rest for the trend.
    if (!m_placed && ui->splitter_trend->height() > 0) {
        m_placed = true;
        const int height = ui->splitter_trend->height();
        ui->splitter_trend->setSizes({2 * height / 5, height - 2 * height / 5});
    }
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
    const int registers = adapterregs::pdRegistersForBits(layout.bitLength);
    if (registers < 1)
        return;
    QByteArray data;
    if (hub->modbus->readRegisters(adapterregs::pdInWindow(port), registers, data) != 0) {
        // The last values stay; the user restarts when the link is back.
        timer.stop();
        portStatusMonitor::relearn(port);
        return;
    }
    if (!data.isEmpty())
        refresh(data);
}

void widget_in::refresh(const QByteArray &data)
{
    // The octets of the last poll again: the page already shows them, only
    // the trend takes the new point.
    if (m_shownValid && data == m_shownData) {
        m_trend->record(QDateTime::currentMSecsSinceEpoch(), data, m_shownValues);
        return;
    }
    QTableWidget *table = ui->table;
    const QVector<processDataCodec::itemValue> values = processDataCodec::decode(layout, data);
    for (int row = 0; row < table->rowCount() && row < values.size(); ++row) {
        const processDataCodec::itemValue &value = values.at(row);
        polledValueItem *shown = polledValueItem::at(table, row, 2);
        if (!shown)
            continue;
        const QString text = value.unit.isEmpty() ? value.text : value.text + QLatin1Char(' ') + value.unit;
        if (shown->text() != text)
            shown->setText(text);
        shown->setRaw(value.ok ? value.raw : QString());
        if (value.isBit && row < rowTiles.size() && rowTiles.at(row))
            rowTiles.at(row)->setState(value.bit);
    }
    m_trend->record(QDateTime::currentMSecsSinceEpoch(), data, values);
    m_shownData = data;
    m_shownValues = values;
    m_shownValid = true;
}
