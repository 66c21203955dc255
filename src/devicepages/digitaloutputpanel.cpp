#include "digitaloutputpanel.h"
#include "ui_digitaloutputpanel.h"

#include "link/linkhub.h"
#include "link/linkexchange.h"
#include "link/modbuslink.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"

#include <QEvent>

DigitalOutputPanel::DigitalOutputPanel(QWidget *parent) : QWidget(parent), ui(new Ui::DigitalOutputPanel)
{
    ui->setupUi(this);
    ui->combox->clear();
    ui->combox->addItem(QStringLiteral("0"));
    ui->combox->addItem(QStringLiteral("1"));
    connect(ui->pbtn_write, &QPushButton::clicked, this, &DigitalOutputPanel::onWriteClicked);
}

DigitalOutputPanel::~DigitalOutputPanel()
{
    delete ui;
}

void DigitalOutputPanel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

void DigitalOutputPanel::setPort(unsigned port)
{
    this->port = port;
}

void DigitalOutputPanel::reset()
{
    ui->combox->setCurrentIndex(0);
}

void DigitalOutputPanel::onWriteClicked()
{
    LinkHub *hub = LinkHub::instance();
    if (!hub || !hub->link())
        return;
    const BusyGuard busy(hub->link());
    const int value = qMax(ui->combox->currentIndex(), 0);
    qCDebug(lcViews) << "send:" << value;
    // The result is not examined: a failed write leaves nothing to undo.
    hub->link()->writeRegister(AdapterRegisters::pdOutWindow(int(port)), quint16(value));
}
