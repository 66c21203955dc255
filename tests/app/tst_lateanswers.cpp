// The window on an adapter whose devices answer late: what a user does in the middle of an exchange (another
// port, a role, a write, closing, unplugging) ends in a sane window, every value comes from its own request, and
// nothing reaches the adapter after it should stop.

#include "defaultsetup.h"
#include "genericdevice.h"
#include "params/parameterpage.h"
#include "procdata/processdataoutpage.h"
#include "virtualadapter.h"
#include "widgets/writeconfirmation.h"
#include "windowdriver.h"

#include <QtTest>
#include <QtWidgets>

using WindowDriver::find;

class tst_lateanswers : public QObject, WindowDriver::Session
{
    Q_OBJECT
    VirtualAdapter &m_adapter = VirtualAdapter::instance();

    ParameterPage *parameters() const { return tabs->widget(3)->findChild<ParameterPage *>(); }
    QStringList values(const ParameterPage *page) const
    {
        QStringList out;
        const auto *table = find<QTableWidget>(page, "table_param");
        for (int row = 0; row < table->rowCount(); ++row)
            out << table->item(row, 0)->text() + '=' + table->item(row, 2)->text();
        // The process data read as a parameter changes on its own.
        return out.filter(QRegularExpression("^(?!Process Data)"));
    }
    // The ports of the ISDU requests sent since the log was cleared.
    QList<int> requestPorts() const
    {
        QList<int> ports;
        for (const VirtualAdapter::Exchange &x : m_adapter.log())
            if (x.request.mid(1, 4).toHex() == "01103500")
                ports << quint8(x.request.at(9));
        return ports;
    }
    void pressRead() const { QTest::mouseClick(find<QPushButton>(parameters(), "pbtn_read"), Qt::LeftButton); }
    // "读（全部）" on Port2's "Basic info", 250 ms into it, each answer 100 ms late.
    void readingOnPort2()
    {
        m_adapter.changeFaults([](VirtualAdapter::Faults &f) { f.isduLatencyMs = 100; });
        chooseVariant(0);
        click(1);
        tabs->setCurrentIndex(3);
        pressRead();
        QTest::qWait(250);
    }
    // The tab bar and the page stack agree, and the port's own pages follow the adapter's three.
    bool tabsAgree(int port) const
    {
        auto *stack = tabs->findChild<QStackedWidget *>();
        const auto *page = parameters();
        return stack && stack->count() == tabs->count() && tabs->count() > 3
            && tabs->tabText(3) == QLatin1String("Basic info") && (!page || page->port() == port);
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        WriteConfirmation::setAskFunction([](const QString &, const QString &, bool, bool *) { return true; });
    }
    void init()
    {
        applyDefaultSetup(m_adapter);
        m_adapter.faults().isduLatencyMs = 0;
        QVERIFY(reopen());
    }
    void cleanup() { closeWindow(); }

    // A read of every parameter while the device-status poller and an output write go between its
    // transactions: the values equal those of a read on a quiet link.
    void everyValueFromItsOwnRequest()
    {
        chooseVariant(0);
        click(1);
        pressRead();
        QTRY_VERIFY_WITH_TIMEOUT(!parameters()->isRunning(), 10000);
        const QStringList quiet = values(parameters());
        QVERIFY(!parameters()->statusText().contains("失败"));

        m_adapter.changeFaults([](VirtualAdapter::Faults &f) {
            f.isduLatencyMs = 60;
            f.lateAnswerMs = 5;
        });
        m_adapter.clearLog();
        pressRead();
        tabs->setCurrentIndex(tabTexts().indexOf("Out port"));
        auto *out = qobject_cast<ProcessDataOutPage *>(tabs->currentWidget());
        QVERIFY(out);
        out->onAllTrueClicked();
        QTimer::singleShot(800, out, [out] { out->onWriteClicked(); });
        auto *page = parameters();
        QTRY_VERIFY_WITH_TIMEOUT(!page->isRunning(), 20000);
        QVERIFY(m_adapter.port(1).pdOut != QByteArray(VirtualAdapter::pdWindowBytes, '\0')); // the write went
        QVERIFY2(requestPorts().count() > quiet.size() / 2, "the poller's requests went between");
        QVERIFY2(!page->statusText().contains("失败"), qPrintable(page->statusText()));
        QCOMPARE(values(page), quiet);
    }

    // Port1, "Basic info", Port3, and Port5 100 ms later, all generic devices answering late: the window ends
    // on Port5's pages, its tab bar and page stack agree, and nothing is asked for Port3 any more.
    void quickClicksEndOnTheLastPort()
    {
        for (int port : {2, 4})
            m_adapter.setPort(port, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        QVERIFY(reopen());
        m_adapter.changeFaults([](VirtualAdapter::Faults &f) { f.isduLatencyMs = 300; });
        click(0);
        tabs->setCurrentIndex(3);
        QTimer::singleShot(100, window, [this] { click(4); });
        click(2);
        QTRY_VERIFY_WITH_TIMEOUT(tree->currentItem() == tree->topLevelItem(4), 3000);
        QVERIFY(SimHelpers::linkIdle());
        QVERIFY(tabsAgree(4));
        QCOMPARE(tabs->tabText(tabs->currentIndex()), "Basic info"); // the tab open stays open
        m_adapter.clearLog();
        QTest::qWait(300);
        QVERIFY(!requestPorts().contains(3));
    }

    // Another port clicked, or another role chosen, during "读（全部）": the read ends, its page's requests
    // stop, and the window shows what was clicked.
    void clicksDuringARead()
    {
        readingOnPort2();
        find<QComboBox>(window, "cbox_role")->setCurrentIndex(2);
        auto *page = parameters();
        QVERIFY(!page->isRunning() && page->role() == "ObserverRoleMenuSet");
        QVERIFY(find<QPushButton>(page, "pbtn_read")->isEnabled());

        pressRead();
        QTest::qWait(250);
        chooseVariant(0);
        click(3);
        QVERIFY(tabsAgree(3) && tree->currentItem() == tree->topLevelItem(3));
        QCOMPARE(tabs->tabText(tabs->currentIndex()), "Basic info");
        m_adapter.clearLog();
        QTest::qWait(300);
        QVERIFY(!requestPorts().contains(2));
    }

    // The window closed, or the adapter unplugged, during "读（全部）": nothing is sent after the
    // exchange on its way, and the page says why the read ended.
    void closeOrUnplugDuringARead()
    {
        readingOnPort2();
        m_adapter.changeFaults([](VirtualAdapter::Faults &f) { f.unplugged = true; });
        QTRY_VERIFY(!parameters()->isRunning());
        QVERIFY(parameters()->statusText().startsWith("读取中断"));

        m_adapter.changeFaults([](VirtualAdapter::Faults &f) { f.unplugged = false; });
        QVERIFY(reopen());
        readingOnPort2();
        QVERIFY(window->close());
        const int sent = m_adapter.log().size();
        QTest::qWait(400);
        QVERIFY(m_adapter.log().size() <= sent + 1);
        QVERIFY(!parameters()->isRunning());
    }
};

QTEST_MAIN(tst_lateanswers)
#include "tst_lateanswers.moc"
