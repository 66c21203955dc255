#include "adapterdetailspage.h"
#include "ui_adapterdetailspage.h"

#include "link/adapterinfo.h"
#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "link/portstatusmonitor.h"

#include <QEvent>

AdapterDetailsPage::AdapterDetailsPage(QWidget *parent) : QWidget(parent), m_ui(new Ui::AdapterDetailsPage)
{
    m_ui->setupUi(this);
    m_ui->edit_usbId->setText(QStringLiteral("%1:%2")
                                  .arg(adapterUsbVendorId, 4, 16, QLatin1Char('0'))
                                  .arg(adapterUsbProductId, 4, 16, QLatin1Char('0')));
    m_timer.setInterval(refreshIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &AdapterDetailsPage::refresh);
}

AdapterDetailsPage::~AdapterDetailsPage()
{
    delete m_ui;
}

void AdapterDetailsPage::setPortMonitor(PortStatusMonitor *monitor)
{
    m_monitor = monitor;
    refresh();
}

void AdapterDetailsPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_shownOpen = -1; // the adapter may have been replaced while hidden
    refresh();
    m_timer.start();
}

void AdapterDetailsPage::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

void AdapterDetailsPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        m_shownOpen = -1;
        refresh();
    }
}

void AdapterDetailsPage::refresh()
{
    LinkHub *hub = LinkHub::instance();
    const AdapterLink *link = hub ? hub->link() : nullptr;
    const bool open = link && link->isOpen();
    if (m_shownOpen != int(open)) {
        m_shownOpen = int(open);
        showIdentity();
    }
    if (!open)
        m_ui->edit_connection->setText(tr("未连接（链路未打开）"));
    else if (m_monitor && !m_monitor->adapterAnswers())
        m_ui->edit_connection->setText(tr("已打开，适配器无应答"));
    else
        m_ui->edit_connection->setText(tr("已连接"));

    if (!m_monitor)
        m_ui->edit_portStates->clear();
    else if (m_monitor->statusBlockServed())
        m_ui->edit_portStates->setText(tr("适配器端口状态块（每秒读取）"));
    else
        m_ui->edit_portStates->setText(tr("设备直接参数页 1（适配器没有端口状态块）"));

    const ModbusLink::Stats stats = link ? link->stats() : ModbusLink::Stats();
    m_ui->edit_framesSent->setText(QString::number(stats.framesSent));
    m_ui->edit_answers->setText(QString::number(stats.answers));
    m_ui->edit_timeouts->setText(QString::number(stats.timeouts));
    m_ui->edit_exceptions->setText(QString::number(stats.exceptions));
    m_ui->edit_crcErrors->setText(QString::number(stats.crcErrors));
    m_ui->edit_droppedStale->setText(QString::number(stats.droppedStale));
    m_ui->edit_failures->setText(QString::number(stats.failures));
}

void AdapterDetailsPage::showIdentity()
{
    LinkHub *hub = LinkHub::instance();
    if (!hub || !hub->link()) {
        showIdentity(AdapterUsbInfo());
        return;
    }
    LinkReply *reply = hub->link()->readUsbInfo(this);
    connect(reply, &LinkReply::finished, this, [this, reply] {
        reply->deleteLater();
        showIdentity(reply->result().usb);
    });
}

void AdapterDetailsPage::showIdentity(const AdapterUsbInfo &info)
{
    const QString none = info.found ? QString() : tr("未找到适配器");
    m_ui->edit_manufacturer->setText(info.found ? info.manufacturer : none);
    m_ui->edit_product->setText(info.found ? info.product : none);
    m_ui->edit_serialNumber->setText(info.found ? info.serialNumber : none);
    m_ui->edit_release->setText(info.found ? info.releaseText() : none);
    m_ui->edit_path->setText(info.found ? info.path : none);
}
