// The parameter page against the virtual adapter: what it reads and writes.

#include "parameterpagedriver.h"
#include "widgets/comboboxdelegate.h"
#include "widgets/writeconfirmation.h"

using namespace ParameterPageDriver;

class tst_parameterview : public QObject
{
    Q_OBJECT

    Device *m_faulty = nullptr;
    BasicInfoPage *m_host = nullptr;
    QPointer<ParameterPage> m_page;

    bool makePage(const QString &role) { return (m_page = openPage(m_host = new BasicInfoPage, role)); }
    QTableWidget *table() const { return ParameterPageDriver::table(m_page); }
    // Clicks a button and waits for the operation it started to end.
    void click(const char *name)
    {
        QTest::mouseClick(m_page->findChild<QPushButton *>(name), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_page || !m_page->isRunning(), 10000);
        QVERIFY(SimHelpers::linkIdle());
    }
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

    QStringList m_asked; // questions before system commands
    bool m_answer = true;

private slots:
    void initTestCase()
    {
        WriteConfirmation::setAskFunction([this](const QString &, const QString &text, bool, bool *) {
            m_asked << text;
            return m_answer;
        });
    }
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
        // One read per index: Mode first, as a menu's condition; the record's items and its second
        // listing come from the first read; "wo" is never read.
        QCOMPARE(mailboxRequests(),
                 (QStringList{"r 101/0 0", "r 100/0 0", "r 102/0 0", "r 64/0 0", "r 103/0 0", "r 105/0 0"}));
        QVERIFY(SimHelpers::linkIdle());
        QStringList shown;
        for (const char *label : {"Low", "High", "Mode", "Level", "Name", "Count"})
            shown << valueText(label);
        QCOMPARE(shown, (QStringList{"5", "7", "Fast", "-12.3", "hello", "7"}));
        const int level = rowOf("Level");
        QCOMPARE(table()->item(level, 3)->text() + " " + table()->item(level, 4)->text(), QString("°C 25.0 °C"));
        QVERIFY(m_page->statusText().startsWith("读取完成"));
        // The label listed in two menus shows its menu path.
        QCOMPARE(table()->item(rowOf("Low"), 0)->text(), QString("Parameter › Low"));

        // Showing what was read marks nothing edited.
        VirtualAdapter::instance().clearLog();
        click("pbtn_read_fix");
        QCOMPARE(mailboxRequests(), QStringList());
        QCOMPARE(m_page->unwrittenEdits(), 0);
    }

    // Edits go even before a read; after a read only edits go, an item with its record as read, so that
    // its other items go back as the device holds them.
    void writeSendsOnlyEditsAndReadsThemBack()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        click("pbtn_write_fix");
        QCOMPARE(mailboxRequests(), QStringList());
        QCOMPARE(m_page->statusText(), QString("没有要写入的修改"));
        typeValue("Level", "10.0");
        typeValue("High", "200");
        click("pbtn_write_fix");
        // The record allows subindex access: its item goes alone, without a read first.
        QCOMPARE(mailboxRequests(), (QStringList{"w 100/2 c8", "w 102/0 0064", "r 100/0 0", "r 102/0 0"}));
        QCOMPARE(m_page->unwrittenEdits(), 0);
        QCOMPARE(deviceValue(100), QByteArray("c805"));

        click("pbtn_read");
        typeValue("Level", "-5.5");
        typeValue("High", "199");
        chooseValue("Mode", "Off");
        QCOMPARE(m_page->unwrittenEdits(), 3);
        QVERIFY(table()->item(rowOf("Level"), 2)->font().bold());

        VirtualAdapter::instance().clearLog();
        click("pbtn_write_fix");
        // The record keeps the device's Low (5); the untouched string is not sent; each written
        // variable is read back.
        QCOMPARE(mailboxRequests(),
                 (QStringList{"w 100/0 c705", "w 101/0 00", "w 102/0 ffc9", "r 100/0 0", "r 101/0 0", "r 102/0 0"}));
        QCOMPARE(deviceValue(100) + deviceValue(101) + deviceValue(102), QByteArray("c70500ffc9"));
        QCOMPARE(m_page->unwrittenEdits(), 0);
        QVERIFY(!table()->item(rowOf("Level"), 2)->font().bold());
        QVERIFY2(m_page->statusText().startsWith("已写入 High (100): c7 05"), qPrintable(m_page->statusText()));

        // The button entry sends its command once the user agreed; the device restores its default 250.
        VirtualAdapter::instance().clearLog();
        auto *restore = table()->findChild<QPushButton *>();
        QVERIFY(restore);
        m_asked.clear();
        m_answer = false;
        QTest::mouseClick(restore, Qt::LeftButton);
        QVERIFY(SimHelpers::linkIdle() && mailboxRequests().isEmpty());
        QVERIFY2(m_asked.size() == 1 && m_asked.first().contains("Port") && m_asked.first().contains("(2 = 130)"),
                 qPrintable(m_asked.join('|')));
        m_answer = true;
        QTest::mouseClick(restore, Qt::LeftButton);
        QVERIFY(SimHelpers::linkIdle());
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

        // "Access denied": the locks are read to say why, though the page never read them; words only
        // while the parameter lock is set.
        m_faulty->writeErrors = {{102, 0x8023}};
        for (const char *locks : {"0000", "0001"}) {
            m_faulty->readInstead = {{12, QByteArray::fromHex(locks)}};
            typeValue("Level", "50.0");
            VirtualAdapter::instance().clearLog();
            click("pbtn_write_fix");
            QVERIFY2(mailboxRequests().mid(0, 2) == (QStringList{"w 102/0 01f4", "r 12/0 0"}),
                     qPrintable(mailboxRequests().join('|')));
            QCOMPARE(m_page->statusText().contains("访问锁锁定"), locks == QByteArray("0001"));
        }
    }

    // The search narrows the rows by label, value, index (decimal, hex, with subindex); the menu tree by
    // menu, only menus with rows in it; the details line names the selected row's index.
    void searchAndMenusNarrowTheRows()
    {
        setDeviceValue(101, 0, QByteArray::fromHex("02")); // Fast: its menu appears once read
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        QCOMPARE(table()->item(rowOf("Mode"), 4)->text(), QString("Slow")); // the default by its name
        auto *tree = m_page->findChild<QTreeWidget *>("tree_menus");
        auto *search = m_page->findChild<QLineEdit *>("edit_search");
        const auto menus = [tree] {
            QStringList names;
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                names << (*it)->text(0);
            return names;
        };
        QVERIFY2(!menus().contains("Fast settings"), qPrintable(menus().join('|')));
        click("pbtn_read");
        QVERIFY2(menus().contains("Fast settings"), qPrintable(menus().join('|')));
        const auto shown = [this] {
            QStringList rows;
            for (int row = 0; row < table()->rowCount(); ++row)
                if (!table()->isRowHidden(row))
                    rows << table()->item(row, 0)->text();
            return rows;
        };
        const int all = shown().size();
        for (const char *text : {"level", "102", "0x66", " 102 "}) {
            search->setText(text);
            QCOMPARE(shown(), (QStringList{"Parameter › Level", "Parameter › Fast settings › Level"}));
        }
        search->setText("100:2");
        QCOMPARE(shown(), QStringList{"High"});
        search->setText("fast"); // the value of both Mode rows, and the menu's name in their labels
        QVERIFY(shown().contains("Parameter › Mode") && shown().contains("Parameter › Fast settings › Mode"));
        search->setText("no such thing");
        QVERIFY(shown().isEmpty());
        search->clear();
        QCOMPARE(shown().size(), all);

        QList<QTreeWidgetItem *> details = tree->findItems("Details", Qt::MatchRecursive);
        QCOMPARE(details.size(), 1);
        tree->setCurrentItem(details.first());
        QCOMPARE(shown(), QStringList{"Parameter › Details › Low"});
        search->setText("High"); // search and menu together
        QVERIFY(shown().isEmpty());
        search->clear();
        tree->setCurrentItem(tree->topLevelItem(0));
        QCOMPARE(shown().size(), all);

        table()->setCurrentCell(rowOf("High"), 0);
        QVERIFY2(m_page->findChild<QLabel *>("label_details")->text().startsWith("High（索引 100:2）"),
                 qPrintable(m_page->findChild<QLabel *>("label_details")->text()));
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
        QTimer::singleShot(
            150, &timer, [this] { QTest::mouseClick(m_page->findChild<QPushButton *>("pbtn_stop"), Qt::LeftButton); });
        click("pbtn_read");
        QVERIFY(mailboxRequests().size() < 5);
        QVERIFY2(m_page->statusText().startsWith("已停止"), qPrintable(m_page->statusText()));
        QVERIFY(SimHelpers::linkIdle() && m_page->findChild<QPushButton *>("pbtn_read")->isEnabled());
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
        QCOMPARE(mailboxRequests(), (QStringList{"r 102/0 0", "r 110/1 0", "r 110/2 0"}));
        QCOMPARE(valueText("First") + " " + valueText("Last") + " " + valueText("Level"), QString("100000 4660 -12.3"));

        typeValue("Last", "999");
        VirtualAdapter::instance().clearLog();
        click("pbtn_write_fix");
        // Only the edited item goes, by its subindex, and is read back.
        QCOMPARE(mailboxRequests(), (QStringList{"w 110/2 03e7", "r 110/2 0"}));
        QCOMPARE(deviceValue(110, 2), QByteArray("03e7"));
    }

    // A record without subindex access, listed item by item: an edited item goes as the whole record
    // last read, every other bit as the device sent it, even bits no row shows.
    void recordItemWriteKeepsTheOtherBits()
    {
        setDeviceValue(101, 0, QByteArray::fromHex("02"));   // Fast: the menu listing the record's items
        setDeviceValue(105, 0, QByteArray::fromHex("a5c9")); // Spare a5, Nibble c, bits 3..1 100, Lock on
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        click("pbtn_read");
        QCOMPARE(valueText("Flags.Lock") + " " + valueText("Flags.Nibble"), QString("true 12"));
        VirtualAdapter::instance().clearLog();
        chooseValue("Flags.Lock", "false");
        typeValue("Flags.Nibble", "3");
        click("pbtn_write_fix");
        QCOMPARE(mailboxRequests(), (QStringList{"w 105/0 a538", "r 105/0 0"}));
        QCOMPARE(deviceValue(105), QByteArray("a538"));
        QCOMPARE(m_page->unwrittenEdits(), 0);
    }

    // A menu with a condition is shown while its variable holds the value: after the read that finds
    // it so, and after the write that makes it so.
    void conditionalMenuFollowsItsVariable()
    {
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        QCOMPARE(rowOf("Flags.Lock"), -1); // not known yet
        click("pbtn_read");
        QCOMPARE(valueText("Mode"), QString("Slow"));
        QCOMPARE(rowOf("Flags.Lock"), -1);
        QVERIFY(!mailboxRequests().join(' ').contains("105/"));

        chooseValue("Mode", "Fast");
        QCOMPARE(rowOf("Flags.Lock"), -1); // not yet written
        setDeviceValue(105, 0, QByteArray::fromHex("0001"));
        VirtualAdapter::instance().clearLog();
        click("pbtn_write_fix");
        // The menu it opens is read at once; the write's outcome stays on the status line.
        QCOMPARE(mailboxRequests(), (QStringList{"w 101/0 02", "r 101/0 0", "r 105/0 0"}));
        QCOMPARE(valueText("Flags.Lock"), QString("true"));
        QVERIFY2(m_page->statusText().startsWith("已写入 Mode (101): 02"), qPrintable(m_page->statusText()));

        // Changed on the device behind the page's back: the next read finds the menu gone, and the
        // condition is read once, first.
        setDeviceValue(101, 0, QByteArray::fromHex("00"));
        VirtualAdapter::instance().clearLog();
        click("pbtn_read");
        QCOMPARE(rowOf("Flags.Lock"), -1);
        const QStringList requests = mailboxRequests();
        QCOMPARE(requests.first(), QString("r 101/0 0"));
        QCOMPARE(requests.count("r 101/0 0"), 1);

        // A write before any read reads the menu it opens, nothing else.
        cleanup();
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        chooseValue("Mode", "Fast");
        VirtualAdapter::instance().clearLog();
        click("pbtn_write_fix");
        QCOMPARE(mailboxRequests(), (QStringList{"w 101/0 02", "r 101/0 0", "r 105/0 0"}));
    }

    // One variable listed in several rows, units and roles has one state: reading marks none edited,
    // an edit in one row shows in the others and is written once.
    void oneVariableOneState()
    {
        setDeviceValue(101, 0, QByteArray::fromHex("02"));
        QVERIFY(makePage("SpecialistRoleMenuSet"));
        click("pbtn_read");
        const int fahrenheit = rowOf("Parameter › Fast settings › Level");
        QVERIFY(fahrenheit >= 0);
        QCOMPARE(table()->item(fahrenheit, 2)->text() + " " + table()->item(fahrenheit, 3)->text(), QString("9.9 °F"));
        QCOMPARE(m_page->unwrittenEdits(), 0);

        // A read-only choice is shown as text: no drop-down is drawn or opened.
        const int readOnlyMode = rowOf("Parameter › Fast settings › Mode");
        QVERIFY(readOnlyMode >= 0);
        QCOMPARE(table()->item(readOnlyMode, 2)->text(), QString("Fast"));
        QVERIFY(!qobject_cast<ComboBoxDelegate *>(table()->itemDelegateForRow(readOnlyMode)));
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {},
                          table()->visualItemRect(table()->item(readOnlyMode, 2)).center());
        QTest::qWait(50);
        QVERIFY(!table()->viewport()->findChild<QComboBox *>());

        typeValue("Parameter › Fast settings › Level", "50.0"); // 10 °C
        QCOMPARE(valueText("Level"), QString("10.0"));
        QCOMPARE(m_page->unwrittenEdits(), 1);
        // Typed back to what the device holds: no longer an edit.
        typeValue("Level", "-12.3");
        QCOMPARE(m_page->unwrittenEdits(), 0);

        // Another role starts from what the device sent, with nothing edited, and back again.
        for (const char *role : {"ObserverRoleMenuSet", "MaintenanceRoleMenuSet", "SpecialistRoleMenuSet"}) {
            m_page->setRole(role);
            QCOMPARE(m_page->unwrittenEdits(), 0);
            QCOMPARE(valueText("Level"), QString("-12.3"));
            for (int row = 0; row < table()->rowCount(); ++row)
                QVERIFY2(!table()->item(row, 2)->font().bold(), qPrintable(table()->item(row, 0)->text()));
        }
        VirtualAdapter::instance().clearLog();
        click("pbtn_write_fix");
        QCOMPARE(mailboxRequests(), QStringList());
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

    // The page goes in the middle of a read, as when another port is picked: no report reaches the adapter
    // after the one on its way then, and the link is free.
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
        const int after = VirtualAdapter::instance().log().size();
        QTest::qWait(300);
        QVERIFY(after <= reportsBeforeFault + 1 && VirtualAdapter::instance().log().size() == after);
        QVERIFY(mailboxRequests().size() < 5 && SimHelpers::linkIdle());
    }
};

QTEST_MAIN(tst_parameterview)
#include "tst_parameterview.moc"
