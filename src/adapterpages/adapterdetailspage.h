#ifndef ADAPTERDETAILSPAGE_H
#define ADAPTERDETAILSPAGE_H

#include "link/adapterinfo.h"
#include "link/portstatusmonitor.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace Ui {
class AdapterDetailsPage;
}

// "适配器详情": the adapter's USB identity, whether the link is open, where
// the port states come from, and the link's counters, refreshed while the
// page is shown.
class AdapterDetailsPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(AdapterDetailsPage)

public:
    explicit AdapterDetailsPage(QWidget *parent = nullptr);
    ~AdapterDetailsPage() override;

    static constexpr int refreshIntervalMs = 500;

    // The monitor whose source of port states the page names (optional).
    void setPortMonitor(PortStatusMonitor *monitor);

    // Counters and connection state now; the USB identity again when the
    // link was opened or closed since the last look.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    // A switch of language: the form's texts and the shown state again.
    void changeEvent(QEvent *event) override;

private:
    // Asks the link for the adapter's USB identity, and shows it when it comes.
    void showIdentity();
    void showIdentity(const AdapterUsbInfo &info);

    Ui::AdapterDetailsPage *m_ui;
    QTimer m_timer;
    QPointer<PortStatusMonitor> m_monitor;
    int m_shownOpen = -1; // link state the identity was read in; -1 not yet read
};

#endif // ADAPTERDETAILSPAGE_H
