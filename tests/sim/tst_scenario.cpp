// Scenario files set up the virtual adapter's ports; bad files change nothing.

#include "defaultsetup.h"
#include "scenario.h"
#include "virtualadapter.h"

#include <QtTest>

using Mode = VirtualAdapter::Mode;

class tst_scenario : public QObject
{
    Q_OBJECT
    VirtualAdapter &a = VirtualAdapter::instance();

private slots:
    void defaultSetup()
    {
        applyDefaultSetup(a);
        for (int p : {0, 1, 3, 5, 7})
            QCOMPARE(a.port(p).mode, Mode::IoLinkOperate);
        for (int p : {1, 3, 5, 7})
            QCOMPARE(qMakePair(a.port(p).device->vendorId(), a.port(p).device->deviceId()), qMakePair(quint16(1484), quint32(101101)));
        QCOMPARE(a.port(2).mode, Mode::DigitalIn);
        QCOMPARE(a.port(4).mode, Mode::DigitalOut);
        QCOMPARE(a.port(6).mode, Mode::Deactivated);
        QVERIFY(!a.port(6).device);
    }
    void documentedExample()
    {
        a.reset();
        QString error;
        QVERIFY2(applyScenarioFile(QStringLiteral(HUB8_SOURCE_DIR "/docs/examples/scenario.json"), a, &error), qPrintable(error));
        QCOMPARE(a.port(2).mode, Mode::DigitalIn);
        QCOMPARE(a.port(3).mode, Mode::IoLinkStarting);
        QCOMPARE(a.port(5).mode, Mode::CommunicationLost);
        QCOMPARE(a.port(6).mode, Mode::Deactivated);   // not named in the file
        QCOMPARE(a.port(0).device->vendorId(), quint16(888));
        QCOMPARE(a.port(1).device->deviceId(), quint32(101101));
        QCOMPARE(a.port(0).device->readIsdu(21, 0).data, QByteArray("GEN0001"));
        QCOMPARE(a.faults().isduLatencyMs, 20);
    }
    void badFilesChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("not json") << QByteArray("{ports:") << "not a JSON object";
        QTest::newRow("port 9") << QByteArray(R"({"ports": {"Port9": {"mode": "di"}}})") << "unknown port";
        QTest::newRow("mode") << QByteArray(R"({"ports": {"Port1": {"mode": "fast"}}})") << "unknown mode";
        QTest::newRow("device type") << QByteArray(R"({"ports": {"Port1": {"mode": "iolink", "device": {"type": "x"}}}})") << "unknown device type";
        QTest::newRow("device id") << QByteArray(R"({"ports": {"Port1": {"device": {"deviceId": 16777216}}}})") << "deviceId";
        QTest::newRow("latency") << QByteArray(R"({"isduLatencyMs": -1})") << "isduLatencyMs";
    }
    void badFilesChangeNothing()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        applyDefaultSetup(a);
        QString error;
        QVERIFY(!applyScenarioJson(json, a, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(a.port(2).mode, Mode::DigitalIn);
        QVERIFY(a.port(1).device);
    }
};

QTEST_APPLESS_MAIN(tst_scenario)
#include "tst_scenario.moc"
