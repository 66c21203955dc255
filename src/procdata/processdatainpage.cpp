#include "processdatainpage.h"
#include "ui_processdatainpage.h"

#include "lamptile.h"
#include "polledvalueitem.h"
#include "processdatatrend.h"

#include "codec/processdatacodec.h"
#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"
#include "widgets/pdtable.h"
#include "widgets/readonlyitem.h"
#include "widgets/rownote.h"

#include <QBrush>
#include <QDateTime>
#include <QEvent>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QSplitter>
#include <QTableWidgetItem>

ProcessDataInPage::ProcessDataInPage(QWidget *parent) : QWidget(parent), m_ui(new Ui::ProcessDataInPage)
{
    m_ui->setupUi(this);

    // Table and tile area share the middle row, the trend is below them; the
    // user may move both borders. Many lamps scroll instead of growing the window.
    m_ui->layout_g->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_trend = m_ui->trend;
    m_ui->splitter_trend->setStretchFactor(0, 2);
    m_ui->splitter_trend->setStretchFactor(1, 3);
    m_ui->splitter->setStretchFactor(0, 3);
    m_ui->splitter->setStretchFactor(1, 2);
    m_ui->scroll_lamps->viewport()->installEventFilter(this);

    m_ui->pbtn_save->hide();
    m_ui->pbtn_start->setEnabled(true);
    m_ui->pbtn_stop->setEnabled(false);

    QTableWidget *table = m_ui->table;
    setUpProcessDataTable(table);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);

    connect(m_ui->pbtn_start, &QPushButton::clicked, this, &ProcessDataInPage::onStartClicked);
    connect(m_ui->pbtn_stop, &QPushButton::clicked, this, &ProcessDataInPage::onStopClicked);
    connect(&m_timer, &QTimer::timeout, this, &ProcessDataInPage::onPollTimeout);
}

ProcessDataInPage::~ProcessDataInPage()
{
    qCDebug(lcProcdata) << "del:" << this;
    m_timer.stop();
    delete m_ui;
}

void ProcessDataInPage::setPort(int port)
{
    m_port = port;
}

void ProcessDataInPage::release()
{
    onStopClicked();
    if (m_layoutNote)
        setLayoutNote(QString());
    m_trend->setPaused(false);
}

void ProcessDataInPage::setLayoutNote(const QString &text)
{
    setRowNote(m_layoutNote, this, m_ui->horizontalLayout, text);
}

QString ProcessDataInPage::layoutNote() const
{
    return m_layoutNote ? m_layoutNote->text() : QString();
}

void ProcessDataInPage::clearTiles()
{
    for (LampTile *tile : qAsConst(m_tiles))
        delete tile;
    m_tiles.clear();
    m_rowTiles.clear();
    m_tileColumns = 0;
    // Tiles with a name that another tile already had are no longer in the map.
    const QList<LampTile *> rest = m_ui->widget_bool->findChildren<LampTile *>();
    qDeleteAll(rest);
}

void ProcessDataInPage::setProcessData(const TreeItem &item)
{
    m_name = item.name;
    m_layout = ProcessDataCodec::layoutOf(item);
    m_shownValid = false;
    m_refreshedAtMs = 0;
    m_staleShown = false;
    setStaleNote(QString());
    m_trend->startRecording(m_layout, item.name);
    clearTiles();

    QTableWidget *table = m_ui->table;
    table->setRowCount(0);
    table->setRowCount(m_layout.fields.size());

    const bool single = m_layout.fields.size() == 1;
    int tileCount = 0;
    for (int i = 0; i < m_layout.fields.size(); ++i) {
        const ValueItem &value = m_layout.fields.at(i).item;
        const QString label = single ? item.name : value.label;

        auto *number = readOnlyItem(single ? QString() : value.subindex);
        number->setData(BitOffsetRole, QString::number(m_layout.fields.at(i).bitOffset));
        number->setData(BitLengthRole, QString::number(m_layout.fields.at(i).bitLength));
        number->setData(SubindexRole, value.subindex);
        number->setData(SubindexAccessRole,
                        value.subindexAccess.trimmed().isEmpty() ? QStringLiteral("true") : value.subindexAccess);
        table->setItem(i, 0, number);
        table->setItem(i, 1, readOnlyItem(label));

        // Nothing is shown before the first read.
        auto *shown = new PolledValueItem;
        LampTile *lamp = nullptr;
        if (value.editor.typeName == QLatin1String(IoddKind::BooleanT)) {
            lamp = new LampTile(m_ui->widget_bool);
            lamp->setName(label);
            m_tiles.insert(label, lamp);
            ++tileCount;
        }
        m_rowTiles.append(lamp);
        shown->setData(TypeRole, value.editor.typeName);
        shown->setData(PositionRole, i);
        table->setItem(i, 2, shown);
    }
    m_ui->widget_bool->setVisible(tileCount > 0);
    QScrollArea *lamps = m_ui->scroll_lamps;
    lamps->setVisible(tileCount > 0);
    layOutTiles();
    table->resizeRowsToContents();
}

void ProcessDataInPage::layOutTiles()
{
    QVector<LampTile *> tiles;
    int tileWidth = 1;
    for (LampTile *tile : qAsConst(m_rowTiles)) {
        if (tile) {
            tiles.append(tile);
            tileWidth = qMax(tileWidth, tile->minimumWidth());
        }
    }
    QGridLayout *grid = m_ui->layout_g;
    const QMargins margins = grid->contentsMargins();
    const int spacing = qMax(0, grid->horizontalSpacing());
    const int room = m_ui->scroll_lamps->viewport()->width() - margins.left() - margins.right();
    // At least one tile wide; more tiles to a row as the area widens, and the height scrolls.
    QScrollArea *lamps = m_ui->scroll_lamps;
    lamps->setMinimumWidth(tileWidth + margins.left() + margins.right() + 2 * lamps->frameWidth()
                           + lamps->verticalScrollBar()->sizeHint().width());
    const int columns = qMax(1, (room + spacing) / (tileWidth + spacing));
    if (columns == m_tileColumns || tiles.isEmpty())
        return;
    m_tileColumns = columns;
    for (LampTile *tile : qAsConst(tiles))
        grid->removeWidget(tile);
    for (int n = 0; n < tiles.size(); ++n)
        grid->addWidget(tiles.at(n), n / columns, n % columns);
}

bool ProcessDataInPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->scroll_lamps->viewport() && event->type() == QEvent::Resize)
        layOutTiles();
    return QWidget::eventFilter(watched, event);
}

void ProcessDataInPage::showNames(const TreeItem &item)
{
    const ProcessDataCodec::Layout layout = ProcessDataCodec::layoutOf(item);
    if (layout.fields.size() != m_layout.fields.size() || layout.bitLength != m_layout.bitLength)
        return;
    for (int i = 0; i < layout.fields.size(); ++i) {
        const ProcessDataCodec::Field &now = m_layout.fields.at(i);
        const ProcessDataCodec::Field &named = layout.fields.at(i);
        if (now.bitOffset != named.bitOffset || now.bitLength != named.bitLength)
            return;
    }
    m_name = item.name;
    const bool single = layout.fields.size() == 1;
    for (int i = 0; i < layout.fields.size(); ++i) {
        const QString label = single ? item.name : layout.fields.at(i).item.label;
        if (QTableWidgetItem *cell = m_ui->table->item(i, 1))
            cell->setText(label);
        if (LampTile *lamp = i < m_rowTiles.size() ? m_rowTiles.at(i) : nullptr) {
            m_tiles.remove(m_tiles.key(lamp));
            m_tiles.insert(label, lamp);
            lamp->setName(label);
        }
        // Choices' names for the readings to come.
        m_layout.fields[i].item = layout.fields.at(i).item;
    }
    // Names in another language take other widths.
    m_tileColumns = 0;
    layOutTiles();
}

void ProcessDataInPage::onStartClicked()
{
    LinkHub *hub = LinkHub::instance();
    if (!hub || !hub->activePorts().contains(m_port))
        return;
    m_timer.start(pollIntervalMs);
    emit pollingChanged(true);
    m_ui->pbtn_start->setEnabled(false);
    m_ui->pbtn_stop->setEnabled(true);
}

void ProcessDataInPage::onStopClicked()
{
    m_timer.stop();
    // No more turns to count the age: old values say when they were read.
    if (m_staleShown)
        setStaleNote(tr("数值已过时：%1 读取")
                         .arg(QDateTime::fromMSecsSinceEpoch(m_refreshedAtMs).toString(QStringLiteral("HH:mm:ss"))));
    delete m_pendingRead; // its answer would come for a page that stopped, or now shows another port
    emit pollingChanged(false);
    m_ui->pbtn_start->setEnabled(true);
    m_ui->pbtn_stop->setEnabled(false);
}

void ProcessDataInPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        m_shownValid = false; // the next poll writes the texts in the new language
    }
}

void ProcessDataInPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // First shown: two fifths of the height for the table and the lamps, the
    // rest for the trend.
    if (!m_placed && m_ui->splitter_trend->height() > 0) {
        m_placed = true;
        const int height = m_ui->splitter_trend->height();
        m_ui->splitter_trend->setSizes({2 * height / 5, height - 2 * height / 5});
        // The table as wide as its columns (up to three fifths), the lamps the rest.
        const int width = m_ui->splitter->width();
        // Measured by its columns: the stretched value column has taken what
        // the splitter gave, so it counts as wide as it starts.
        constexpr int valueColumnWidth = 200;
        int columns = 0;
        for (int c = 0; c < m_ui->table->columnCount() - 1; ++c)
            columns += m_ui->table->columnWidth(c);
        const int table = columns + valueColumnWidth + m_ui->table->verticalScrollBar()->sizeHint().width()
            + 2 * m_ui->table->frameWidth();
        m_ui->splitter->setSizes({qMin(table, 3 * width / 5), width - qMin(table, 3 * width / 5)});
    }
}

void ProcessDataInPage::hideEvent(QHideEvent *event)
{
    onStopClicked();
    QWidget::hideEvent(event);
}

void ProcessDataInPage::onPollTimeout()
{
    showAge();
    // One read at a time: a turn that comes while the last one is still on
    // its way is skipped, as is every turn while the adapter is silent.
    LinkHub *hub = LinkHub::instance();
    if (!hub || !hub->link() || m_pendingRead || hub->link()->isSilent())
        return;
    const int registers = AdapterRegisters::pdRegistersForBits(m_layout.bitLength);
    if (registers < 1)
        return;
    LinkReply *reply = hub->link()->readRegisters(AdapterRegisters::pdInWindow(m_port), registers, this);
    m_pendingRead = reply;
    connect(reply, &LinkReply::finished, this, [this, reply] {
        reply->deleteLater();
        m_pendingRead = nullptr;
        if (!reply->succeeded()) {
            // Unanswered: the adapter went silent, the turns wait for it and
            // the values age (showAge). Any other failure (unplugged, the
            // port gone) ends polling; the last values stay, with their time.
            LinkHub *hub = LinkHub::instance();
            if (hub && hub->link() && hub->link()->isSilent())
                return;
            onStopClicked();
            PortStatusMonitor::relearn(m_port);
            return;
        }
        if (!reply->data().isEmpty())
            refresh(reply->data());
    });
}

void ProcessDataInPage::showAge()
{
    // Values older than two polls (the adapter silent, a read lost) are
    // greyed and say how old they are, so they are not taken for live ones.
    const qint64 age = QDateTime::currentMSecsSinceEpoch() - m_refreshedAtMs;
    const bool stale = m_shownValid && m_refreshedAtMs > 0 && age > 2 * pollIntervalMs;
    if (stale)
        setStaleNote(tr("数值已过时：%1 秒前读取").arg(age / 1000));
    if (stale == m_staleShown)
        return;
    m_staleShown = stale;
    if (!stale)
        setStaleNote(QString());
    QTableWidget *table = m_ui->table;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (QTableWidgetItem *shown = table->item(row, 2))
            shown->setForeground(stale ? QBrush(Qt::gray) : QBrush());
    }
}

void ProcessDataInPage::setStaleNote(const QString &text)
{
    if (!m_staleNote) {
        m_staleNote = new QLabel(this);
        m_staleNote->setObjectName(QStringLiteral("label_stale"));
        m_ui->horizontalLayout->addWidget(m_staleNote);
    }
    m_staleNote->setText(text);
    m_staleNote->setVisible(!text.isEmpty());
}

void ProcessDataInPage::refresh(const QByteArray &data)
{
    m_refreshedAtMs = QDateTime::currentMSecsSinceEpoch();
    if (m_staleShown)
        showAge();
    // The octets of the last poll again: the page already shows them, only
    // the trend takes the new point.
    if (m_shownValid && data == m_shownData) {
        m_trend->record(m_refreshedAtMs, data, m_shownValues);
        return;
    }
    QTableWidget *table = m_ui->table;
    const QVector<ProcessDataCodec::ItemValue> values = ProcessDataCodec::decode(m_layout, data);
    for (int row = 0; row < table->rowCount() && row < values.size(); ++row) {
        const ProcessDataCodec::ItemValue &value = values.at(row);
        PolledValueItem *shown = PolledValueItem::at(table, row, 2);
        if (!shown)
            continue;
        const QString text = value.unit.isEmpty() ? value.text : value.text + QLatin1Char(' ') + value.unit;
        if (shown->text() != text)
            shown->setText(text);
        shown->setRaw(value.ok ? value.raw : QString());
        if (value.isBit && row < m_rowTiles.size() && m_rowTiles.at(row))
            m_rowTiles.at(row)->setState(value.bit);
    }
    m_trend->record(QDateTime::currentMSecsSinceEpoch(), data, values);
    m_shownData = data;
    m_shownValues = values;
    m_shownValid = true;
}
