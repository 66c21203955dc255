// The parameter page against the virtual adapter: what it reads and writes.

#include "description/analyiodd.h"
#include "description/analyioddfile.h"
#include "iodddevice.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "params/widget_parameter.h"
#include "simhelpers.h"
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

// The fixture's device, with ISDU errors for chosen indexes.
struct FaultyDevice : VirtualDevice
{
    std::unique_ptr<IoddDevice> inner;
    QMap<quint16, quint16> readErrors, writeErrors;
    quint16 vendorId() const override { return inner->vendorId(); }
    quint32 deviceId() const override { return inner->deviceId(); }
    IsduAnswer readIsdu(quint16 index, quint8 sub) override
    {
        return readErrors.contains(index) ? IsduAnswer::fail(readErrors.value(index)) : inner->readIsdu(index, sub);
    }
    IsduAnswer writeIsdu(quint16 index, quint8 sub, const QByteArray &data) override
    {
        return writeErrors.contains(index) ? IsduAnswer::fail(writeErrors.value(index))
                                           : inner->writeIsdu(index, sub, data);
    }
};

} // namespace

class tst_parameterview : public QObject
{
    Q_OBJECT

    IoddDevice *m_device = nullptr;
    FaultyDevice *m_faulty = nullptr;
    widget_Port *m_host = nullptr;
    QPointer<widget_Parameter> m_page;

    bool makePage(const QString &role)
    {
        analyIoddFile description;
        if (description.load(fixturePath) != 0)
            return false;
        m_host = new widget_Port;
        m_page = m_host->createParameterView(role, testPort, description, analyIODD(fixturePath).readDeviceInfo());
        m_host->show();
        return QTest::qWaitForWindowExposed(m_host) && m_page;
    }
    QTableWidget *table() const { return m_page->findChild<QTableWidget *>(QString("table_param")); }
    void click(const char *name) { QTest::mouseClick(m_page->findChild<QPushButton *>(name), Qt::LeftButton); }
    int rowOf(const QString &label) const
    {
        int row = 0; // the first row of that label, shown alone or after its menu path
        while (row < table()->rowCount() && table()->item(row, 0)->text() != label
               && !table()->item(row, 0)->text().endsWith(" › " + label))
            ++row;
        return row < table()->rowCount() ? row : -1;
    }
    QString valueText(const QString &label) const
    {
        const int row = rowOf(label);
        return row < 0 ? "<no row " + label + ">" : table()->item(row, 2)->text();
    }
    // Clicks a choice cell, which opens its combo box, and picks `text` from it.
    void chooseValue(const QString &label, const QString &text)
    {
        const int row = rowOf(label);
        QVERIFY(row >= 0);
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, table()->visualItemRect(table()->item(row, 2)).center());
        QComboBox *combo = nullptr;
        QTRY_VERIFY((combo = table()->viewport()->findChild<QComboBox *>()) != nullptr);
        combo->hidePopup();
        combo->setCurrentIndex(combo->findText(text));
        emit combo->activated(combo->currentIndex());
        QTRY_COMPARE(table()->item(row, 2)->text(), text);
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
        auto faulty = std::make_unique<FaultyDevice>();
        faulty->inner = std::move(device);
        m_faulty = faulty.get();
        adapter.setPort(testPort, VirtualAdapter::Mode::IoLinkOperate, std::move(faulty));
        adapter.faults().isduLatencyMs = 0;

        QVERIFY(simhelpers::openHubLink()); // a fresh handle for every case
        common::instance()->activePorts = {testPort};
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
        // Nothing read yet: combo boxes show no choice, and nothing counts as edited.
        QCOMPARE(valueText("Mode"), QString());
        click("pbtn_read_fix");
        QCOMPARE(mailboxRequests(), QStringList());

        click("pbtn_read");
        // One read per index: the record's items and its second listing come from the first read;
        // "wo" is never read.
        QCOMPARE(mailboxRequests(), (QStringList{"r 100/0 0", "r 101/0 0", "r 102/0 0", "r 64/0 0", "r 103/0 0"}));
        QVERIFY(!common::instance()->modbus->busy);
        QStringList shown;
        for (const char *label : {"Low", "High", "Mode", "Level", "Name", "Count"})
            shown << valueText(label);
        QCOMPARE(shown, (QStringList{"5", "7", "Fast", "-12.3", "hello", "7"}));
        const int level = rowOf("Level");
        QCOMPARE(table()->item(level, 3)->text() + " " + table()->item(level, 4)->text(), QString("°C 25.0"));
        QVERIFY(m_page->statusText().startsWith("读取完成"));
        // The label listed in two menus shows its menu path.
        QCOMPARE(table()->item(rowOf("Low"), 0)->text(), QString("Parameter › Low"));

        // Showing what was read marks nothing edited.
        VirtualAdapter::instance().clearLog();
        click("pbtn_read_fix");
        QCOMPARE(mailboxRequests(), QStringList());
        QCOMPARE(m_page->unwrittenEdits(), 0);
    }

    void writeSendsOnlyEditsAndReadsThemBack()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        click("pbtn_read");
        typeValue("Level", "-5.5");
        typeValue("High", "200");
        chooseValue("Mode", "Off");
        QCOMPARE(m_page->unwrittenEdits(), 3);
        QVERIFY(table()->item(rowOf("Level"), 2)->font().bold());

        VirtualAdapter::instance().clearLog();
        click("pbtn_write_fix");
        // The record keeps the device's Low (5); the untouched string is not sent; each written
        // variable is read back.
        QCOMPARE(mailboxRequests(),
                 (QStringList{"w 100/0 c805", "w 101/0 00", "w 102/0 ffc9", "r 100/0 0", "r 101/0 0", "r 102/0 0"}));
        QCOMPARE(deviceValue(100) + deviceValue(101) + deviceValue(102), QByteArray("c80500ffc9"));
        QCOMPARE(m_page->unwrittenEdits(), 0);
        QVERIFY(!table()->item(rowOf("Level"), 2)->font().bold());
        QVERIFY2(m_page->statusText().startsWith("已写入 100: c8 05"), qPrintable(m_page->statusText()));

        // The button entry sends its command; the device restores its default 250.
        VirtualAdapter::instance().clearLog();
        auto *restore = table()->findChild<QPushButton *>();
        QVERIFY(restore);
        QTest::mouseClick(restore, Qt::LeftButton);
        QCOMPARE(mailboxRequests(), QStringList{"w 2/0 82"});
        QCOMPARE(deviceValue(102), QByteArray("00fa"));
    }

    // Before a read, an edit has nothing to compare with: it is never sent.
    void writeBeforeReadSendsNothing()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        typeValue("Level", "10.0");
        click("pbtn_write_fix");
        QCOMPARE(mailboxRequests(), QStringList());
        QCOMPARE(deviceValue(102), QByteArray("ff85"));
        QCOMPARE(m_page->statusText(), QString("没有要写入的修改"));
    }

    // A failed read shows an empty, greyed cell with the reason; a refused write restores the
    // device's value and names the reason.
    void deviceErrorsAreShown()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        m_faulty->readErrors = {{101, 0x8011}, {64, 0x8023}};
        m_faulty->writeErrors = {{102, 0x8030}};
        click("pbtn_read");
        QCOMPARE(valueText("Mode"), QString()); // never the first entry
        QVERIFY(table()->item(rowOf("Mode"), 2)->toolTip().contains("0x8011 Index not available"));
        const QTableWidgetItem *name = table()->item(rowOf("Name"), 2);
        QVERIFY(name->text().isEmpty() && name->toolTip().contains("0x8023"));
        QVERIFY2(m_page->statusText().contains("2 个失败"), qPrintable(m_page->statusText()));

        typeValue("Level", "50.0");
        click("pbtn_write_fix");
        QCOMPARE(valueText("Level"), QString("-12.3"));
        QVERIFY2(m_page->statusText().contains("0x8030"), qPrintable(m_page->statusText()));
        // Unread entries are never written.
        QVERIFY(!mailboxRequests().join(' ').contains("w 64") && !mailboxRequests().join(' ').contains("w 101"));
    }

    // A mailbox that answers late gives no value rather than a wrong one.
    void lateMailbox_data()
    {
        QTest::addColumn<int>("latencyMs");
        QTest::addColumn<QString>("level");
        QTest::newRow("0 ms") << 0 << "-12.3";
        QTest::newRow("150 ms") << 150 << "-12.3";
        QTest::newRow("450 ms: no answer") << 450 << "";
    }
    void lateMailbox()
    {
        QFETCH(int, latencyMs);
        VirtualAdapter::instance().faults().isduLatencyMs = latencyMs;
        QVERIFY(makePage("ObserverRoleMenuSet"));
        click("pbtn_read");
        QTEST(valueText("Level"), "level");
        QCOMPARE(m_page->statusText().contains("失败"), latencyMs > 400);
    }

    void stopEndsReadAll()
    {
        VirtualAdapter::instance().faults().isduLatencyMs = 100;
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        QObject timer;
        QTimer::singleShot(150, &timer, [this] { click("pbtn_stop"); });
        click("pbtn_read");
        QVERIFY(mailboxRequests().size() < 5);
        QVERIFY2(m_page->statusText().startsWith("已停止"), qPrintable(m_page->statusText()));
        QVERIFY(!common::instance()->modbus->busy && m_page->findChild<QPushButton *>("pbtn_read")->isEnabled());
    }

    void unwrittenEditsAreOfferedForDiscard()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        QVERIFY(m_page->confirmDiscard()); // nothing to lose
        click("pbtn_read");
        typeValue("High", "9");
        for (const auto &[button, kept] : {std::pair{QMessageBox::Cancel, false}, {QMessageBox::Discard, true}}) {
            QTimer::singleShot(0, this, [button = button] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                    box->button(button)->click();
            });
            QCOMPARE(m_page->confirmDiscard(), kept);
        }
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
        // Only the edited item goes, by its subindex, and is read back.
        QCOMPARE(mailboxRequests(), (QStringList{"w 110/2 03e7", "r 110/2 2"}));
        QCOMPARE(deviceValue(110, 2), QByteArray("03e7"));
    }

    void inactivePortSendsNothing()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        common::instance()->activePorts = {0, 2};
        int clicked = 0;
        for (QPushButton *b : m_page->findChildren<QPushButton *>()) // the form's and the entry's buttons
            if (b->isVisible() && b->isEnabled() && ++clicked)
                QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(clicked, 6); // read, read modified, write, save, load, and the entry's button
        QVERIFY(VirtualAdapter::instance().log().isEmpty());
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
        VirtualAdapter::instance().faults().isduLatencyMs = 100;
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
        QVERIFY(mailboxRequests().size() < 5 && !common::instance()->modbus->busy);
        QCOMPARE(m_page.isNull(), deletePage);
    }
};

QTEST_MAIN(tst_parameterview)
#include "tst_parameterview.moc"
