#include "adaptercommview.h"
#include "ui_adaptercommview.h"

#include "link/directparameterpage.h"
#include "link/mymodbus.h"
#include "protocol/modbusframe.h"
#include "widgat_adapter.h"

namespace {
QString milliseconds(int ms)
{
    return ms > 0 ? QStringLiteral("%1 ms").arg(ms) : QStringLiteral("-");
}
} // namespace

AdapterCommView::AdapterCommView(QWidget *parent) : QWidget(parent), ui(new Ui::AdapterCommView)
{
    ui->setupUi(this);
    ui->edit_slaveAddress->setText(QStringLiteral("0x%1").arg(modbusframe::slaveAddress, 2, 16, QLatin1Char('0')));
    ui->edit_reportSize->setText(tr("%1 字节（报告 ID 0x00、Modbus RTU 帧、零填充）").arg(modbusframe::reportSize));
    ui->edit_readTimeout->setText(milliseconds(myModbus::readTimeoutMs));
    ui->edit_consoleWait->setText(
        tr("每 %1 查询一次，最多 %2")
            .arg(milliseconds(widgat_adapter::responsePollMs), milliseconds(widgat_adapter::responseWaitMs)));
    ui->edit_identityWait->setText(
        tr("每 %1 查询一次，最多 %2").arg(milliseconds(directParameterPollMs), milliseconds(directParameterWaitMs)));
    setPageTimings(PageTimings());
}

AdapterCommView::~AdapterCommView()
{
    delete ui;
}

void AdapterCommView::setPageTimings(const PageTimings &timings)
{
    ui->edit_paramItemRead->setText(milliseconds(timings.parameterItemReadMs));
    ui->edit_paramRecordRead->setText(timings.parameterRecordReadMs > 0
                                          ? tr("%1（应答前后各一次）").arg(milliseconds(timings.parameterRecordReadMs))
                                          : milliseconds(0));
    ui->edit_paramItemWrite->setText(milliseconds(timings.parameterItemWriteMs));
    ui->edit_paramRecordWrite->setText(milliseconds(timings.parameterRecordWriteMs));
    ui->edit_pdInPoll->setText(milliseconds(timings.processDataInPollMs));
    ui->edit_pdOutSettle->setText(timings.processDataOutSettleMs > 0
                                      ? tr("%1（写前后各一次）").arg(milliseconds(timings.processDataOutSettleMs))
                                      : milliseconds(0));
}
