#include "portitemview.h"
#include "ui_portitemview.h"

#include "description/analyioddfile.h"
#include "description/ioddrecords.h"
#include "views/widget_port.h"

#include <QTabWidget>

PortItemView::PortItemView(uint8_t port, QWidget *parent)
    : QWidget(parent), m_portIndex(port), ui(new Ui::PortItemView)
{
    ui->setupUi(this);
    ui->stackedWidget->setCurrentIndex(2);
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
    portPage->showDeviceInfo(identity);
    m_portTabWidget->addTab(portPage, QStringLiteral("Basic info"));
    if (identificationOnly) {
        portPage->createIsduConsole(m_portIndex);
        return;
    }
    portPage->createParameterView(roleMenuSet, m_portIndex, description);

    auto *events = new widget_event;
    connect(this, &PortItemView::sigDiagnosis, events, &widget_event::onDiagnosis);
    m_portTabWidget->addTab(events, QStringLiteral("Message event"));
    ui->stackedWidget->setCurrentIndex(2);
}
