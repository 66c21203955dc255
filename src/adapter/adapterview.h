#ifndef ADAPTERVIEW_H
#define ADAPTERVIEW_H

#include "link/portstatusmonitor.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace Ui {
class AdapterView;
}

// "适配器详情": the adapter's USB identity, whether the link is open, where
// the port states come from, and the link's counters, refreshed while the
// page is shown.
class AdapterView : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(AdapterView)

public:
    explicit AdapterView(QWidget *parent = nullptr);
    ~AdapterView() override;

    static constexpr int refreshIntervalMs = 500;

    // The monitor whose source of port states the page names (optional).
    void setPortMonitor(portStatusMonitor *monitor);

public slots:
    // Counters and connection state now; the USB identity again when the
    // link was opened or closed since the last look.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    // A switch of language: the form's texts and the shown state again.
    void changeEvent(QEvent *event) override;

private:
    void showIdentity();

    Ui::AdapterView *ui;
    QTimer m_timer;
    QPointer<portStatusMonitor> m_monitor;
    int m_shownOpen = -1; // link state the identity was read in; -1 not yet read
};

#endif // ADAPTERVIEW_H
