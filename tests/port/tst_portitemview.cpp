// A port's pages as tabs behind the adapter's three: which pages in what
// order, and that a new build leaves nothing of the previous one.

#include "adapter/widgat_adapter.h"
#include "description/analyiodd.h"
#include "description/analyioddfile.h"
#include "params/widget_parameter.h"
#include "port/portitemview.h"
#include "testhelpers.h"

#include <QtTest>
#include <QtWidgets>

namespace {
const QString role = QStringLiteral("ObserverRoleMenuSet");
const QString noProcessData = QStringLiteral(HUB8_SOURCE_DIR "/tests/params/fixtures/parameters.xml");
const QStringList adapterTabs{"Adapter", "Communication", "Ports"};
const QStringList allPages{"Basic info: widget_Port", "In port: widget_in", "Out port: widget_out",
                           "Message event: widget_event"};
} // namespace

class tst_portitemview : public QObject
{
    Q_OBJECT

    QTabWidget *m_tabs = nullptr;
    QList<QPointer<QWidget>> m_adapterPages;

    // Builds from a description file, or from none when path is empty (as
    // for a device the library does not know). deviceId replaces the file's.
    static bool build(PortItemView &view, const QString &path, bool identificationOnly, const QString &deviceId = {})
    {
        analyIODD header;
        header.open(path);
        deviceInfo identity = header.readDeviceInfo();
        if (!deviceId.isEmpty())
            identity.deviceId = deviceId;
        analyIoddFile description;
        if (!path.isEmpty() && description.load(path) != 0)
            return false;
        view.createPages(role, identity, description, identificationOnly);
        return true;
    }
    QList<QPointer<QWidget>> pages(int from) const
    {
        QList<QPointer<QWidget>> out;
        for (int i = from; i < m_tabs->count(); ++i)
            out << m_tabs->widget(i);
        return out;
    }
    // The port tabs as "text: class of the page".
    QStringList portTabs() const
    {
        QStringList out;
        for (int i = PortItemView::adapterTabCount; i < m_tabs->count(); ++i)
            out << m_tabs->tabText(i) + QStringLiteral(": ") + m_tabs->widget(i)->metaObject()->className();
        return out;
    }
    QString shownDeviceId() const
    {
        auto *edit =
            m_tabs->widget(PortItemView::adapterTabCount)->findChild<QLineEdit *>(QStringLiteral("edit_DeviceID"));
        return edit ? edit->text() : QStringLiteral("<no edit_DeviceID>");
    }
    // The adapter's tabs are still the three pages from before any build.
    bool adapterTabsKept() const
    {
        QStringList texts;
        for (int i = 0; i < PortItemView::adapterTabCount; ++i)
            texts << m_tabs->tabText(i);
        return texts == adapterTabs && pages(0).mid(0, PortItemView::adapterTabCount) == m_adapterPages
            && !m_adapterPages.contains(nullptr);
    }

private slots:
    void init()
    {
        m_tabs = new QTabWidget;
        for (const QString &text : adapterTabs)
            m_tabs->addTab(new QWidget, text);
        m_adapterPages = pages(0);
    }
    void cleanup()
    {
        delete m_tabs;
        m_tabs = nullptr;
    }

    void pagesInOrder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("identificationOnly");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<QString>("hosted"); // what the basic info page holds below the identity
        QTest::newRow("process data in and out")
            << testhelpers::builtinDescriptionPath() << false << allPages << "widget_Parameter";
        QTest::newRow("no process data") << noProcessData << false
                                         << QStringList{"Basic info: widget_Port", "Message event: widget_event"}
                                         << "widget_Parameter";
        QTest::newRow("identification only")
            << QString() << true << QStringList{"Basic info: widget_Port", "Message event: widget_event"}
            << "widgat_adapter";
    }
    void pagesInOrder()
    {
        QFETCH(QString, path);
        QFETCH(bool, identificationOnly);
        QFETCH(QString, hosted);
        PortItemView view(5);
        view.setPortTabWidget(m_tabs);
        QVERIFY(build(view, path, identificationOnly));

        QVERIFY(adapterTabsKept());
        QTEST(portTabs(), "tabs");
        QWidget *basic = m_tabs->widget(PortItemView::adapterTabCount);
        auto *parameters = basic->findChild<widget_Parameter *>();
        auto *console = basic->findChild<widgat_adapter *>();
        QCOMPARE(QString(parameters ? "widget_Parameter" : console ? "widgat_adapter" : "nothing"), hosted);
        QVERIFY(!parameters || !console);
        if (parameters)
            QCOMPARE(QString::number(parameters->port()) + QLatin1Char(' ') + parameters->role(), "5 " + role);
    }

    // Whichever port builds next, the previous port tabs go first: none left
    // over, none twice, their pages deleted; the adapter's tabs stay.
    void newBuildReplacesEveryPortTab_data()
    {
        QTest::addColumn<bool>("otherPort");
        QTest::newRow("same port again") << false;
        QTest::newRow("another port's view on the same tabs") << true;
    }
    void newBuildReplacesEveryPortTab()
    {
        QFETCH(bool, otherPort);
        PortItemView first(1), second(3);
        first.setPortTabWidget(m_tabs);
        second.setPortTabWidget(m_tabs);
        PortItemView &next = otherPort ? second : first;
        const QString builtin = testhelpers::builtinDescriptionPath();

        QVERIFY(build(first, builtin, false));
        const QList<QPointer<QWidget>> initial = pages(PortItemView::adapterTabCount);
        QCOMPARE(initial.size(), allPages.size());

        QVERIFY(build(next, builtin, false, QStringLiteral("777")));
        QVERIFY(adapterTabsKept());
        QCOMPARE(portTabs(), allPages);
        QCOMPARE(shownDeviceId(), QStringLiteral("777"));
        QTRY_VERIFY(std::all_of(initial.begin(), initial.end(), [](const QPointer<QWidget> &p) { return p.isNull(); }));

        // Fewer pages than before: nothing of the full build stays behind.
        const QList<QPointer<QWidget>> full = pages(PortItemView::adapterTabCount);
        QVERIFY(build(next, QString(), true, QStringLiteral("888")));
        QVERIFY(adapterTabsKept());
        QCOMPARE(portTabs(), (QStringList{"Basic info: widget_Port", "Message event: widget_event"}));
        QCOMPARE(shownDeviceId(), QStringLiteral("888"));
        QTRY_VERIFY(std::all_of(full.begin(), full.end(), [](const QPointer<QWidget> &p) { return p.isNull(); }));
    }
};

QTEST_MAIN(tst_portitemview)
#include "tst_portitemview.moc"
