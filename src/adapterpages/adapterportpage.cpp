#include "adapterportpage.h"
#include "ui_adapterportpage.h"

#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "link/portstatusmonitor.h"
#include "protocol/adapterregisters.h"

#include <QEvent>
#include <QTimer>

namespace {
// "1484 (0x05CC)"
QString idText(quint32 id, int hexDigits)
{
    return QStringLiteral("%1 (0x%2)")
        .arg(id)
        .arg(QString::number(id, 16).toUpper().rightJustified(hexDigits, QLatin1Char('0')));
}
} // namespace

AdapterPortPage::AdapterPortPage(QWidget *parent) : QWidget(parent), m_ui(new Ui::AdapterPortPage)
{
    m_ui->setupUi(this);
    connect(m_ui->pbtn_read, &QPushButton::clicked, this, &AdapterPortPage::readDevice);
    showState();
}

AdapterPortPage::~AdapterPortPage()
{
    delete m_ui;
}

void AdapterPortPage::setPortMonitor(PortStatusMonitor *monitor)
{
    if (m_monitor)
        disconnect(m_monitor, nullptr, this, nullptr);
    m_monitor = monitor;
    if (m_monitor)
        connect(m_monitor, &PortStatusMonitor::statesChanged, this, &AdapterPortPage::onStatesChanged);
    showState();
}

PortState AdapterPortPage::currentState() const
{
    return m_monitor ? m_monitor->states().value(m_port) : PortState();
}

void AdapterPortPage::onStatesChanged()
{
    // The port changed since its device was read: read it again once the
    // monitor is done.
    if (m_pageRead && currentState() != m_stateAtRead) {
        m_pageRead = false;
        if (isVisible())
            QTimer::singleShot(0, this, &AdapterPortPage::readDevice);
    }
    showState();
}

void AdapterPortPage::setPort(int port)
{
    m_port = port >= 0 && port < AdapterRegisters::portCount ? port : -1;
    m_pageRead = false;
    delete m_pendingRead; // the last port's page is of no use now
    showState();
    if (isVisible())
        readDevice();
}

void AdapterPortPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_pageRead)
        readDevice();
}

void AdapterPortPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        showState();
    }
}

void AdapterPortPage::readDevice()
{
    LinkHub *hub = LinkHub::instance();
    AdapterLink *link = hub ? hub->link() : nullptr;
    const PortState state = currentState();
    if (m_port < 0 || !link || m_pendingRead || state.mode != AdapterRegisters::ModeIoLinkOperate)
        return;
    const int port = m_port;
    m_ui->pbtn_read->setEnabled(false);
    LinkReply *reply =
        link->exchangeIsdu(directParameterRequest(port), directParameterWaitMs, this, directParameterPollMs);
    m_pendingRead = reply;
    connect(reply, &LinkReply::finished, this, [this, reply, port, state] {
        reply->deleteLater();
        m_pendingRead = nullptr;
        m_ui->pbtn_read->setEnabled(true);
        if (port != m_port)
            return; // another port was chosen during the read
        DirectParameters page;
        m_pageRead = directParametersOf(reply->isdu(), &page) == DirectParameterRead::Read;
        m_page = page;
        m_stateAtRead = state;
        if (!m_pageRead)
            PortStatusMonitor::relearn(port);
        showState();
    });
}

void AdapterPortPage::showState()
{
    const QString none = QStringLiteral("-");
    if (m_port < 0) {
        m_ui->edit_port->setText(tr("未选择端口"));
        for (QLineEdit *edit :
             {m_ui->edit_mode, m_ui->edit_vendorId, m_ui->edit_deviceId, m_ui->edit_minCycleTime, m_ui->edit_source})
            edit->setText(none);
        m_ui->pbtn_read->setEnabled(false);
        return;
    }
    const PortState state = currentState();
    const bool known = m_monitor && m_monitor->adapterAnswers();
    const bool operate = known && state.mode == AdapterRegisters::ModeIoLinkOperate;
    const bool fromDevice = m_pageRead && operate;
    const bool ids = fromDevice || (known && (state.vendorId != 0 || state.deviceId != 0));

    m_ui->edit_port->setText(QStringLiteral("Port%1").arg(m_port + 1));
    m_ui->edit_mode->setText(known ? portModeText(state.mode) : tr("适配器未连接"));
    m_ui->edit_vendorId->setText(!ids ? none : idText(fromDevice ? m_page.vendorId : state.vendorId, 4));
    m_ui->edit_deviceId->setText(!ids ? none : idText(fromDevice ? m_page.deviceId : state.deviceId, 6));
    m_ui->edit_minCycleTime->setText(fromDevice ? cycleTimeText(m_page.minCycleTime) : none);
    QString source;
    if (known)
        source = m_monitor->statusBlockServed() ? tr("模式：适配器端口状态块") : tr("模式：设备直接参数页 1");
    if (fromDevice)
        source += tr("；标识和最小周期时间：设备直接参数页 1");
    else if (operate)
        source += tr("；设备的直接参数页 1 尚未读到");
    m_ui->edit_source->setText(source.isEmpty() ? none : source);
    m_ui->pbtn_read->setEnabled(operate);
}
