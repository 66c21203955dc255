#include "digitaloutputpanel.h"
#include "ui_digitaloutputpanel.h"

#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "log/hub8log.h"
#include "log/writejournal.h"
#include "protocol/adapterregisters.h"
#include "widgets/writeconfirmation.h"

#include <QDateTime>
#include <QEvent>

DigitalOutputPanel::DigitalOutputPanel(QWidget *parent) : QWidget(parent), m_ui(new Ui::DigitalOutputPanel)
{
    m_ui->setupUi(this);
    m_ui->combox->clear();
    m_ui->combox->addItem(QStringLiteral("0"));
    m_ui->combox->addItem(QStringLiteral("1"));
    connect(m_ui->pbtn_write, &QPushButton::clicked, this, &DigitalOutputPanel::onWriteClicked);
}

DigitalOutputPanel::~DigitalOutputPanel()
{
    delete m_ui;
}

void DigitalOutputPanel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        m_ui->retranslateUi(this);
}

void DigitalOutputPanel::setPort(unsigned port)
{
    m_port = port;
}

void DigitalOutputPanel::reset()
{
    m_ui->combox->setCurrentIndex(0);
}

void DigitalOutputPanel::onWriteClicked()
{
    LinkHub *hub = LinkHub::instance();
    if (!hub || !hub->link())
        return;
    const int value = qMax(m_ui->combox->currentIndex(), 0);
    if (!WriteConfirmation::confirm(this, WriteConfirmation::Kind::Output, QStringLiteral("Port%1").arg(m_port + 1),
                                    QString(), QStringLiteral("DO = %1").arg(value)))
        return;
    // What the port's output holds now is read first: the journal keeps both.
    const quint16 address = AdapterRegisters::pdOutWindow(int(m_port));
    LinkReply *held = hub->link()->readRegisters(address, 1, this);
    connect(held, &LinkReply::finished, this, [this, held, address, value] {
        held->deleteLater();
        LinkHub *hub = LinkHub::instance();
        if (!hub || !hub->link() || hub->link()->isShutDown())
            return;
        const QByteArray before = held->succeeded() ? held->data().mid(1, 1) : QByteArray();
        qCDebug(lcViews) << "send:" << value;
        // The result is not examined: a failed write leaves nothing to undo.
        LinkReply *reply = hub->link()->writeRegisters(address, QByteArray(1, '\0') + char(value & 0xFF), this);
        connect(reply, &LinkReply::finished, this, [this, reply, value, before] {
            reply->deleteLater();
            WriteJournal::Record r =
                WriteJournal::now(QStringLiteral("vanto-hub8"), int(m_port) + 1, QStringLiteral("digital output"));
            r.before = before;
            r.after = QByteArray(1, char(value));
            r.outcome = reply->succeeded() ? QStringLiteral("taken") : QStringLiteral("no answer");
            QString error;
            if (!WriteJournal::append(r, &error))
                m_ui->pbtn_write->setToolTip(tr("未记入写入记录：%1").arg(error));
        });
    });
}
