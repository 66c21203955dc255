// The output page: its editors, and the words and octets that reach the
// virtual adapter's output window when it writes.

#include "procdata/widget_in.h"
#include "procdata/widget_out.h"
#include "procdatafixtures.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

using namespace fixtures;

class tst_processoutput : public QObject
{
    Q_OBJECT

private slots:
    void init() { setUpAdapter(port, &input); }

    void editorsAndAllTrueFalse();
    void writeReachesTheWindow_data();
    void writeReachesTheWindow();
    void busyHeldAcrossTheWrite();
    void failedOrRefusedWrite();

private:
    static QWidget *editor(const widget_out &page, int row)
    {
        return page.findChild<QTableWidget *>("table")->cellWidget(row, 2);
    }
    static QStringList comboTexts(const widget_out &page);

    static constexpr int port = 2;
    QByteArray input;
    VirtualAdapter &adapter = VirtualAdapter::instance();
};

QStringList tst_processoutput::comboTexts(const widget_out &page)
{
    QStringList texts;
    for (int row = 0; row < page.findChild<QTableWidget *>("table")->rowCount(); ++row) {
        auto *combo = qobject_cast<QComboBox *>(editor(page, row));
        texts << (combo ? combo->currentText() : QStringLiteral("-"));
    }
    return texts;
}

void tst_processoutput::editorsAndAllTrueFalse()
{
    widget_out page;
    treeItem pd = builtinProcessData(false);
    pd.values << flag("7", {{"Off", "false"}, {"On", "true"}}) << flag("8", {{"true", "true"}})
              << item(QStringLiteral("UIntegerT"), "8", "0", "255", {}, "9");
    page.setProcessData(pd);
    QCOMPARE(qobject_cast<QComboBox *>(editor(page, 6))->itemData(1).toString(), QStringLiteral("true"));

    page.slot_pbtn_allFalseClicked();
    QCOMPARE(comboTexts(page), (QStringList{"false", "false", "false", "false", "false", "false", "Off", "true", "-"}));
    page.slot_pbtn_allTrueclicked();
    QCOMPARE(comboTexts(page), (QStringList{"true", "true", "true", "true", "true", "true", "Off", "true", "-"}));

    // A single number: a line edit limited to its range.
    page.setProcessData(node(16, {item(QStringLiteral("IntegerT"), "16", "-100", "4400", {}, "9")}, "Setpoint"));
    auto *edit = qobject_cast<QLineEdit *>(editor(page, 0));
    QVERIFY(edit);
    QCOMPARE(edit->text(), QStringLiteral("-100"));
    QCOMPARE(edit->toolTip(), QStringLiteral("值范围-100~4400"));
    QTest::keyClicks(edit, "x5000");
    QCOMPARE(edit->text(), QStringLiteral("-100"));
}

void tst_processoutput::writeReachesTheWindow_data()
{
    QTest::addColumn<treeItem>("pd");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QByteArray>("window");

    const QString U = QStringLiteral("UIntegerT");
    const QString I = QStringLiteral("IntegerT");
    QTest::newRow("booleans across two words") << node(32, {flag("1"), flag("16"), flag("17"), flag("32")})
                                               << QStringList{"true", "true", "true", "false"} << hex("80 01 00 01");
    QTest::newRow("subindex 1, 2, 16 in one word")
        << node(16, {flag("1"), flag("2"), flag("16")}) << QStringList{"true", "false", "true"} << hex("80 01");
    QTest::newRow("Off and On both send 1")
        << node(16, {flag("1", {{"Off", "false"}, {"On", "true"}}), flag("2", {{"Off", "false"}, {"On", "true"}})})
        << QStringList{"Off", "On"} << hex("00 03");
    QTest::newRow("record number sends 0") << node(16, {flag("1"), item(U, "8", "0", "255", {}, "2")})
                                           << QStringList{"true"} << hex("00 01");
    QTest::newRow("single 16-bit value") << node(16, {item(U, "16", "0", "65535")}) << QStringList{"258"}
                                         << hex("01 02");
    QTest::newRow("single 8-bit value") << node(8, {item(U, "8", "0", "255")}) << QStringList{"5"} << hex("05 00");
    QTest::newRow("negative value") << node(16, {item(I, "16", "-100", "100")}) << QStringList{"-2"}
                                    << hex("ff fe");
    QTest::newRow("below the range is fixed up") << node(16, {item(I, "16", "10", "4000")}) << QStringList{"5"}
                                                 << hex("00 0a");
    QTest::newRow("12-bit value") << node(12, {item(U, "12", "0", "4095")}) << QStringList{"2748"} << hex("0a bc");
}

void tst_processoutput::writeReachesTheWindow()
{
    QFETCH(treeItem, pd);
    QFETCH(QStringList, values);
    QFETCH(QByteArray, window);

    widget_out page;
    page.setPort(port);
    page.setProcessData(pd);
    for (int row = 0; row < values.size(); ++row) {
        if (auto *combo = qobject_cast<QComboBox *>(editor(page, row)))
            combo->setCurrentIndex(combo->findText(values.at(row)));
        else
            qobject_cast<QLineEdit *>(editor(page, row))->setText(values.at(row));
    }
    adapter.port(port).pdOut.fill('\x55');
    page.slot_pbtn_writeClicked();

    // One write of whole registers to 0x8040, nothing beyond them.
    const int registers = window.size() / 2;
    QCOMPARE(adapter.log().size(), 1);
    QCOMPARE(frameHead(0, 6), hex("01 10 80 40 00") + char(registers));
    QCOMPARE(adapter.port(port).pdOut.left(window.size() + 1), window + '\x55');
    QVERIFY(!common::instance()->modbus->busy);
}

void tst_processoutput::busyHeldAcrossTheWrite()
{
    // The input page polls the same port meanwhile.
    widget_in reader;
    reader.setPort(port);
    reader.setProcessData(node(16, {item(QStringLiteral("UIntegerT"), "16", "0", "65535")}));
    reader.slot_pbtn_start();

    widget_out page;
    page.setPort(port);
    page.setProcessData(builtinProcessData(false));
    // Outputs start off; switch them all on for the write.
    auto *table = page.findChild<QTableWidget *>(QStringLiteral("table"));
    for (int row = 0; row < table->rowCount(); ++row)
        QCOMPARE(qobject_cast<QComboBox *>(table->cellWidget(row, 2))->currentText(), QStringLiteral("false"));
    page.slot_pbtn_allTrueclicked();
    myModbus *link = common::instance()->modbus;
    bool beforeWrite = false;
    bool afterWrite = false;
    QTimer::singleShot(100, this, [&] { beforeWrite = link->busy && adapter.log().isEmpty(); });
    QTimer::singleShot(300, this, [&] { afterWrite = link->busy && adapter.log().size() == 1; });
    adapter.clearLog();
    page.slot_pbtn_writeClicked();

    QVERIFY(beforeWrite && afterWrite && !link->busy);
    // Only the write crossed the link: the reader skipped its turns.
    QCOMPARE(adapter.log().size(), 1);
    QCOMPARE(adapter.port(port).pdOut.left(2), hex("00 3f"));
}

void tst_processoutput::failedOrRefusedWrite()
{
    widget_out page;
    page.setPort(port);
    page.setProcessData(node(16, {item(QStringLiteral("UIntegerT"), "16", "0", "65535")}));
    qobject_cast<QLineEdit *>(editor(page, 0))->setText("1234");
    adapter.faults().unplugged = true;
    page.slot_pbtn_writeClicked();
    QVERIFY(!common::instance()->modbus->busy);
    QCOMPARE(qobject_cast<QLineEdit *>(editor(page, 0))->text(), QStringLiteral("1234"));
    QCOMPARE(adapter.port(port).pdOut.left(2), hex("00 00"));

    // A port that is not active is not written at all.
    adapter.faults().unplugged = false;
    page.setPort(port + 1);
    page.slot_pbtn_writeClicked();
    QVERIFY(adapter.log().isEmpty());
    QVERIFY(!common::instance()->modbus->busy);
}

QTEST_MAIN(tst_processoutput)
#include "tst_processoutput.moc"
