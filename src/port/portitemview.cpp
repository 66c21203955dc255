#include "portitemview.h"
#include "ui_portitemview.h"

#include "description/analyioddfile.h"
#include "description/ioddrecords.h"
#include "procdata/widget_in.h"
#include "procdata/widget_out.h"
#include "views/widget_port.h"
#include "views/widget_portdi.h"
#include "views/widget_portdo.h"

#include <QTabWidget>

PortItemView::PortItemView(uint8_t port, QWidget *parent) : QWidget(parent), m_portIndex(port), ui(new Ui::PortItemView)
{
    ui->setupUi(this);
    ui->stackedWidget->setCurrentIndex(2);
    ui->DI->setPort(port);
    ui->DO->setPort(port);
    connect(this, &PortItemView::sigCleanPortStatus, ui->DI, &widget_portDI::onCleanPortStatus);
}

PortItemView::~PortItemView()
{
    delete ui;
}

void PortItemView::onCleanPortStatus() {}

void PortItemView::clearPortTabs()
{
    if (m_portTabWidget) {
        while (m_portTabWidget->count() > adapterTabCount) {
            QWidget *page = m_portTabWidget->widget(adapterTabCount);
            m_portTabWidget->removeTab(adapterTabCount);
            delete page;
        }
    }
    emit sigCleanPortStatus();
}

void PortItemView::createPages(const QString &roleMenuSet, const deviceInfo &identity, analyIoddFile &description,
                               bool identificationOnly)
{
    clearPortTabs();
    if (!m_portTabWidget)
        return;

    auto *portPage = new widget_Port;
    portPage->setPort(m_portIndex);
    portPage->showDeviceInfo(identity);
    m_portTabWidget->addTab(portPage, QStringLiteral("Basic info"));
    if (identificationOnly) {
        portPage->createIsduConsole(m_portIndex);
        return;
    }
    portPage->createParameterView(roleMenuSet, m_portIndex, description, identity);

    const treeItem input = description.processDataIn();
    if (!input.values.isEmpty()) {
        auto *in = new widget_in;
        connect(this, &PortItemView::sigCleanPortStatus, in, &widget_in::onCleanPortStatus);
        in->setProcessData(input);
        in->setPort(m_portIndex);
        m_portTabWidget->addTab(in, QStringLiteral("In port"));
    }
    const treeItem output = description.processDataOut();
    if (!output.values.isEmpty()) {
        auto *out = new widget_out;
        out->setProcessData(output);
        out->setPort(m_portIndex);
        m_portTabWidget->addTab(out, QStringLiteral("Out port"));
    }

    auto *events = new widget_event;
    connect(this, &PortItemView::sigDiagnosis, events, &widget_event::onDiagnosis);
    m_portTabWidget->addTab(events, QStringLiteral("Message event"));
    ui->stackedWidget->setCurrentIndex(2);
}
