#include "widget_portdo.h"
#include "ui_widget_portdo.h"

#include "link/common.h"
#include "link/linkexchange.h"
#include "link/mymodbus.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"

#include <QEvent>

widget_portDO::widget_portDO(QWidget *parent) : QWidget(parent), ui(new Ui::widget_portDO)
{
    ui->setupUi(this);
    ui->combox->clear();
    ui->combox->addItem(QStringLiteral("0"));
    ui->combox->addItem(QStringLiteral("1"));
    connect(ui->pbtn_write, &QPushButton::clicked, this, &widget_portDO::slot_pbtn_WriteClicked);
}

widget_portDO::~widget_portDO()
{
    delete ui;
}

void widget_portDO::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

void widget_portDO::setPort(unsigned port)
{
    this->port = port;
}

void widget_portDO::reset()
{
    ui->combox->setCurrentIndex(0);
}

void widget_portDO::slot_pbtn_WriteClicked()
{
    common *hub = common::instance();
    if (!hub || !hub->modbus)
        return;
    const BusyGuard busy(hub->modbus);
    const int value = qMax(ui->combox->currentIndex(), 0);
    qCDebug(lcViews) << "send:" << value;
    // The result is not examined: a failed write leaves nothing to undo.
    hub->modbus->writeRegister(adapterregs::pdOutWindow(int(port)), quint16(value));
}
