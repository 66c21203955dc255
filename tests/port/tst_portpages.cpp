// A port's pages as tabs behind the adapter's three: which pages in what order, and that a new build
// leaves nothing of the previous one; the diagnosis events derived from the port states.

#include "adapterpages/isduconsole.h"
#include "description/ioddfile.h"
#include "description/ioddheaderreader.h"
#include "devicepages/basicinfopage.h"
#include "devicepages/digitalinputpanel.h"
#include "devicepages/eventpage.h"
#include "link/portstatusmonitor.h"
#include "params/parameterpage.h"
#include "port/porteventlog.h"
#include "port/portpages.h"
#include "procdata/processdatainpage.h"
#include "procdata/processdatatrend.h"
#include "protocol/adapterregisters.h"
#include "testhelpers.h"

#include <QtTest>
#include <QtWidgets>

class tst_portpages : public QObject
{
    Q_OBJECT
    QTabWidget *m_tabs = nullptr;
    QList<QPointer<QWidget>> m_adapterPages;

    // Builds from a description file, or from none when path is empty (as for a device the library does
    // not know). deviceId replaces the file's.
    static void build(PortPages &view, const QString &path, bool identificationOnly, const QString &deviceId = {})
    {
        IoddHeaderReader header;
        header.open(path);
        DeviceInfo identity = header.readDeviceInfo();
        identity.deviceId = deviceId.isEmpty() ? identity.deviceId : deviceId;
        auto description = std::make_shared<IoddFile>();
        QVERIFY(path.isEmpty() || description->load(path) == 0);
        view.createPages("ObserverRoleMenuSet", identity, description, identificationOnly);
    }
    QList<QPointer<QWidget>> pages(int from) const
    {
        QList<QPointer<QWidget>> out;
        for (int i = from; i < m_tabs->count(); ++i)
            out << m_tabs->widget(i);
        return out;
    }
    // The adapter tabs, kept as they were, then the port tabs as "text: class of the page", and what the
    // Basic info page holds below the identity.
    QString tabs() const
    {
        QStringList out;
        for (int i = 0; i < m_tabs->count(); ++i)
            out << (i < PortPages::adapterTabCount
                        ? (m_tabs->widget(i) == m_adapterPages.at(i) ? "kept" : "replaced")
                        : m_tabs->tabText(i) + ": " + m_tabs->widget(i)->metaObject()->className());
        QWidget *basic = m_tabs->widget(PortPages::adapterTabCount);
        auto *parameters = basic ? basic->findChild<ParameterPage *>() : nullptr;
        out << (parameters ? QString("parameters of port %1 as %2").arg(parameters->port()).arg(parameters->role())
                    : basic && basic->findChild<IsduConsole *>() ? "console"
                                                                 : "nothing");
        return out.join(", ");
    }
    QString shownDeviceId() const
    {
        return m_tabs->widget(PortPages::adapterTabCount)->findChild<QLineEdit *>("edit_DeviceID")->text();
    }
    // Every page deleted but the Basic info and In port pages, which are kept for the next build.
    static bool allDeletedButKept(const QList<QPointer<QWidget>> &pages)
    {
        return std::all_of(pages.begin(), pages.end(), [](const QPointer<QWidget> &p) {
            return p.isNull() || qobject_cast<ProcessDataInPage *>(p) || qobject_cast<BasicInfoPage *>(p);
        });
    }

    static constexpr quint8 operate = AdapterRegisters::ModeIoLinkOperate,
                            lost = AdapterRegisters::ModeCommunicationLost;

    static QVector<PortState> modes(std::initializer_list<quint8> m)
    {
        QVector<PortState> states;
        for (quint8 mode : m)
            states << PortState{mode};
        return states;
    }

private slots:
    void init()
    {
        m_tabs = new QTabWidget;
        for (const char *text : {"Adapter", "Communication", "Ports"})
            m_tabs->addTab(new QWidget, text);
        m_adapterPages = pages(0);
    }
    void cleanup() { delete std::exchange(m_tabs, nullptr); }

    void pagesInOrder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("identificationOnly");
        QTest::addColumn<QString>("tabs");
        const QString kept = "kept, kept, kept, Basic info: BasicInfoPage, ";
        QTest::newRow("process data in and out") << TestHelpers::builtinDescriptionPath() << false
                                                 << kept
                + "In port: ProcessDataInPage, Out port: ProcessDataOutPage, Message event: EventPage, ISDU: "
                  "IsduConsole, "
                  "parameters of port 5 as "
                  "ObserverRoleMenuSet";
        QTest::newRow("no process data") << HUB8_SOURCE_DIR "/tests/params/fixtures/parameters.xml" << false
                                         << kept
                + "Message event: EventPage, ISDU: IsduConsole, parameters of port 5 as ObserverRoleMenuSet";
        QTest::newRow("identification only") << QString() << true << kept + "Message event: EventPage, console";
    }
    void pagesInOrder()
    {
        QFETCH(QString, path);
        QFETCH(bool, identificationOnly);
        PortPages view(5);
        view.setPortTabWidget(m_tabs);
        build(view, path, identificationOnly);
        QTEST(tabs(), "tabs");
    }

    // Whichever port builds next, the previous port tabs go first: none left over, none twice, their
    // pages deleted but Basic info and In port, which show the next device; the adapter's tabs stay.
    void newBuildReplacesEveryPortTab()
    {
        PortPages first(1), next(3); // another port's view on the same tabs
        first.setPortTabWidget(m_tabs);
        next.setPortTabWidget(m_tabs);
        const QString builtin = TestHelpers::builtinDescriptionPath();
        build(first, builtin, false);
        const QString full = tabs().replace("port 1", "port 3");
        const QList<QPointer<QWidget>> initial = pages(PortPages::adapterTabCount);
        const QPointer<ProcessDataInPage> in = m_tabs->findChild<ProcessDataInPage *>();
        QVERIFY(in);
        in->trend()->setPaused(true);

        build(next, builtin, false, "777");
        QCOMPARE(tabs() + ' ' + shownDeviceId(), full + " 777");
        QTRY_VERIFY(allDeletedButKept(initial));
        QVERIFY(m_tabs->indexOf(in) > 0 && !in->trend()->isPaused());

        // Fewer pages than before: nothing of the full build stays behind, the In port page hidden.
        const QList<QPointer<QWidget>> again = pages(PortPages::adapterTabCount);
        auto *basic = qobject_cast<BasicInfoPage *>(m_tabs->widget(PortPages::adapterTabCount));
        auto *di = basic->findChild<DigitalInputPanel *>();
        di->onReadClicked();
        basic->showDescriptionProblem("cut at a limit");
        build(next, QString(), true, "888");
        QVERIFY(m_tabs->widget(PortPages::adapterTabCount) == basic && !di->isReading() && !di->isPolling());
        QVERIFY(basic->descriptionProblem().isEmpty());
        QCOMPARE(tabs() + ' ' + shownDeviceId(),
                 "kept, kept, kept, Basic info: BasicInfoPage, Message event: EventPage, console 888");
        QTRY_VERIFY(allDeletedButKept(again));
        QVERIFY(in && m_tabs->indexOf(in) < 0 && in->isHidden());
        QCOMPARE(m_tabs->findChildren<ProcessDataInPage *>().size(), 1);
    }
    void lostCommunicationRaisesAndClears()
    {
        PortEventLog log(2);
        QSignalSpy changed(&log, &PortEventLog::eventsChanged);
        log.update(true, modes({operate, operate}));
        log.update(true, modes({operate, lost}));
        log.update(true, modes({operate, lost}));
        QCOMPARE(log.events(1).size(), 1); // still the same event, not a second one
        const EventPage::DiagnosisItem *first = log.events(1).value(1);
        QVERIFY(first->isError && first->text.contains("Port2") && first->recoveryTime.isEmpty());
        log.update(true, modes({operate, operate}));
        QVERIFY(!first->isError && !first->recoveryTime.isEmpty());
        log.update(true, modes({operate, lost}));
        QCOMPARE(log.events(1).keys(), (QList<uint8_t>{1, 2})); // oldest first
        QCOMPARE(changed.count(), 3);
        QVERIFY(log.events(0).isEmpty() && log.events(7).isEmpty());
    }

    // A silent adapter concerns every port; the log keeps the newest events only.
    void silentAdapterAndManyEvents()
    {
        PortEventLog log(2);
        log.update(false, {});
        QVERIFY(log.events(1).size() == 1 && log.events(1).first()->isError);
        for (int i = 0; i < PortEventLog::maxEventsPerPort + 5; ++i) {
            log.update(true, modes({lost, operate}));
            log.update(true, modes({operate, operate}));
        }
        QVERIFY(!log.events(1).first()->isError && log.events(0).size() == PortEventLog::maxEventsPerPort);
    }
};

QTEST_MAIN(tst_portpages)
#include "tst_portpages.moc"
