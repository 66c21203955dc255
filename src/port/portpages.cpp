#include "portpages.h"

#include "porteventlog.h"
#include "processdatalayoutpicker.h"

#include "adapterpages/isduconsole.h"
#include "description/ioddfile.h"
#include "description/ioddrecords.h"
#include "devicepages/basicinfopage.h"
#include "link/deviceidentification.h"
#include "link/devicestatuspoller.h"
#include "params/parameterpage.h"
#include "procdata/processdatainpage.h"
#include "procdata/processdataoutpage.h"

#include <QHash>
#include <QStackedWidget>
#include <QTabWidget>

#include <algorithm>
#include <memory>

namespace {

// The event texts a port's pages use: the description's own events over the
// standard ones. Copied out, as the description does not outlive the build.
QHash<quint16, EventItem> eventTexts(IoddFile &description)
{
    QList<EventItem> standard = description.standardDefinitions().events();
    if (standard.isEmpty()) { // no description read: the standard texts still apply
        description.loadStandardDefinitions(QStringLiteral("1.1"));
        standard = description.standardDefinitions().events();
    }
    // Later entries win: the description's own events come before its
    // standard references in its list, so that list is taken backwards.
    QList<EventItem> all = description.events();
    std::reverse(all.begin(), all.end());
    all = standard + all;
    QHash<quint16, EventItem> texts;
    for (const EventItem &e : qAsConst(all)) {
        bool ok = false;
        const uint code = e.code.trimmed().toUInt(&ok);
        if (ok && code <= 0xFFFF && !e.name.isEmpty())
            texts.insert(quint16(code), e);
    }
    return texts;
}

// Tabs added one at a time leave the bar, for a moment, narrower than its
// tabs, and it shows its scroll buttons; each button shown asks the display
// where the mouse pointer is, a round trip to the X server. Held off while
// the pages are added, they come back when the bar has all its tabs.
class ScrollButtonsHeld
{
public:
    explicit ScrollButtonsHeld(QTabWidget *tabs) : m_tabs(tabs), m_used(tabs->usesScrollButtons())
    {
        m_tabs->setUsesScrollButtons(false);
    }
    ~ScrollButtonsHeld() { m_tabs->setUsesScrollButtons(m_used); }
    ScrollButtonsHeld(const ScrollButtonsHeld &) = delete;
    ScrollButtonsHeld &operator=(const ScrollButtonsHeld &) = delete;

private:
    QTabWidget *m_tabs;
    bool m_used;
};

} // namespace

PortPages::PortPages(uint8_t port, QObject *parent) : QObject(parent), m_portIndex(port) {}

void PortPages::clearPortTabs()
{
    m_eventTexts.reset();
    if (m_portTabWidget) {
        while (m_portTabWidget->count() > adapterTabCount) {
            QWidget *page = m_portTabWidget->widget(adapterTabCount);
            m_portTabWidget->removeTab(adapterTabCount);
            // The Basic info and In port pages stay, hidden, for the next
            // device: their forms and the trend charts are the dearest parts
            // of the pages to make.
            if (auto *in = qobject_cast<ProcessDataInPage *>(page); in && kept<ProcessDataInPage>() == in) {
                in->release();
                continue;
            }
            if (auto *basic = qobject_cast<BasicInfoPage *>(page); basic && kept<BasicInfoPage>() == basic) {
                basic->release();
                continue;
            }
            delete page;
        }
    }
}

void PortPages::createPages(const QString &roleMenuSet, const DeviceInfo &identity,
                            const std::shared_ptr<IoddFile> &shared, bool identificationOnly, bool console)
{
    // A port's tab open before (the last port's "In port", say) stays the one
    // open: removing the tabs would otherwise leave an adapter tab current.
    const int current = m_portTabWidget ? m_portTabWidget->currentIndex() : -1;
    const QString shownTab = current >= adapterTabCount ? m_portTabWidget->tabText(current) : QString();
    clearPortTabs();
    if (!m_portTabWidget)
        return;
    addPages(roleMenuSet, identity, shared, identificationOnly, console);
    if (!shownTab.isEmpty()) {
        int tab = adapterTabCount;
        for (int i = adapterTabCount; i < m_portTabWidget->count(); ++i)
            if (m_portTabWidget->tabText(i) == shownTab)
                tab = i;
        m_portTabWidget->setCurrentIndex(tab);
    }
}

void PortPages::addPages(const QString &roleMenuSet, const DeviceInfo &identity,
                         const std::shared_ptr<IoddFile> &shared, bool identificationOnly, bool console)
{
    IoddFile &description = *shared;
    const ScrollButtonsHeld held(m_portTabWidget);

    // Each page is made inside the tab widget's page stack, so that adding
    // the tab moves nothing: a page moved under the window's style sheet
    // would restyle all it holds.
    QWidget *host = m_portTabWidget->findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly);
    BasicInfoPage *portPage = kept<BasicInfoPage>();
    if (!portPage)
        portPage = new BasicInfoPage(host);
    m_portTabWidget->addTab(portPage, QStringLiteral("Basic info"));
    portPage->setPort(m_portIndex);
    portPage->showDeviceInfo(identity);
    if (identificationOnly) {
        // Without a device there is nothing to ask and no events to show.
        if (console) {
            portPage->createIsduConsole(m_portIndex);
            EventPage *events = addEventPage(description, host);
            // The identity fields from the device itself. The event page is
            // made for this build only: a later port's build ends the reading.
            readDeviceIdentification(m_portIndex, events, [portPage](const DeviceIdentification &read) {
                portPage->showDeviceIdentification(read);
            });
        }
        return;
    }
    ParameterPage *parameters = portPage->createParameterPage(roleMenuSet, m_portIndex, shared, identity);

    const TreeItem input = description.processDataIn();
    ProcessDataInPage *in = nullptr;
    if (!input.values.isEmpty()) {
        in = kept<ProcessDataInPage>();
        if (!in)
            in = new ProcessDataInPage(host);
        m_portTabWidget->addTab(in, QStringLiteral("In port"));
        in->setProcessData(input);
        in->setPort(m_portIndex);
    }
    const TreeItem output = description.processDataOut();
    ProcessDataOutPage *out = nullptr;
    if (!output.values.isEmpty()) {
        out = new ProcessDataOutPage(host);
        m_portTabWidget->addTab(out, QStringLiteral("Out port"));
        out->setProcessData(output);
        out->setPort(m_portIndex);
        bool vendorKnown = false, deviceKnown = false;
        const qint64 vendorId = identity.vendorId.toLongLong(&vendorKnown);
        const qint64 deviceId = identity.deviceId.toLongLong(&deviceKnown);
        out->setDeviceName((identity.vendorName + QLatin1Char(' ') + identity.productName).trimmed(),
                           vendorKnown ? vendorId : -1, deviceKnown ? deviceId : -1);
    }
    EventPage *events = addEventPage(description, host);
    // The raw ISDU console for what the description does not name (an index
    // of another profile, a vendor's service index), as on ports without one.
    auto *isdu = new IsduConsole(host);
    isdu->setPortCount(8);
    isdu->setPort(m_portIndex);
    m_portTabWidget->addTab(isdu, QStringLiteral("ISDU"));
    // Several layouts under conditions: the device's variable picks one, now
    // and whenever the parameter page writes that variable. The picker goes
    // with the event page, which is made for each build (the In port page is
    // kept for the next one).
    const QList<ProcessDataChoice> choices = description.processDataChoices();
    if ((in || out) && ProcessDataLayoutPicker::conditional(choices)) {
        auto *picker = new ProcessDataLayoutPicker(m_portIndex, choices, in, out, events);
        if (parameters)
            connect(parameters, &ParameterPage::variableWritten, picker, &ProcessDataLayoutPicker::onVariableWritten);
        picker->pick();
    }
}

void PortPages::showTexts(const std::shared_ptr<IoddFile> &description)
{
    if (!m_portTabWidget || !description)
        return;
    // Pages whose layout a device's variable picks keep their names: the
    // picker hands them its own layouts.
    const bool picked = m_portTabWidget->findChild<ProcessDataLayoutPicker *>() != nullptr;
    // Only pages on tabs: the kept ones off them show the next device.
    for (int i = adapterTabCount; i < m_portTabWidget->count(); ++i) {
        QWidget *page = m_portTabWidget->widget(i);
        if (auto *basic = qobject_cast<BasicInfoPage *>(page)) {
            if (auto *parameters = basic->findChild<ParameterPage *>())
                parameters->replaceMenuSource(
                    [description](const QString &set) { return description->roleMenus(set); });
        }
        if (picked)
            continue;
        if (auto *in = qobject_cast<ProcessDataInPage *>(page))
            in->showNames(description->processDataIn());
        else if (auto *out = qobject_cast<ProcessDataOutPage *>(page))
            out->showNames(description->processDataOut());
    }
    if (m_eventTexts) {
        *m_eventTexts = eventTexts(*description);
        if (m_eventLog) {
            const auto texts = m_eventTexts;
            m_eventLog->redescribe(m_portIndex, [texts](quint16 code) { return texts->value(code); });
        }
    }
}

template <class Page>
Page *PortPages::kept() const
{
    QWidget *host =
        m_portTabWidget ? m_portTabWidget->findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    return host ? host->findChild<Page *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

// The event page, and the reader of the device's status that lives as long
// as the page: while the port's pages are shown.
EventPage *PortPages::addEventPage(IoddFile &description, QWidget *host)
{
    auto *events = new EventPage(host);
    connect(this, &PortPages::diagnosisChanged, events, &EventPage::onDiagnosisChanged);
    m_portTabWidget->addTab(events, QStringLiteral("Message event"));
    if (!m_eventLog)
        return events;
    events->onDiagnosisChanged(m_eventLog->events(m_portIndex));

    auto *poller = new DeviceStatusPoller(m_portIndex, events);
    connect(poller, &DeviceStatusPoller::statusRead, events, &EventPage::onStatusRead);
    PortEventLog *log = m_eventLog;
    const auto texts = std::make_shared<QHash<quint16, EventItem>>(eventTexts(description));
    m_eventTexts = texts;
    connect(poller, &DeviceStatusPoller::statusRead, log, [log, texts](int port, const DeviceStatusReading &reading) {
        log->updateDevice(port, reading, [&texts](quint16 code) { return texts->value(code); });
    });
    poller->start(firstDeviceReadMs);
    return events;
}
