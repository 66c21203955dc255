#include "eventpage.h"
#include "ui_eventpage.h"

#include "link/devicestatuspoller.h"
#include "log/hub8log.h"
#include "widgets/tablestyle.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QIcon>
#include <QPixmap>
#include <QStyle>
#include <QTableWidgetItem>
#include <QTime>

#include <iterator>

namespace {

const int columnWidths[] = {90, 90, 70, 360, 80, 60, 50};
constexpr int columnCount = int(std::size(columnWidths));

// The state picture at row height; an unloadable picture gives an empty icon.
QIcon stateIcon(bool isError)
{
    const QPixmap picture(isError ? QStringLiteral(":/Image/tool/err.png") : QStringLiteral(":/Image/tool/ok.png"));
    if (picture.isNull())
        return QIcon();
    return QIcon(picture.scaled(18, 18, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

// The type of a device event as the style's message-box icons show it.
QIcon typeIcon(EventType type)
{
    QStyle *style = QApplication::style();
    switch (type) {
    case EventType::Notification:
        return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case EventType::Warning:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case EventType::Error:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case EventType::Reserved:
        break;
    }
    return QIcon();
}

} // namespace

EventPage::EventPage(QWidget *parent) : QWidget(parent), m_ui(new Ui::EventPage)
{
    m_ui->setupUi(this);

    // The port page's signal names the set by its full type; register that
    // spelling too so queued connections can copy the argument.
    qRegisterMetaType<DiagnosisMap>("QMap<uint8_t,EventPage::DiagnosisItem*>");

    m_ui->label_deviceStatus->hide();
    QTableWidget *table = m_ui->tableWidget;
    table->setColumnCount(columnCount);
    showHeaders();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int i = 0; i < columnCount; ++i)
        table->setColumnWidth(i, columnWidths[i]);
    table->horizontalHeader()->setSectionResizeMode(ColumnText, QHeaderView::Stretch);
    table->verticalHeader()->setVisible(false);
    TableStyle::styleTable(table);
}

EventPage::~EventPage()
{
    qCDebug(lcViews) << "del:" << this;
    delete m_ui;
}

void EventPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        showHeaders();
        showStatusLine();
    }
}

void EventPage::showHeaders()
{
    m_ui->tableWidget->setHorizontalHeaderLabels(
        {tr("报错时间"), tr("恢复时间"), tr("代码"), tr("异常"), tr("类型"), tr("模式"), tr("状态")});
}

void EventPage::addRow(EventPage::DiagnosisItem *item)
{
    if (!item)
        return;
    QTableWidget *table = m_ui->tableWidget;
    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, ColumnRaised, new QTableWidgetItem(item->errorTime));
    table->setItem(row, ColumnCleared, new QTableWidgetItem(item->recoveryTime));
    auto *text = new QTableWidgetItem(item->text);
    text->setToolTip(item->detail);
    table->setItem(row, ColumnText, text);
    if (item->fromDevice) {
        const EventQualifier q = EventQualifier::decode(item->qualifier);
        table->setItem(row, ColumnCode, new QTableWidgetItem(eventCodeText(item->code)));
        auto *type = new QTableWidgetItem(eventTypeText(q.type));
        type->setIcon(typeIcon(q.type));
        table->setItem(row, ColumnType, type);
        table->setItem(row, ColumnMode, new QTableWidgetItem(eventModeText(q.mode)));
    }
    auto *state = new QTableWidgetItem;
    state->setIcon(stateIcon(item->isError));
    table->setItem(row, ColumnState, state);
}

void EventPage::onDiagnosisChanged(QMap<uint8_t, EventPage::DiagnosisItem *> items)
{
    QTableWidget *table = m_ui->tableWidget;
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column)
            delete table->takeItem(row, column);
    }
    table->setRowCount(0);

    // QMap iterates in ascending key order.
    for (DiagnosisItem *item : qAsConst(items))
        addRow(item);
}

void EventPage::onStatusRead(int port, const DeviceStatusReading &reading)
{
    Q_UNUSED(port)
    m_status = reading.statusRead ? reading.status : -1;
    m_statusTime = QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
    showStatusLine();
}

void EventPage::showStatusLine()
{
    QLabel *label = m_ui->label_deviceStatus;
    if (m_status == -2)
        return;
    if (m_status >= 0)
        label->setText(tr("设备状态：%1（%2 读取）").arg(deviceStatusText(quint8(m_status)), m_statusTime));
    else
        label->setText(tr("设备状态：设备不提供（%1 读取）").arg(m_statusTime));
    label->show();
}
