// A device's events as the user sees them: the "Message event" page with the texts of its description and of the
// standard definitions, and the port's lamp in the tree while a warning or an error is present.

#include "devicepages/eventpage.h"
#include "link/devicestatuspoller.h"
#include "link/portstatusmonitor.h"
#include "resources/hub8resources.h"
#include "scenario.h"
#include "virtualadapter.h"
#include "windowdriver.h"

namespace {
const QString fixture = QStringLiteral(HUB8_SOURCE_DIR "/tests/description/fixtures/events.xml");

// Port3 has the fixture's device: its own text for 0x4210, its own 0x8CA0 (an
// error for 2 s), a standard reference to 0x5111, and 0x7710, which only
// the standard definitions name. The error lasts long enough for a window
// made under the sanitizers on a busy machine to see it come.
const QByteArray scenario = QString(R"({"isduLatencyMs": 0, "ports": {"Port3": {"mode": "iolink", "device": {
    "type": "iodd", "file": "%1", "events": [{"code": "0x4210", "type": "warning"},
    {"code": "0x8CA0", "type": "error", "for": 2.0}, {"code": "0x5111", "type": "warning"},
    {"code": "0x7710", "type": "notification"}]}}}})")
                                .arg(fixture)
                                .toUtf8();

// The rows as "code text type mode", "+" while present and "-" once cleared.
QStringList rows(const QTableWidget *table)
{
    QStringList out;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int c : {EventPage::ColumnCode, EventPage::ColumnText, EventPage::ColumnType, EventPage::ColumnMode})
            cells << (table->item(row, c) ? table->item(row, c)->text() : QString());
        const QTableWidgetItem *cleared = table->item(row, EventPage::ColumnCleared);
        out << cells.join(QLatin1Char(' ')).trimmed() + (cleared->text().isEmpty() ? " +" : " -");
    }
    return out;
}

bool showsPicture(const QIcon &icon, const char *name)
{
    const auto image = [](const QImage &i) { return i.convertToFormat(QImage::Format_ARGB32_Premultiplied); };
    const QImage expected = image(QImage(QStringLiteral(":/images/%1.png").arg(QLatin1String(name))));
    return !expected.isNull() && image(icon.pixmap(expected.size()).toImage()) == expected;
}
} // namespace

class tst_eventpage : public QObject, WindowDriver::Session
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        initHub8Resources();
    }

    void eventsOnThePageAndInTheTree()
    {
        QString error;
        QVERIFY2(applyScenarioJson(scenario, VirtualAdapter::instance(), &error), qPrintable(error));
        QElapsedTimer sinceStart;
        sinceStart.start();
        QVERIFY(reopen());
        window->showPortPages(fixture, 2);
        auto *page = qobject_cast<EventPage *>(tabs->widget(tabTexts().indexOf("Message event")));
        QVERIFY(page);
        auto *poller = page->findChild<DeviceStatusPoller *>();
        QVERIFY(poller && poller->port() == 2);
        QSignalSpy read(poller, &DeviceStatusPoller::statusRead);
        QVERIFY(poller->isPolling() || poller->poll() == 0);
        QVERIFY(read.wait());

        auto *table = page->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
        QStringList expected{"0x4210 Housing too hot 警告 出现 +", "0x8CA0 Filter clogged 错误 出现 +",
                             "0x5111 Primary supply voltage under-run 警告 出现 +", "0x7710 Short circuit 通知 单次 +"};
        QCOMPARE(rows(table), expected);
        QVERIFY(page->findChild<QLabel *>()->text().startsWith(QStringLiteral("设备状态：故障")));

        QTreeWidgetItem *port3 = tree->topLevelItem(2);
        QVERIFY(showsPicture(port3->icon(0), "port_error"));
        QVERIFY2(port3->toolTip(0).contains(QStringLiteral("错误 0x8CA0 Filter clogged")),
                 qPrintable(port3->toolTip(0)));

        // The error goes away: its row keeps when, the lamp turns amber.
        QTest::qWait(int(qMax<qint64>(0, 2100 - sinceStart.elapsed())));
        QVERIFY(SimHelpers::linkIdle());
        read.clear();
        QVERIFY(poller->poll() == 0 && read.wait());
        expected[1].replace(" +", " -");
        QCOMPARE(rows(table), expected);
        QVERIFY(showsPicture(port3->icon(0), "port_warning"));
        QVERIFY(!port3->toolTip(0).contains(QStringLiteral("0x8CA0")));

        // Without its device in operate the port shows the loss, not the device's warnings.
        VirtualAdapter::instance().port(2).mode = VirtualAdapter::Mode::CommunicationLost;
        window->portMonitor()->poll();
        QVERIFY(SimHelpers::linkIdle());
        QVERIFY(showsPicture(port3->icon(0), "port_lost"));
        QCOMPARE(rows(table).join(QLatin1Char('|')).count(" +"), 1);
        QCOMPARE(rows(table).last(), QStringLiteral("Port3 IO-Link 通信中断 +"));
    }
};

QTEST_MAIN(tst_eventpage)
#include "tst_eventpage.moc"
