// The input page: table and tiles refreshed from register data, polling on the virtual adapter.

#include "procdata/lamptile.h"
#include "procdata/processdatainpage.h"
#include "procdatafixtures.h"
#include "resources/hub8resources.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTableWidget>
#include <QTranslator>

#include <memory>

using namespace ProcDataFixtures;

class tst_processinput : public QObject
{
    Q_OBJECT

    QByteArray m_input = QByteArray(4, '\0');
    VirtualAdapter &m_adapter = VirtualAdapter::instance();

    static QTableWidget *table(const ProcessDataInPage &page) { return page.findChild<QTableWidget *>("table"); }
    static QStringList column(const ProcessDataInPage &page, int c, int role = Qt::DisplayRole)
    {
        QStringList texts;
        const auto *table = page.findChild<QTableWidget *>("table");
        for (int row = 0; row < table->rowCount(); ++row)
            texts << table->item(row, c)->data(role).toString();
        return texts;
    }

private slots:
    void initTestCase() { initHub8Resources(); }
    void init() { setUpAdapter(1, &m_input); }

    void refresh_data()
    {
        QTest::addColumn<TreeItem>("pd");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("tips");
        const auto u = [](const char *bits, const char *lo, const char *hi) { return item("UIntegerT", bits, lo, hi); };
        const auto i = [](const char *bits, const char *lo, const char *hi) { return item("IntegerT", bits, lo, hi); };

        // 06 67 = 1639 x 0.1 °C; 0x34 = 52 is an entry; fe = -2.
        ValueItem named = u("8", "0", "10");
        named.editor.entries = {{"fifty-two", "52"}};
        QTest::newRow("scaled with unit, entry, signed")
            << node(32, {at(i("16", "-2000", "2000"), 16, "0.1", "°C"), at(named, 8), at(i("8", "-128", "127"), 0)})
            << hex("06 67 34 fe") << QStringList{"163.9 °C", "fifty-two", "-2"}
            << QStringList{"raw 1639", "raw 52", "raw -2"};
        QTest::newRow("item beyond a short read")
            << node(32, {at(u("16", "0", "65535"), 16), at(u("8", "0", "255"), 0)}) << hex("12")
            << QStringList{ProcessDataCodec::missingText(), "18"} << QStringList{QString(), "raw 18"};
    }

    void refresh()
    {
        QFETCH(TreeItem, pd);
        QFETCH(QByteArray, data);
        ProcessDataInPage page;
        page.setProcessData(pd);
        page.refresh(QByteArray(4, '\x11'));
        page.refresh(data);
        QTEST(column(page, 2), "expected");
        // The tooltip gives the raw value of the last read, or nothing for an item the read did not reach.
        QTEST(column(page, 2, Qt::ToolTipRole), "tips");
        // A copy of a cell is still a value cell, with its tooltip.
        const QTableWidgetItem *cell = page.findChild<QTableWidget *>("table")->item(0, 2);
        const std::unique_ptr<QTableWidgetItem> copy(cell->clone());
        QVERIFY(copy->type() == cell->type() && copy->toolTip() == cell->toolTip() && copy->text() == cell->text());

        // The same octets under another layout are read anew, not taken from the poll before.
        const TreeItem other = node(32, {at(item("IntegerT", "16", "-32768", "32767"), 8)});
        page.setProcessData(other);
        page.refresh(data);
        ProcessDataInPage fresh;
        fresh.setProcessData(other);
        fresh.refresh(data);
        QCOMPARE(column(page, 2), column(fresh, 2));
        QVERIFY(!column(page, 2).constFirst().isEmpty());
    }

    // After a switch of language a poll writes its texts anew, also when it reads the same octets.
    void languageSwitchRewritesTheSameOctets()
    {
        ProcessDataInPage page;
        page.setProcessData(node(32, {at(item("UIntegerT", "16", "0", "65535"), 16)}));
        page.refresh(hex("12")); // too short for the item: it shows the missing-data text
        const QString before = column(page, 2).constFirst();
        class Bracketed : public QTranslator
        {
        public:
            bool isEmpty() const override { return false; }
            QString translate(const char *, const char *source, const char *, int) const override
            {
                return QLatin1Char('[') + QString::fromUtf8(source) + QLatin1Char(']');
            }
        } bracketed;
        QCoreApplication::installTranslator(&bracketed);
        QCoreApplication::sendPostedEvents(); // the switch reaches the page
        page.refresh(hex("12"));
        const QString after = column(page, 2).constFirst();
        QCoreApplication::removeTranslator(&bracketed);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(after, QLatin1Char('[') + before + QLatin1Char(']'));
    }

    // Tiles fill rows in order, as many to a row as the tile area's width takes; a long name wraps instead
    // of widening every tile (dozens of bits must not push the window past the screen).
    void tilesInGridOrder()
    {
        ProcessDataInPage page;
        page.setProcessData(node(16,
                                 {item("UIntegerT", "8", "0", "255", {}, "9"), at(flag("1"), 8), at(flag("2"), 9),
                                  at(flag("3"), 10), at(flag("4"), 11), at(flag("5"), 12), at(flag("6"), 13)}));
        page.resize(1000, 600);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QVERIFY(!page.tile("UIntegerT9"));
        page.refresh(hex("0d 00")); // bits 8..13 are the six flags
        auto *grid = page.findChild<QGridLayout *>("layout_g");
        const auto positions = [&] {
            QVector<QPair<int, int>> at;
            for (int i = 0; i < 6; ++i) {
                int row = -1, col = -1, rowSpan = 0, colSpan = 0;
                grid->getItemPosition(grid->indexOf(page.tile(QStringLiteral("BooleanT%1").arg(i + 1))), &row, &col,
                                      &rowSpan, &colSpan);
                at.append({row, col});
            }
            return at;
        };
        const auto rowMajor = [&](int perRow) {
            for (int i = 0; i < 6; ++i) {
                if (positions().at(i) != qMakePair(i / perRow, i % perRow))
                    return false;
            }
            return true;
        };
        int wide = 0;
        while (wide < 6 && positions().at(wide).first == 0)
            ++wide;
        QVERIFY2(wide >= 2 && rowMajor(wide), qPrintable(QString::number(wide)));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(page.tile(QStringLiteral("BooleanT%1").arg(i + 1))->state(), bool((0x0d >> i) & 1));
        // The tile area narrowed: fewer tiles a row, the same order.
        auto *splitter = page.findChild<QSplitter *>("splitter");
        splitter->setSizes({splitter->width() - 120, 120});
        QTRY_VERIFY(positions().at(1).first == 1);
        QVERIFY(rowMajor(1));

        // A long name wraps within a bounded tile, whole in the tool tip.
        ValueItem warning = at(flag("7"), 14);
        warning.label = "Device warning, temperature above limit of the sensor element";
        page.setProcessData(node(16, {item("UIntegerT", "8", "0", "255", {}, "9"), warning}));
        const LampTile *tile = page.tile(warning.label);
        QVERIFY(tile && tile->minimumWidth() < tile->fontMetrics().horizontalAdvance(warning.label));
        QCOMPARE(tile->toolTip(), warning.label);
        QVERIFY(tile->findChild<QLabel *>("label_name")->wordWrap());

        page.setProcessData(node(16, {item("UIntegerT", "16", "0", "65535")}));
        QVERIFY(page.findChild<QWidget *>("widget_bool")->isHidden() && page.findChildren<LampTile *>().isEmpty());
    }

    void pollingFollowsTheDevice()
    {
        ProcessDataInPage page;
        page.setPort(1);
        page.setProcessData(builtinProcessData(true));
        page.show();
        QSignalSpy started(&page, &ProcessDataInPage::pollingChanged);
        auto *start = page.findChild<QPushButton *>("pbtn_start");
        auto *stop = page.findChild<QPushButton *>("pbtn_stop");

        LinkHub::instance()->setActivePorts({}); // a port not in use does not start
        start->click();
        QVERIFY(!page.isPolling() && started.isEmpty() && start->isEnabled());
        LinkHub::instance()->setActivePorts({1});

        m_input = hex("04 b0 07 5a"); // pressure 1200 x 0.1 bar; temperature 235 x 0.1 °C at bit 3; OUT2
        start->click();
        QVERIFY(page.isPolling() && !start->isEnabled() && stop->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(column(page, 2), (QStringList{"Off", "On", "false", "23.5 °C", "120.0 bar"}), 2000);
        QVERIFY(!page.tile("OUT1")->state() && page.tile("OUT2")->state());
        QCOMPARE(frameHead(0, 6), hex("01 03 90 20 00 02"));
        m_input = hex("0f a0 00 05"); // pressure 4000, temperature 0, warning and OUT1 on
        QTRY_COMPARE_WITH_TIMEOUT(column(page, 2), (QStringList{"On", "Off", "true", "0.0 °C", "400.0 bar"}), 2000);
        QVERIFY(page.tile("OUT1")->state() && page.tile("Device warning")->state());

        // The adapter falls silent: the page's own read goes unanswered, and polling goes on. While it is
        // silent, turns pass without a request; polling takes up again once it answers.
        m_adapter.faults().silent = true;
        QTRY_VERIFY_WITH_TIMEOUT(LinkHub::instance()->link()->isSilent(), 3000);
        QVERIFY(page.isPolling() && stop->isEnabled());
        m_adapter.clearLog();
        QTest::qWait(700);
        QVERIFY(m_adapter.log().isEmpty() && page.isPolling());
        // The values say they are old, greyed, until a poll answers again.
        auto *stale = page.findChild<QLabel *>("label_stale");
        QTRY_VERIFY(stale && stale->isVisible() && stale->text().contains("秒前读取"));
        QCOMPARE(table(page)->item(0, 2)->foreground().color(), QColor(Qt::gray));
        m_adapter.faults().silent = false;
        SimHelpers::readRegisters(0x9000, 1);
        QTRY_VERIFY_WITH_TIMEOUT(m_adapter.log().size() > 1, 2000);
        QTRY_VERIFY(!stale->isVisible() && table(page)->item(0, 2)->foreground() == QBrush());

        stop->click();
        QVERIFY(!page.isPolling() && start->isEnabled() && !stop->isEnabled());
        start->click();
        page.hide();
        QVERIFY(!page.isPolling() && start->isEnabled());
        QVERIFY(started.count() == 4 && started.at(0).at(0).toBool() && !started.at(1).at(0).toBool()
                && !started.at(3).at(0).toBool());

        // A failed read ends polling: the values stay, and Start is offered again.
        page.show();
        start->click();
        m_input = QByteArray(4, '\0');
        m_adapter.faults().unplugged = true;
        QTRY_VERIFY_WITH_TIMEOUT(!page.isPolling(), 2000);
        QCOMPARE(column(page, 2), (QStringList{"On", "Off", "true", "0.0 °C", "400.0 bar"}));
        QVERIFY(start->isEnabled() && !stop->isEnabled());
    }
};

QTEST_MAIN(tst_processinput)
#include "tst_processinput.moc"
