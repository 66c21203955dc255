#ifndef ADAPTERPORTPAGE_H
#define ADAPTERPORTPAGE_H

#include "link/directparameterpage.h"
#include "link/portstatusmonitor.h"

#include <QPointer>
#include <QWidget>

namespace Ui {
class LinkReply;

class AdapterPortPage;
} // namespace Ui

// "适配器端口配置": the selected port's mode as the monitor knows it, and the
// identity and minimum cycle time of its IO-Link device, read from the
// device's direct parameter page 1 while the page is shown. Read-only: the
// adapter has no command to configure a port.
class AdapterPortPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(AdapterPortPage)

public:
    explicit AdapterPortPage(QWidget *parent = nullptr);
    ~AdapterPortPage() override;

    void setPortMonitor(PortStatusMonitor *monitor);
    // Port 0..7 to show; -1 none.
    void setPort(int port);
    int port() const { return m_port; }

    // Reads the device's direct parameter page 1 when the port has a device
    // in IO-Link operate and the link is free.
    void readDevice();

protected:
    void showEvent(QShowEvent *event) override;
    // A switch of language: the form's texts and the shown state again.
    void changeEvent(QEvent *event) override;

private:
    PortState currentState() const;
    void onStatesChanged();
    void showState();

    Ui::AdapterPortPage *m_ui;
    QPointer<PortStatusMonitor> m_monitor;
    int m_port = -1;
    bool m_pageRead = false; // m_page holds the device's page of m_port
    DirectParameters m_page;
    QPointer<LinkReply> m_pendingRead;
    PortState m_stateAtRead; // the monitor's state of m_port when m_page was read
};

#endif // ADAPTERPORTPAGE_H
