#ifndef PORTPAGES_H
#define PORTPAGES_H

#include "description/ioddrecords.h"
#include "devicepages/eventpage.h"

#include <QHash>
#include <QMap>
#include <QObject>

#include <cstdint>
#include <memory>

class QTabWidget;
class IoddFile;
class PortEventLog;
struct DeviceInfo;

// The pages of one adapter port. It builds them as tabs of the main window's
// tab widget (behind the three adapter tabs) when the port is selected, and
// removes every port tab before any port builds new ones.
class PortPages : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PortPages)

public:
    explicit PortPages(uint8_t port, QObject *parent = nullptr);

    void setPortTabWidget(QTabWidget *tabs) { m_portTabWidget = tabs; }

    // Removes every tab behind the three adapter tabs. The pages are deleted,
    // but for the Basic info and In port pages, which are kept hidden to show
    // the next device.
    void clearPortTabs();
    // The pages of a device on this port from its description (kept by the
    // parameter page, which builds other roles' menus from it on demand).
    // `identificationOnly`: "Basic info" alone, with the ISDU console and the
    // event page when `console` (a device without a description), without
    // them when there is no device to talk to.
    void createPages(const QString &roleMenuSet, const DeviceInfo &identity,
                     const std::shared_ptr<IoddFile> &description, bool identificationOnly, bool console = true);

    // The pages built from a description show its texts from `description`,
    // the same file read in another language: the parameter page's rows,
    // the process-data pages' names and the device's event texts. What was
    // read and typed stays.
    void showTexts(const std::shared_ptr<IoddFile> &description);

    // Hands the port's complete current event set to its event page.
    void showDiagnosis(const QMap<uint8_t, EventPage::DiagnosisItem *> &items) { emit diagnosisChanged(items); }

    // The log the port's event page shows and its device's events go to.
    // Without one the page shows only what it is handed, and the device is
    // not read.
    void setEventLog(PortEventLog *log) { m_eventLog = log; }
    // When the device's status is first read after the pages are built.
    static constexpr int firstDeviceReadMs = 500;

    static constexpr int adapterTabCount = 3;

signals:
    void diagnosisChanged(QMap<uint8_t, EventPage::DiagnosisItem *> items);

private:
    // The port's tabs, behind the adapter's.
    void addPages(const QString &roleMenuSet, const DeviceInfo &identity, const std::shared_ptr<IoddFile> &description,
                  bool identificationOnly, bool console);
    EventPage *addEventPage(IoddFile &description, QWidget *host);
    // The page of that kind the tab widget's page stack holds, shown or
    // kept for the next build (Basic info, In port); null if none.
    template <class Page>
    Page *kept() const;

    // The event texts the device's status reads name events with, shared
    // with the reader so that showTexts() reaches it.
    std::shared_ptr<QHash<quint16, EventItem>> m_eventTexts;
    uint8_t m_portIndex;
    PortEventLog *m_eventLog = nullptr;
    QTabWidget *m_portTabWidget = nullptr;
};

#endif // PORTPAGES_H
