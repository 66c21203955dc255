#include "widget_portdi.h"
#include "ui_widget_portdi.h"

#include "link/common.h"
#include "link/mymodbus.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"

#include <QEvent>

widget_portDI::widget_portDI(QWidget *parent) : QWidget(parent), ui(new Ui::widget_portDI)
{
    ui->setupUi(this);
    connect(ui->pbtn_read, &QPushButton::clicked, this, &widget_portDI::slot_pbtn_readClicked);
    connect(&timer, &QTimer::timeout, this, &widget_portDI::slot_timerOut);
}

widget_portDI::~widget_portDI()
{
    timer.stop();
    delete ui;
}

void widget_portDI::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        showReadButton();
    }
}

void widget_portDI::showReadButton()
{
    ui->pbtn_read->setText(reading ? tr("暂停读取") : tr("开始读取"));
}

void widget_portDI::setPort(unsigned port)
{
    this->port = port;
}

void widget_portDI::stop()
{
    timer.stop();
    reading = false;
    showReadButton();
    ui->edit_inData->clear();
}

void widget_portDI::onCleanPortStatus()
{
    timer.stop();
}

void widget_portDI::slot_pbtn_readClicked()
{
    if (!reading) {
        timer.start(pollIntervalMs);
        reading = true;
    } else {
        timer.stop();
        reading = false;
    }
    showReadButton();
}

void widget_portDI::slot_timerOut()
{
    if (readInput() == -1) {
        timer.stop();
        reading = false;
        showReadButton();
    }
}

int widget_portDI::readInput()
{
    common *hub = common::instance();
    if (!hub || !hub->modbus || hub->modbus->busy)
        return 0;
    qCDebug(lcViews) << "read in data+++++++++++++" << port;
    quint16 value = 0;
    if (hub->modbus->readRegister(adapterregs::pdInWindow(int(port)), value) == -1)
        return -1;
    qCDebug(lcViews) << "read in data-----------" << port;
    ui->edit_inData->setText(QString::number(value & 1));
    return 0;
}
