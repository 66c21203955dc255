// The parameter page against the virtual adapter: what it reads and writes.

#include "parameterpagedriver.h"

using namespace ParameterPageDriver;

class tst_parameterview : public QObject
{
    Q_OBJECT

    Device *m_faulty = nullptr;
    BasicInfoPage *m_host = nullptr;
    QPointer<ParameterPage> m_page;

    bool makePage(const QString &role) { return (m_page = openPage(m_host = new BasicInfoPage, role)); }
    QTableWidget *table() const { return ParameterPageDriver::table(m_page); }
    void click(const char *name) { QTest::mouseClick(m_page->findChild<QPushButton *>(name), Qt::LeftButton); }
    int rowOf(const QString &label) const { return ParameterPageDriver::rowOf(m_page, label); }
    QString valueText(const QString &label) const { return ParameterPageDriver::valueText(m_page, label); }
    // Clicks a choice cell, which opens its combo box, and picks `text` from it.
    void chooseValue(const QString &label, const QString &text)
    {
        const int row = rowOf(label);
        QVERIFY(row >= 0);
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {},
                          table()->visualItemRect(table()->item(row, 2)).center());
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
    QByteArray deviceValue(quint16 index, quint8 sub = 0) const
    {
        return m_faulty->inner->readIsdu(index, sub).data.toHex();
    }
    void setDeviceValue(quint16 index, quint8 sub, const QByteArray &data)
    {
        QVERIFY(m_faulty->inner->writeIsdu(index, sub, data).ok());
    }

private slots:
    void init()
    {
        QVERIFY(m_faulty = setUp());
        setDeviceValue(64, 0, "hello");
        VirtualAdapter::instance().clearLog();
    }
    void cleanup()
    {
        delete m_host;
        m_host = nullptr;
    }

    void readAllFillsTheTable()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        setDeviceValue(101, 0, QByteArray::fromHex("02")); // Fast
        // Nothing read yet: combo boxes show no choice, and nothing counts as edited.
        QCOMPARE(valueText("Mode"), QString());

        click("pbtn_read");
        // One read per index: the record's items and its second listing come from the first read;
        // "wo" is never read.
        QCOMPARE(mailboxRequests(), (QStringList{"r 100/0 0", "r 101/0 0", "r 102/0 0", "r 64/0 0", "r 103/0 0"}));
        QVERIFY(!LinkHub::instance()->link()->isBusy());
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

    // Before a read an edit has nothing to compare with and is never sent; after it only edits go.
    void writeSendsOnlyEditsAndReadsThemBack()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        typeValue("Level", "10.0");
        click("pbtn_write_fix");
        QCOMPARE(mailboxRequests(), QStringList());
        QCOMPARE(m_page->statusText(), QString("没有要写入的修改"));

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
    void lateMailbox()
    {
        for (const int latencyMs : {150, 450}) { // the second one too late
            cleanup();
            VirtualAdapter::instance().faults().isduLatencyMs = latencyMs;
            QVERIFY(makePage("ObserverRoleMenuSet"));
            click("pbtn_read");
            QCOMPARE(valueText("Level"), QString(latencyMs < 400 ? "-12.3" : ""));
            QCOMPARE(m_page->statusText().contains("失败"), latencyMs > 400);
        }
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
        QVERIFY(!LinkHub::instance()->link()->isBusy() && m_page->findChild<QPushButton *>("pbtn_read")->isEnabled());
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
        setDeviceValue(110, 1, QByteArray::fromHex("000186a0"));
        setDeviceValue(110, 2, QByteArray::fromHex("1234"));
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
        LinkHub::instance()->setActivePorts({0, 2});
        int clicked = 0;
        for (QPushButton *b : m_page->findChildren<QPushButton *>()) // the form's and the entry's buttons
            if (b->isVisible() && b->isEnabled() && ++clicked)
                QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(clicked, 6); // read, read modified, write, save, load, and the entry's button
        QVERIFY(VirtualAdapter::instance().log().isEmpty());
    }

    // The page goes in the middle of a read, as when another port is picked: not one report reaches the
    // adapter after it, and the link is free.
    void pageDeletedDuringReadEndsIt()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        VirtualAdapter::instance().faults().isduLatencyMs = 100;
        int reportsBeforeFault = -1;
        QObject fault; // the timer dies with this case, even when it fails early
        QTimer::singleShot(300, &fault, [this, &reportsBeforeFault]() {
            reportsBeforeFault = VirtualAdapter::instance().log().size();
            cleanup();
        });
        click("pbtn_read");
        QVERIFY(reportsBeforeFault > 0 && m_page.isNull());
        QCOMPARE(VirtualAdapter::instance().log().size(), reportsBeforeFault);
        QVERIFY(mailboxRequests().size() < 5 && !LinkHub::instance()->link()->isBusy());
    }
};

QTEST_MAIN(tst_parameterview)
#include "tst_parameterview.moc"
