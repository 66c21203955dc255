// The input page: the table refreshed from register data, the tiles, and
// polling against the virtual adapter.

#include "procdata/widget_in.h"
#include "procdata/widget_inboolt.h"
#include "procdatafixtures.h"
#include "resources/hub8resources.h"

#include <QGridLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

using namespace fixtures;

class tst_processinput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initHub8Resources(); }
    void init() { setUpAdapter(1, &input); }

    void refresh_data();
    void refresh();
    void rowsOfTheBuiltinDescription();
    void tilesInGridOrder();
    void readsWholeRegisters_data();
    void readsWholeRegisters();
    void pollingFollowsTheDevice();
    void startStopHideAndClean();

private:
    static QStringList column(const widget_in &page, int c, int role = Qt::DisplayRole);

    QByteArray input = QByteArray(4, '\0');
    VirtualAdapter &adapter = VirtualAdapter::instance();
};

QStringList tst_processinput::column(const widget_in &page, int c, int role)
{
    QStringList texts;
    const auto *table = page.findChild<QTableWidget *>("table");
    for (int row = 0; row < table->rowCount(); ++row)
        texts << table->item(row, c)->data(role).toString();
    return texts;
}

void tst_processinput::refresh_data()
{
    QTest::addColumn<treeItem>("pd");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("expected");

    const QString U = QStringLiteral("UIntegerT");
    const QString I = QStringLiteral("IntegerT");
    const auto scaled = [](valueItem v, const char *gradient) {
        v.gradient = QLatin1String(gradient);
        return v;
    };

    QTest::newRow("8/4/4 bits inside limits")
        << node(16, {item(U, "8", "0", "255"), item(U, "4", "0", "15"), item(U, "4", "0", "15")}) << hex("12 34")
        << QStringList{"52", "2", "1"};
    // Values equal to a limit keep the start text: the lower limit, scaled
    // with as many decimals as the gradient needs.
    QTest::newRow("strict limits")
        << node(16, {scaled(item(U, "8", "10", "52"), "0.01"), scaled(item(I, "8", "-128", "127"), "0.5")})
        << hex("80 34") << QStringList{"0.10", "-64.0"};
    QTest::newRow("entry text before limits")
        << node(16, {item(U, "8", "0", "10", {{"fifty-two", "52"}}), item(I, "8", "-5", "5", {{"eighteen", "18"}})})
        << hex("12 34") << QStringList{"fifty-two", "eighteen"};
    QTest::newRow("signed") << node(16, {item(I, "8", "-128", "127"), item(I, "8", "-128", "127")})
                            << hex("85 ff") << QStringList{"-1", "-123"};
    QTest::newRow("one-bit values")
        << node(16, {flag("1", {{"Off", "false"}, {"On", "true"}}), flag("2", {{"Off", "false"}, {"On", "true"}}),
                     flag("3"), flag("4", {{"Aus", "0"}, {"Ein", "1"}}), item(U, "1", "0", "1"),
                     flag("6", {{"only on", "true"}})})
        << hex("00 1d") << QStringList{"On", "Off", "true", "Ein", "true", "false"};
    // Rows take their bits in table order whatever their bit offsets say;
    // rows beyond the data read zeros.
    valueItem high = item(U, "8", "0", "255");
    high.editor.bitOffset = QStringLiteral("8");
    QTest::newRow("packing ignores bit offsets")
        << node(16, {high, item(U, "8", "0", "255"), item(I, "16", "-10", "10")}) << hex("12 34")
        << QStringList{"52", "18", "0"};
    // Whole registers are read: a spare octet behind odd-length data does not count.
    QTest::newRow("float32 after a flag") << node(40, {flag("1"), item("Float32T", QString())})
                                          << hex("00 7f 80 00 01 ee") << QStringList{"true", "1.5"};
    QTest::newRow("8-bit input in one register") << node(8, {item(U, "8", "0", "255")}) << hex("2a ee")
                                                 << QStringList{"42"};
    QTest::newRow("24-bit input in two registers")
        << node(24, {item(U, "16", "0", "65535"), item(U, "8", "0", "255")}) << hex("01 02 03 ee")
        << QStringList{"515", "1"};
}

void tst_processinput::refresh()
{
    QFETCH(treeItem, pd);
    QFETCH(QByteArray, data);
    QFETCH(QStringList, expected);

    widget_in page;
    page.setProcessData(pd);
    page.refresh(data);
    QCOMPARE(column(page, 2), expected);
}

void tst_processinput::rowsOfTheBuiltinDescription()
{
    widget_in page;
    page.setProcessData(builtinProcessData(true));
    QCOMPARE(page.bitLength(), 32);
    QCOMPARE(column(page, 1), (QStringList{"OUT1", "OUT2", "Device warning", "Temperature", "Pressure"}));
    QCOMPARE(column(page, 2), (QStringList{"false", "false", "false", "-400", "-100"}));
    QCOMPARE(column(page, 0, Qt::UserRole + 2), (QStringList{"0", "1", "2", "3", "16"}));
    QCOMPARE(column(page, 0, Qt::UserRole + 3), (QStringList{"1", "1", "1", "13", "16"}));
    QCOMPARE(column(page, 0, Qt::UserRole + 5), (QStringList{"1", "2", "3", "4", "5"}));
    QCOMPARE(column(page, 0, Qt::UserRole + 6), (QStringList{"false", "false", "false", "false", "false"}));
    QCOMPARE(column(page, 2, Qt::UserRole + 4).last(), QStringLiteral("IntegerT"));
    QCOMPARE(column(page, 2, Qt::UserRole + 7), (QStringList{"0", "1", "2", "3", "4"}));

    // A single value: the node's name, no subindex, bit offset 0.
    valueItem single = item(QStringLiteral("UIntegerT"), "8", "0", "255", {}, "7");
    single.editor.bitOffset = QStringLiteral("5");
    page.setProcessData(node(8, {single}, QStringLiteral("Level")));
    QCOMPARE(column(page, 0), QStringList{QString()});
    QCOMPARE(column(page, 1), QStringList{"Level"});
    QCOMPARE(column(page, 0, Qt::UserRole + 2), QStringList{"0"});
}

void tst_processinput::tilesInGridOrder()
{
    QList<valueItem> values{item(QStringLiteral("UIntegerT"), "8", "0", "255", {}, "9", "level")};
    for (int i = 1; i <= 6; ++i)
        values << flag(QString::number(i), {{"false", "false"}, {"true", "true"}}, QStringLiteral("bit%1").arg(i));
    widget_in page;
    page.setProcessData(node(16, values));
    auto *area = page.findChild<QWidget *>("widget_bool");
    auto *grid = page.findChild<QGridLayout *>("layout_g");
    QVERIFY(!area->isHidden());
    QVERIFY(!page.tile("level"));

    // Bits 8..13 of the data are the six flags.
    page.refresh(hex("0d 00"));
    const QList<QPair<int, int>> cells{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 1}};
    const QList<bool> states{true, false, true, true, false, false};
    for (int i = 0; i < 6; ++i) {
        widget_inBoolT *tile = page.tile(QStringLiteral("bit%1").arg(i + 1));
        QVERIFY(tile);
        int row = -1, col = -1, rowSpan = 0, colSpan = 0;
        grid->getItemPosition(grid->indexOf(tile), &row, &col, &rowSpan, &colSpan);
        QCOMPARE(qMakePair(row, col), cells.at(i));
        QCOMPARE(tile->state(), states.at(i));
    }

    page.setProcessData(node(16, {item(QStringLiteral("UIntegerT"), "16", "0", "65535")}));
    QVERIFY(area->isHidden());
    QVERIFY(page.findChildren<widget_inBoolT *>().isEmpty());
}

void tst_processinput::readsWholeRegisters_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("8 bits") << 8 << 1 << hex("01 03 90 20 00 01");
    QTest::newRow("24 bits") << 24 << 1 << hex("01 03 90 20 00 02");
    QTest::newRow("32 bits, port 8") << 32 << 7 << hex("01 03 90 e0 00 02");
}

void tst_processinput::readsWholeRegisters()
{
    QFETCH(int, bits);
    QFETCH(int, port);
    QFETCH(QByteArray, request);

    widget_in page;
    page.setPort(port);
    page.setProcessData(node(bits, {item(QStringLiteral("UIntegerT"), QString::number(bits), "0", "99999999")}));
    page.slot_timerOut();
    QCOMPARE(adapter.log().size(), 1);
    QCOMPARE(frameHead(0, 6), request);
}

void tst_processinput::pollingFollowsTheDevice()
{
    widget_in page;
    page.setPort(1);
    page.setProcessData(builtinProcessData(true));

    // Pressure 1200; temperature 235 << 3 | OUT2.
    input = hex("04 b0 07 5a");
    page.findChild<QPushButton *>("pbtn_start")->click();
    QTRY_COMPARE_WITH_TIMEOUT(column(page, 2), (QStringList{"Off", "On", "false", "235", "1200"}), 2000);
    QVERIFY(!page.tile("OUT1")->state() && page.tile("OUT2")->state());
    QCOMPARE(frameHead(0, 6), hex("01 03 90 20 00 02"));

    // Pressure 4000, temperature 0, warning and OUT1 on.
    input = hex("0f a0 00 05");
    QTRY_COMPARE_WITH_TIMEOUT(column(page, 2), (QStringList{"On", "Off", "true", "0", "4000"}), 2000);
    QVERIFY(page.tile("OUT1")->state() && page.tile("Device warning")->state());

    // While another page holds the link, turns pass without a request.
    common::instance()->modbus->busy = true;
    adapter.clearLog();
    QTest::qWait(700);
    QVERIFY(adapter.log().isEmpty());
    common::instance()->modbus->busy = false;
    QTRY_VERIFY_WITH_TIMEOUT(!adapter.log().isEmpty(), 2000);

    // A failed read ends polling; the values and the buttons stay.
    input = QByteArray(4, '\0');
    adapter.faults().unplugged = true;
    QTRY_VERIFY_WITH_TIMEOUT(!page.isPolling(), 2000);
    QCOMPARE(column(page, 2), (QStringList{"On", "Off", "true", "0", "4000"}));
    QVERIFY(page.findChild<QPushButton *>("pbtn_stop")->isEnabled());
    adapter.faults().unplugged = false;
    adapter.clearLog();
    QTest::qWait(400);
    QVERIFY(adapter.log().isEmpty());
}

void tst_processinput::startStopHideAndClean()
{
    widget_in page;
    page.setPort(1);
    page.setProcessData(builtinProcessData(true));
    page.show();
    QSignalSpy started(&page, &widget_in::sigStartRead);
    auto *start = page.findChild<QPushButton *>("pbtn_start");
    auto *stop = page.findChild<QPushButton *>("pbtn_stop");

    common::instance()->activePorts.clear();
    start->click();
    QVERIFY(!page.isPolling() && started.isEmpty() && start->isEnabled());

    common::instance()->activePorts = {1};
    start->click();
    QVERIFY(page.isPolling() && !start->isEnabled() && stop->isEnabled());
    stop->click();
    QVERIFY(!page.isPolling() && start->isEnabled() && !stop->isEnabled());
    QCOMPARE(started.count(), 2);
    QVERIFY(started.at(0).at(0).toBool() && !started.at(1).at(0).toBool());

    start->click();
    page.hide();
    QVERIFY(!page.isPolling() && start->isEnabled());
    QCOMPARE(started.last().at(0).toBool(), false);

    // Rebuilding the port's pages stops the timer only.
    page.show();
    start->click();
    started.clear();
    page.onCleanPortStatus();
    QVERIFY(!page.isPolling() && stop->isEnabled() && started.isEmpty());
}

QTEST_MAIN(tst_processinput)
#include "tst_processinput.moc"
