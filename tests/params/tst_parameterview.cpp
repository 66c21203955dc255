// The parameter page against the virtual adapter: what it reads and writes.

#include "description/analyioddfile.h"
#include "iodddevice.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "params/widget_parameter.h"
#include "views/widget_port.h"
#include "virtualadapter.h"

#include <QtTest>
#include <QtWidgets>

namespace {

constexpr int testPort = 1;

const QString fixturePath = HUB8_SOURCE_DIR "/tests/params/fixtures/parameters.xml";

// The ISDU request blocks the tool wrote to the mailbox, in order, each as
// "r <index>/<subindex> <length>" or "w <index>/<subindex> <data in hex>".
QStringList mailboxRequests()
{
    QStringList out;
    for (const VirtualAdapter::Exchange &x : VirtualAdapter::instance().log()) {
        // report id, slave, 0x10, register 0x3500, 20 registers, 40 octets of request block
        const QByteArray &r = x.request, b = r.mid(8, 40);
        if (r.size() < 48 || r.mid(2, 3) != QByteArray::fromHex("103500"))
            continue;
        const int index = (quint8(b[3]) << 8) | quint8(b[4]), length = quint8(b[6]);
        out << QString("%1%2 %3/%4 %5")
                   .arg(quint8(b[1]) == testPort + 1 ? QString() : QString("port %1: ").arg(quint8(b[1])))
                   .arg(b[0] == 0x03 ? 'r' : 'w')
                   .arg(index)
                   .arg(quint8(b[5]))
                   .arg(b[0] == 0x03 ? QString::number(length) : QString::fromLatin1(b.mid(7, length).toHex()));
    }
    return out;
}

} // namespace

class tst_parameterview : public QObject
{
    Q_OBJECT

    IoddDevice *m_device = nullptr;
    widget_Port *m_host = nullptr;
    QPointer<widget_Parameter> m_page;

    bool makePage(const QString &role)
    {
        analyIoddFile description;
        if (description.load(fixturePath) != 0)
            return false;
        m_host = new widget_Port;
        m_page = m_host->createParameterView(role, testPort, description);
        m_host->show();
        return QTest::qWaitForWindowExposed(m_host) && m_page;
    }
    QTableWidget *table() const { return m_page->findChild<QTableWidget *>(QString("table_param")); }
    void click(const char *name) { QTest::mouseClick(m_page->findChild<QPushButton *>(name), Qt::LeftButton); }
    int rowOf(const QString &label) const
    {
        int row = 0; // the first row of that label
        while (row < table()->rowCount() && table()->item(row, 0)->text() != label)
            ++row;
        return row < table()->rowCount() ? row : -1;
    }
    QString valueText(const QString &label) const
    {
        const int row = rowOf(label);
        auto *combo = row < 0 ? nullptr : qobject_cast<QComboBox *>(table()->cellWidget(row, 2));
        return row < 0 ? "<no row " + label + ">" : combo ? combo->currentText() : table()->item(row, 2)->text();
    }
    // Types into the cell editor of a line-edit row and commits with Return.
    void typeValue(const QString &label, const QString &text)
    {
        const int row = rowOf(label);
        QVERIFY(row >= 0);
        table()->editItem(table()->item(row, 2));
        const auto editors = table()->viewport()->findChildren<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(editors.size(), 1);
        editors.first()->selectAll();
        QTest::keyClicks(editors.first(), text);
        QTest::keyClick(editors.first(), Qt::Key_Return); // commits on the next turn of the event loop
        QTRY_COMPARE(table()->item(row, 2)->text(), text);
    }
    QByteArray deviceValue(quint16 index, quint8 sub = 0) const { return m_device->readIsdu(index, sub).data.toHex(); }
    void setDeviceValue(quint16 index, quint8 sub, const QByteArray &data, bool isHex = true)
    {
        QVERIFY(m_device->writeIsdu(index, sub, isHex ? QByteArray::fromHex(data) : data).ok());
    }

private slots:
    void init()
    {
        VirtualAdapter &adapter = VirtualAdapter::instance();
        adapter.reset();
        QString error;
        auto device = IoddDevice::fromFile(fixturePath, QCoreApplication::applicationDirPath() + "/std", &error);
        QVERIFY2(device, qPrintable(error));
        m_device = device.get();
        adapter.setPort(testPort, VirtualAdapter::Mode::IoLinkOperate, std::move(device));
        adapter.faults().isduLatencyMs = 0;

        common *hub = common::instance();
        if (!hub->modbus)
            hub->modbus = new myModbus;
        hub->modbus->closeDevice(); // a fresh handle for every case
        QCOMPARE(hub->modbus->openDevice(), 0);
        hub->modbus->busy = false;
        hub->activePorts = {testPort};
        setDeviceValue(100, 0, "0705"); // High 7, Low 5
        setDeviceValue(102, 0, "ff85"); // -123, shown scaled by 0.1
        setDeviceValue(64, 0, "hello", false);
        adapter.clearLog();
    }
    void cleanup()
    {
        delete m_host;
        m_host = nullptr;
    }

    void readAllFillsTheTable()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        setDeviceValue(101, 0, "02"); // Fast
        const QString initialMode = valueText("Mode");

        // Nothing edited yet: reading the modified entries sends nothing.
        click("pbtn_read_fix");
        QCOMPARE(mailboxRequests(), QStringList());
        QCOMPARE(valueText("Mode"), initialMode);

        QSignalSpy loading(common::instance(), &common::sig_openLoading);
        click("pbtn_read");
        // One read per index and menu: the record's second item comes from the
        // menu's cache, the sub-menu reads the record again, "wo" is never read.
        QCOMPARE(mailboxRequests(),
                 (QStringList{"r 100/0 0", "r 101/0 0", "r 102/0 0", "r 64/0 0", "r 103/0 0", "r 100/0 0"}));
        QVERIFY(loading.size() == 2 && loading.at(0).at(0).toBool() && !loading.at(1).at(0).toBool());
        QVERIFY(!common::instance()->modbus->busy);

        QStringList shown;
        for (const char *label : {"Low", "High", "Mode", "Level", "Name", "Count"})
            shown << valueText(label);
        QCOMPARE(shown, (QStringList{"5", "7", "Fast", "-12.3", "hello", "7"}));
        const int level = rowOf("Level");
        QCOMPARE(table()->item(level, 3)->text() + " " + table()->item(level, 4)->text(), QString("°C 25.0"));

        // The read changed the combo box's text, which marks its entry modified: the one read back.
        VirtualAdapter::instance().clearLog();
        click("pbtn_read_fix");
        QCOMPARE(mailboxRequests(), QStringList{"r 101/0 0"});
    }

    void editedValuesReachTheDevice()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        click("pbtn_read");
        typeValue("Level", "-5.5");
        typeValue("High", "200");
        qobject_cast<QComboBox *>(table()->cellWidget(rowOf("Mode"), 2))->setCurrentText("Off");

        VirtualAdapter::instance().clearLog();
        click("pbtn_write_fix");
        // Sub-menu blocks first, then one per index in text order ("64" after "102"); both items
        // of the 16-bit record in one block; unedited "rw" entries are written too, "ro"/"wo" never.
        QCOMPARE(mailboxRequests(),
                 (QStringList{"w 100/0 0005", "w 100/0 c805", "w 101/0 00", "w 102/0 ffc9", "w 64/0 68656c6c6f"}));
        QCOMPARE(deviceValue(100) + deviceValue(101) + deviceValue(102), QByteArray("c80500ffc9"));
        QCOMPARE(deviceValue(64), QByteArray("hello").toHex());

        // The write cleared every modified mark.
        VirtualAdapter::instance().clearLog();
        click("pbtn_read_fix");
        QCOMPARE(mailboxRequests(), QStringList());

        // The button entry sends its command; the device restores its default 250.
        auto *restore = table()->findChild<QPushButton *>();
        QVERIFY(restore);
        QTest::mouseClick(restore, Qt::LeftButton);
        QCOMPARE(mailboxRequests(), QStringList{"w 2/0 82"});
        QCOMPARE(deviceValue(102), QByteArray("00fa"));
    }

    void largeRecordGoesBySubindex()
    {
        QVERIFY(makePage("ObserverRoleMenuSet"));
        setDeviceValue(110, 1, "000186a0");
        setDeviceValue(110, 2, "1234");
        click("pbtn_read");
        QCOMPARE(mailboxRequests(), (QStringList{"r 102/0 0", "r 110/1 4", "r 110/2 2"}));
        QCOMPARE(valueText("First") + " " + valueText("Last") + " " + valueText("Level"), QString("100000 4660 -12.3"));

        typeValue("Last", "999");
        VirtualAdapter::instance().clearLog();
        click("pbtn_write_fix");
        // Level is restricted to "ro" by this menu and stays unwritten.
        QCOMPARE(mailboxRequests(), (QStringList{"w 110/1 000186a0", "w 110/2 03e7"}));
        QCOMPARE(deviceValue(110, 2), QByteArray("03e7"));
    }

    void inactivePortSendsNothing()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        common::instance()->activePorts = {0, 2};
        QSignalSpy loading(common::instance(), &common::sig_openLoading);
        int clicked = 0;
        for (QPushButton *b : m_page->findChildren<QPushButton *>()) // the form's and the entry's buttons
            if (b->isVisible() && ++clicked)
                QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(clicked, 4);
        QVERIFY(VirtualAdapter::instance().log().isEmpty() && loading.isEmpty());
    }

    void faultDuringReadEndsTheOperation_data()
    {
        QTest::addColumn<bool>("deletePage");
        QTest::newRow("adapter unplugged") << false;
        QTest::newRow("page deleted, as when another port is picked") << true;
    }
    void faultDuringReadEndsTheOperation()
    {
        QFETCH(bool, deletePage);
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        QSignalSpy loading(common::instance(), &common::sig_openLoading);
        int reportsBeforeFault = -1;
        QObject fault; // the timer dies with this case, even when it fails early
        QTimer::singleShot(300, &fault, [this, deletePage, &reportsBeforeFault]() {
            reportsBeforeFault = VirtualAdapter::instance().log().size();
            if (!deletePage)
                VirtualAdapter::instance().faults().unplugged = true;
            else
                cleanup();
        });
        click("pbtn_read");

        // The fault came in the middle of the read, and not one report reached
        // the adapter after it: the read did not go on with the remaining indexes.
        QVERIFY(reportsBeforeFault > 0);
        QCOMPARE(VirtualAdapter::instance().log().size(), reportsBeforeFault);
        QVERIFY(mailboxRequests().size() < 6 && !common::instance()->modbus->busy);
        QCOMPARE(m_page.isNull(), deletePage);
        QVERIFY(loading.size() == 2 && !loading.last().at(0).toBool());
    }
};

QTEST_MAIN(tst_parameterview)
#include "tst_parameterview.moc"
