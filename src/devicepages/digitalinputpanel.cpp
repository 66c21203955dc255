#include "digitalinputpanel.h"
#include "ui_digitalinputpanel.h"

#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"

#include <QEvent>

DigitalInputPanel::DigitalInputPanel(QWidget *parent) : QWidget(parent), m_ui(new Ui::DigitalInputPanel)
{
    m_ui->setupUi(this);
    connect(m_ui->pbtn_read, &QPushButton::clicked, this, &DigitalInputPanel::onReadClicked);
    connect(&m_timer, &QTimer::timeout, this, &DigitalInputPanel::onPollTimeout);
}

DigitalInputPanel::~DigitalInputPanel()
{
    m_timer.stop();
    delete m_ui;
}

void DigitalInputPanel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        showReadButton();
    }
}

void DigitalInputPanel::showReadButton()
{
    m_ui->pbtn_read->setText(m_reading ? tr("暂停读取") : tr("开始读取"));
}

void DigitalInputPanel::setPort(unsigned port)
{
    m_port = port;
    delete m_pendingRead; // read from the last port
}

void DigitalInputPanel::stop()
{
    m_timer.stop();
    delete m_pendingRead;
    m_reading = false;
    showReadButton();
    m_ui->edit_inData->clear();
}

void DigitalInputPanel::onReadClicked()
{
    if (!m_reading) {
        m_timer.start(pollIntervalMs);
        m_reading = true;
    } else {
        m_timer.stop();
        m_reading = false;
    }
    showReadButton();
}

void DigitalInputPanel::onPollTimeout()
{
    readInput();
}

int DigitalInputPanel::readInput()
{
    LinkHub *hub = LinkHub::instance();
    if (!hub || !hub->link() || m_pendingRead || hub->link()->isSilent())
        return 1;
    LinkReply *reply = hub->link()->readRegisters(AdapterRegisters::pdInWindow(int(m_port)), 1, this);
    m_pendingRead = reply;
    connect(reply, &LinkReply::finished, this, [this, reply] {
        reply->deleteLater();
        m_pendingRead = nullptr;
        if (!reply->succeeded() || reply->data().size() < 2) {
            m_timer.stop();
            m_reading = false;
            showReadButton();
            return;
        }
        const quint16 value = quint16((quint8(reply->data().at(0)) << 8) | quint8(reply->data().at(1)));
        m_ui->edit_inData->setText(QString::number(value & 1));
    });
    return 0;
}
