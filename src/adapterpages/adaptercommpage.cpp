#include "adaptercommpage.h"
#include "ui_adaptercommpage.h"

#include "isduconsole.h"
#include "link/directparameterpage.h"
#include "link/modbuslink.h"
#include "protocol/modbusframe.h"

#include <QEvent>

namespace {
QString milliseconds(int ms)
{
    return ms > 0 ? QStringLiteral("%1 ms").arg(ms) : QStringLiteral("-");
}
} // namespace

AdapterCommPage::AdapterCommPage(QWidget *parent) : QWidget(parent), m_ui(new Ui::AdapterCommPage)
{
    m_ui->setupUi(this);
    showValues();
}

AdapterCommPage::~AdapterCommPage()
{
    delete m_ui;
}

void AdapterCommPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        showValues();
    }
}

void AdapterCommPage::setPageTimings(const PageTimings &timings)
{
    m_timings = timings;
    showValues();
}

void AdapterCommPage::showValues()
{
    m_ui->edit_slaveAddress->setText(QStringLiteral("0x%1").arg(ModbusFrame::slaveAddress, 2, 16, QLatin1Char('0')));
    m_ui->edit_reportSize->setText(tr("%1 字节（报告 ID 0x00、Modbus RTU 帧、零填充）").arg(ModbusFrame::reportSize));
    m_ui->edit_readTimeout->setText(milliseconds(ModbusLink::readTimeoutMs));
    m_ui->edit_consoleWait->setText(
        tr("每 %1 查询一次，最多 %2")
            .arg(milliseconds(IsduConsole::responsePollMs), milliseconds(IsduConsole::responseWaitMs)));
    m_ui->edit_identityWait->setText(
        tr("每 %1 查询一次，最多 %2").arg(milliseconds(directParameterPollMs), milliseconds(directParameterWaitMs)));
    m_ui->edit_paramItemRead->setText(milliseconds(m_timings.parameterItemReadMs));
    m_ui->edit_paramRecordRead->setText(
        m_timings.parameterRecordReadMs > 0
            ? tr("%1（应答前后各一次）").arg(milliseconds(m_timings.parameterRecordReadMs))
            : milliseconds(0));
    m_ui->edit_paramItemWrite->setText(milliseconds(m_timings.parameterItemWriteMs));
    m_ui->edit_paramRecordWrite->setText(milliseconds(m_timings.parameterRecordWriteMs));
    m_ui->edit_pdInPoll->setText(milliseconds(m_timings.processDataInPollMs));
    m_ui->edit_pdOutSettle->setText(m_timings.processDataOutSettleMs > 0
                                        ? tr("%1（写前后各一次）").arg(milliseconds(m_timings.processDataOutSettleMs))
                                        : milliseconds(0));
}
