// The DI and DO views against the virtual adapter: the input bit read from
// the port's input window, the polling and its failure, the output written.

#include "procdatafixtures.h"
#include "views/widget_portdi.h"
#include "views/widget_portdo.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using namespace fixtures;

class tst_portdido : public QObject
{
    Q_OBJECT

private slots:
    void init() { setUpAdapter(3, &input); }

    void inputShowsBit0_data();
    void inputShowsBit0();
    void pollingSkipsWhileBusyAndStopsOnFailure();
    void cleanStopsTimerOnly();
    void outputWritesTheChoice_data();
    void outputWritesTheChoice();

private:
    QByteArray input = QByteArray(2, '\0');
    VirtualAdapter &adapter = VirtualAdapter::instance();
};

void tst_portdido::inputShowsBit0_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("shown");

    QTest::newRow("2") << hex("00 02") << "0";
    QTest::newRow("3") << hex("00 03") << "1";
    QTest::newRow("high byte only") << hex("01 00") << "0";
}

void tst_portdido::inputShowsBit0()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, shown);

    input = data;
    widget_portDI view;
    view.setPort(3);
    QCOMPARE(view.readInput(), 0);
    QCOMPARE(view.findChild<QLineEdit *>("edit_inData")->text(), shown);
    QCOMPARE(adapter.log().size(), 1);
    QCOMPARE(frameHead(0, 6), hex("01 03 90 60 00 01"));
}

void tst_portdido::pollingSkipsWhileBusyAndStopsOnFailure()
{
    widget_portDI view;
    view.setPort(3);
    auto *button = view.findChild<QPushButton *>("pbtn_read");
    auto *shown = view.findChild<QLineEdit *>("edit_inData");
    input = hex("00 01");
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), QStringLiteral("暂停读取"));
    QTRY_COMPARE_WITH_TIMEOUT(shown->text(), QStringLiteral("1"), 2000);

    // Busy: ticks pass without a request, polling goes on.
    common::instance()->modbus->busy = true;
    input = hex("00 00");
    adapter.clearLog();
    QTest::qWait(700);
    QVERIFY(adapter.log().isEmpty());
    QVERIFY(view.isPolling());
    common::instance()->modbus->busy = false;
    QTRY_COMPARE_WITH_TIMEOUT(shown->text(), QStringLiteral("0"), 2000);

    // A failed read stops polling until the user clicks again.
    adapter.faults().unplugged = true;
    QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("开始读取"), 2000);
    QVERIFY(!view.isPolling());
    QVERIFY(!view.isReading());
    adapter.faults().unplugged = false;
    adapter.clearLog();
    QTest::qWait(400);
    QVERIFY(adapter.log().isEmpty());
}

void tst_portdido::cleanStopsTimerOnly()
{
    widget_portDI view;
    auto *button = view.findChild<QPushButton *>("pbtn_read");
    button->click();
    view.onCleanPortStatus();
    QVERIFY(!view.isPolling());
    QCOMPARE(button->text(), QStringLiteral("暂停读取"));
    // The next click goes to the stopped state, not back to reading.
    button->click();
    QCOMPARE(button->text(), QStringLiteral("开始读取"));
    QVERIFY(!view.isPolling());
}

void tst_portdido::outputWritesTheChoice_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("port 1, 1") << 0 << 1 << hex("01 10 80 00 00 01 02 00 01");
    QTest::newRow("port 6, 1") << 5 << 1 << hex("01 10 80 a0 00 01 02 00 01");
    QTest::newRow("port 6, 0") << 5 << 0 << hex("01 10 80 a0 00 01 02 00 00");
}

void tst_portdido::outputWritesTheChoice()
{
    QFETCH(int, port);
    QFETCH(int, choice);
    QFETCH(QByteArray, frame);

    adapter.setPort(port, VirtualAdapter::Mode::DigitalOut);
    adapter.port(port).digitalOut = choice == 0;
    widget_portDO view;
    view.setPort(unsigned(port));
    view.findChild<QComboBox *>("combox")->setCurrentIndex(choice);
    QTest::mouseClick(view.findChild<QPushButton *>("pbtn_write"), Qt::LeftButton);

    QCOMPARE(adapter.log().size(), 1);
    QCOMPARE(frameHead(0, frame.size()), frame);
    QCOMPARE(adapter.port(port).digitalOut, choice == 1);
    QVERIFY(!common::instance()->modbus->busy);
}

QTEST_MAIN(tst_portdido)
#include "tst_portdido.moc"
