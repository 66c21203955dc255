#include "adaptercommpage.h"
#include "ui_adaptercommpage.h"

#include "link/directparameterpage.h"
#include "link/modbuslink.h"
#include "protocol/modbusframe.h"
#include "isduconsole.h"

#include <QEvent>

namespace {
QString milliseconds(int ms)
{
    return ms > 0 ? QStringLiteral("%1 ms").arg(ms) : QStringLiteral("-");
}
} // namespace

AdapterCommPage::AdapterCommPage(QWidget *parent) : QWidget(parent), ui(new Ui::AdapterCommPage)
{
    ui->setupUi(this);
    showValues();
}

AdapterCommPage::~AdapterCommPage()
{
    delete ui;
}

void AdapterCommPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
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
    ui->edit_slaveAddress->setText(QStringLiteral("0x%1").arg(ModbusFrame::slaveAddress, 2, 16, QLatin1Char('0')));
    ui->edit_reportSize->setText(tr("%1 字节（报告 ID 0x00、Modbus RTU 帧、零填充）").arg(ModbusFrame::reportSize));
    ui->edit_readTimeout->setText(milliseconds(ModbusLink::readTimeoutMs));
    ui->edit_consoleWait->setText(
        tr("每 %1 查询一次，最多 %2")
            .arg(milliseconds(IsduConsole::responsePollMs), milliseconds(IsduConsole::responseWaitMs)));
    ui->edit_identityWait->setText(
        tr("每 %1 查询一次，最多 %2").arg(milliseconds(directParameterPollMs), milliseconds(directParameterWaitMs)));
    ui->edit_paramItemRead->setText(milliseconds(m_timings.parameterItemReadMs));
    ui->edit_paramRecordRead->setText(
        m_timings.parameterRecordReadMs > 0
            ? tr("%1（应答前后各一次）").arg(milliseconds(m_timings.parameterRecordReadMs))
            : milliseconds(0));
    ui->edit_paramItemWrite->setText(milliseconds(m_timings.parameterItemWriteMs));
    ui->edit_paramRecordWrite->setText(milliseconds(m_timings.parameterRecordWriteMs));
    ui->edit_pdInPoll->setText(milliseconds(m_timings.processDataInPollMs));
    ui->edit_pdOutSettle->setText(m_timings.processDataOutSettleMs > 0
                                      ? tr("%1（写前后各一次）").arg(milliseconds(m_timings.processDataOutSettleMs))
                                      : milliseconds(0));
}
