// Scenario files set up the virtual adapter's ports; bad files change nothing.

#include "defaultsetup.h"
#include "description/builtindescription.h"
#include "protocol/modbusframe.h"
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
            QCOMPARE(qMakePair(a.port(p).device->vendorId(), a.port(p).device->deviceId()),
                     qMakePair(quint16(1484), quint32(101101)));
        QCOMPARE(a.port(2).mode, Mode::DigitalIn);
        QCOMPARE(a.port(4).mode, Mode::DigitalOut);
        QCOMPARE(a.port(6).mode, Mode::Deactivated);
        QVERIFY(!a.port(6).device);
    }
    void documentedExample()
    {
        a.reset();
        QString error;
        QVERIFY2(applyScenarioFile(QStringLiteral(HUB8_SOURCE_DIR "/docs/examples/scenario.json"), a, &error),
                 qPrintable(error));
        QCOMPARE(a.port(2).mode, Mode::DigitalIn);
        QCOMPARE(a.port(3).mode, Mode::IoLinkStarting);
        QCOMPARE(a.port(5).mode, Mode::CommunicationLost);
        QCOMPARE(a.port(6).mode, Mode::Deactivated); // not named in the file
        QCOMPARE(a.port(0).device->vendorId(), quint16(888));
        QCOMPARE(a.port(1).device->deviceId(), quint32(101101));
        QCOMPARE(a.port(0).device->readIsdu(21, 0).data, QByteArray("GEN0001"));
        QCOMPARE(a.faults().isduLatencyMs, 20);
    }
    void limitsAccepted()
    {
        a.reset();
        const QString text33 = QString(16, QChar(0xE9)) + 'x'; // 33 bytes in UTF-8
        const QByteArray json = QStringLiteral(R"({"isduLatencyMs": 10000, "ports": {
            "Port1": {"device": {"vendorId": 0, "deviceId": 16777215, "vendorName": "%1"}},
            "Port8": {"mode": "iolink", "device": {"vendorId": 65535, "deviceId": 0}}}})")
                                    .arg(text33)
                                    .toUtf8();
        QString error;
        QVERIFY2(applyScenarioJson(json, a, &error), qPrintable(error));
        QCOMPARE(a.port(0).mode, Mode::Deactivated); // no mode: off
        QCOMPARE(qMakePair(a.port(0).device->vendorId(), a.port(0).device->deviceId()),
                 qMakePair(quint16(0), quint32(16777215)));
        QCOMPARE(a.port(0).device->readIsdu(16, 0).data, text33.toUtf8());
        QCOMPARE(a.port(7).device->vendorId(), quint16(65535));
        QCOMPARE(a.faults().isduLatencyMs, 10000);
        QVERIFY2(applyScenarioJson(R"({"isduLatencyMs": 0})", a, &error), qPrintable(error));
        QCOMPARE(a.faults().isduLatencyMs, 0);
        QVERIFY2(applyScenarioJson("{}", a, &error), qPrintable(error));
        QCOMPARE(a.faults().isduLatencyMs, 20); // the default, not what was there before
        QVERIFY(!a.port(0).device && a.port(0).mode == Mode::Deactivated);
    }

    void adapterWithoutStatusBlock()
    {
        const auto firstOctets = [this](quint16 address, int count) {
            return a.handleFrame(modbusframe::readRequest(address, quint16(count))).left(3).toHex();
        };
        QString error;
        QVERIFY2(applyScenarioJson(R"({"adapter": {"portStatusBlock": false},
            "ports": {"Port1": {"mode": "iolink", "device": {}}}})",
                                   a, &error),
                 qPrintable(error));
        QVERIFY(!a.portStatusBlock());
        QCOMPARE(firstOctets(0x3000, 24), QByteArray("018302")); // exception 02
        QCOMPARE(firstOctets(0x3003, 1), QByteArray("018302"));
        QCOMPARE(firstOctets(0x3600, 20), QByteArray("010328")); // the mailbox still answers
        QCOMPARE(firstOctets(0x9000, 1), QByteArray("010302"));
        QVERIFY2(applyScenarioJson(R"({"adapter": {}})", a, &error), qPrintable(error));
        QVERIFY(a.portStatusBlock());
        QCOMPARE(firstOctets(0x3000, 24), QByteArray("010330"));
    }

    void absentAdapter()
    {
        QString error;
        QVERIFY2(applyScenarioJson(R"({"adapter": {"absent": true}})", a, &error), qPrintable(error));
        QVERIFY(a.faults().absent);
        QVERIFY2(applyScenarioJson("{}", a, &error), qPrintable(error));
        QVERIFY(!a.faults().absent);
    }

    void badFilesChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const char *json, const char *message) {
            QTest::newRow(name) << QByteArray(json) << QString::fromUtf8(message);
        };
        row("not json", "{ports:", "not JSON: unterminated object at offset 2");
        row("array at the top", "[]", "expected an object at the top, got an array");
        row("unknown top key", R"({"latencyMs": 5})", R"(unknown key "latencyMs" (adapter, isduLatencyMs, ports))");
        row("adapter key", R"({"adapter": {"statusBlock": false}})",
            R"(adapter: unknown key "statusBlock" (absent, portStatusBlock))");
        row("status block as text", R"({"adapter": {"portStatusBlock": "false"}})",
            R"(adapter.portStatusBlock: expected true or false, got "false")");
        row("good adapter, then a bad latency", R"({"adapter": {"portStatusBlock": false}, "isduLatencyMs": -1})",
            "isduLatencyMs: expected an integer 0..10000, got -1");
        row("latency as text", R"({"isduLatencyMs": "20"})",
            R"(isduLatencyMs: expected an integer 0..10000, got "20")");
        row("ports as array", R"({"ports": [{"mode": "di"}]})", "ports: expected an object, got an array");
        for (const char *name : {"port1", "Port9", ""})
            QTest::newRow(qPrintable(QStringLiteral("port name \"%1\"").arg(name)))
                << QStringLiteral(R"({"ports": {"%1": {"mode": "di"}}})").arg(name).toUtf8()
                << QStringLiteral(R"(ports: unknown port "%1" (Port1 ... Port8))").arg(name);
        row("mode fast", R"({"ports": {"Port2": {"mode": "fast"}}})",
            R"(ports.Port2.mode: expected one of off, di, do, starting, iolink, lost, got "fast")");
        row("port key", R"({"ports": {"Port2": {"mode": "di", "speed": 3}}})",
            R"(ports.Port2: unknown key "speed" (mode, device))");
        row("device null", R"({"ports": {"Port2": {"device": null}}})",
            "ports.Port2.device: expected an object, got null");
        row("device type", R"({"ports": {"Port2": {"device": {"type": "x"}}}})",
            R"(ports.Port2.device.type: expected one of generic, iodd, got "x")");
        row("vendor id 65536", R"({"ports": {"Port3": {"device": {"vendorId": 65536}}}})",
            "ports.Port3.device.vendorId: expected an integer 0..65535, got 65536");
        row("device id", R"({"ports": {"Port3": {"device": {"deviceId": 16777216}}}})",
            "ports.Port3.device.deviceId: expected an integer 0..16777215, got 16777216");
        row("name of 34 bytes",
            "{\"ports\": {\"Port3\": {\"device\": {\"serialNumber\": "
            "\"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
            "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\"}}}}",
            "ports.Port3.device.serialNumber: expected a text of at most 33 bytes in UTF-8, got "
            "\"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
            "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\"");
        row("iodd without file", R"({"ports": {"Port3": {"device": {"type": "iodd"}}}})",
            "ports.Port3.device.file: expected the path of a description file, got nothing");
        row("iodd file missing",
            R"({"ports": {"Port3": {"device": {"type": "iodd", "file": "/nonexistent/dev.xml"}}}})",
            "ports.Port3.device.file: cannot read /nonexistent/dev.xml");
        row("iodd with vendor id",
            R"({"ports": {"Port3": {"device": {"type": "iodd", "file": "a.xml", "vendorId": 1}}}})",
            R"(ports.Port3.device: unknown key "vendorId" (type, file, serialNumber, hardwareRevision, firmwareRevision, )"
            R"(processDataIn, parameters, writeErrors, events))");
        // Given data of a device built from the built-in description (4 octets of input).
        const QByteArray builtin = QByteArray(HUB8_SOURCE_DIR "/data/") + builtinDescription::relativePath;
        const auto given = [&builtin](const char *name, const char *device, const char *message) {
            QTest::newRow(name) << "{\"ports\": {\"Port2\": {\"device\": {\"type\": \"iodd\", \"file\": \"" + builtin
                    + "\", " + device
                    + "}}}}" << QString::fromUtf8(message);
        };
        given("input not hex", R"("processDataIn": "06 6g 00 02")",
              R"(ports.Port2.device.processDataIn: expected octets in hex, got "06 6g 00 02")");
        given("input half an octet", R"("processDataIn": "066 70 00 2")",
              R"(ports.Port2.device.processDataIn: expected octets in hex, got "066 70 00 2")");
        given("input too short", R"("processDataIn": "06 67")",
              R"(ports.Port2.device.processDataIn: expected 4 octets in hex, got "06 67")");
        given("parameter not hex", R"("parameters": {"64": "0x0a"})",
              R"(ports.Port2.device.parameters.64: expected octets in hex, got "0x0a")");
        given(
            "parameter longer than an answer",
            R"("parameters": {"64": "0000000000000000000000000000000000000000000000000000000000000000 0000"})",
            R"(ports.Port2.device.parameters.64: expected at most 33 octets in hex, got "0000000000000000000000000000000000000...")");
        for (const char *key : {"65536", "64:256", "-1", "0x40", "64:1:2"})
            given(qPrintable(QStringLiteral("parameter \"%1\"").arg(key)),
                  qPrintable(QStringLiteral(R"("parameters": {"%1": "00"})").arg(key)),
                  qPrintable(QStringLiteral(R"(ports.Port2.device.parameters: expected an index 0..65535 or )"
                                            R"(index:subindex with subindex 0..255, got "%1")")
                                 .arg(key)));
        given("one address written two ways", R"("parameters": {"64": "00", "64:0": "01"})",
              R"(ports.Port2.device.parameters: "64" and "64:0" name the same index and subindex)");
        row("key given twice in a device",
            R"({"ports": {"Port2": {"device": {"vendorId": 1, "deviceId": 2, "vendorId": 3}}}})",
            "ports.Port2.device.vendorId: given twice");
        row("same key in two objects is fine, twice at the top is not",
            R"({"ports": {"Port1": {"mode": "di"}, "Port2": {"mode": "di"}}, "ports": {}})", "ports: given twice");
        row("good ports, then a bad one",
            R"({"ports": {"Port1": {"mode": "do"}, "Port2": {"mode": "di"}, "Port4": {"mode": "on"}}})",
            R"(ports.Port4.mode: expected one of off, di, do, starting, iolink, lost, got "on")");
    }
    void badFilesChangeNothing()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        applyDefaultSetup(a);
        a.faults().isduLatencyMs = 7;
        QList<QPair<Mode, const VirtualDevice *>> before;
        for (int p = 0; p < VirtualAdapter::portCount; ++p)
            before.append({a.port(p).mode, a.port(p).device.get()});
        QString error;
        QVERIFY(!applyScenarioJson(json, a, &error));
        QCOMPARE(error, message);
        for (int p = 0; p < VirtualAdapter::portCount; ++p) // the very same devices
            QCOMPARE(qMakePair(a.port(p).mode, static_cast<const VirtualDevice *>(a.port(p).device.get())),
                     before.at(p));
        QCOMPARE(a.faults().isduLatencyMs, 7);
        QVERIFY(a.portStatusBlock());
    }
};

QTEST_APPLESS_MAIN(tst_scenario)
#include "tst_scenario.moc"
