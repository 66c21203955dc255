#include "digitalinputpanel.h"
#include "ui_digitalinputpanel.h"

#include "link/linkhub.h"
#include "link/modbuslink.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"

#include <QEvent>

DigitalInputPanel::DigitalInputPanel(QWidget *parent) : QWidget(parent), ui(new Ui::DigitalInputPanel)
{
    ui->setupUi(this);
    connect(ui->pbtn_read, &QPushButton::clicked, this, &DigitalInputPanel::onReadClicked);
    connect(&timer, &QTimer::timeout, this, &DigitalInputPanel::onPollTimeout);
}

DigitalInputPanel::~DigitalInputPanel()
{
    timer.stop();
    delete ui;
}

void DigitalInputPanel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        showReadButton();
    }
}

void DigitalInputPanel::showReadButton()
{
    ui->pbtn_read->setText(reading ? tr("暂停读取") : tr("开始读取"));
}

void DigitalInputPanel::setPort(unsigned port)
{
    this->port = port;
}

void DigitalInputPanel::stop()
{
    timer.stop();
    reading = false;
    showReadButton();
    ui->edit_inData->clear();
}

void DigitalInputPanel::onPortTabsCleared()
{
    timer.stop();
}

void DigitalInputPanel::onReadClicked()
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

void DigitalInputPanel::onPollTimeout()
{
    if (readInput() == -1) {
        timer.stop();
        reading = false;
        showReadButton();
    }
}

int DigitalInputPanel::readInput()
{
    LinkHub *hub = LinkHub::instance();
    if (!hub || !hub->link() || hub->link()->isBusy())
        return 0;
    qCDebug(lcViews) << "read in data+++++++++++++" << port;
    quint16 value = 0;
    if (hub->link()->readRegister(AdapterRegisters::pdInWindow(int(port)), value) == -1)
        return -1;
    qCDebug(lcViews) << "read in data-----------" << port;
    ui->edit_inData->setText(QString::number(value & 1));
    return 0;
}
