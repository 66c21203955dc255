// What the publisher sends, without a broker: topics, payloads decoded with
// real descriptions, the outbox's bounds and the description lookup.

#include "mqtt/descriptionfinder.h"
#include "mqtt/mqttoutbox.h"
#include "mqtt/mqttpayloads.h"
#include "mqtt/mqtttopics.h"

#include "description/ioddfile.h"
#include "protocol/adapterregisters.h"
#include "testhelpers.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using TestHelpers::hex;

namespace {

QJsonObject parsed(const QByteArray &payload)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        qWarning() << "not a JSON object:" << payload;
    return doc.object();
}

// A minimal description header of this identity and release date.
QByteArray description(int vendorId, int deviceId, const char *releaseDate)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<IODevice><DocumentInfo version=\"V1.0\" releaseDate=\"%3\"/>"
                          "<ProfileBody><DeviceIdentity vendorId=\"%1\" vendorName=\"V\" deviceId=\"%2\"/>"
                          "</ProfileBody></IODevice>\n")
        .arg(vendorId)
        .arg(deviceId)
        .arg(QLatin1String(releaseDate))
        .toUtf8();
}

} // namespace

class tst_mqttmessages : public QObject
{
    Q_OBJECT

private slots:
    void topics()
    {
        // An id that would split or widen a subscription stays one level.
        QCOMPARE(MqttTopics::root("vanto-hub8", "VH8/24+#1"), QString("vanto-hub8/VH8_24__1"));
        QCOMPARE(MqttTopics::root("", "VH8"), QString("VH8"));
        QCOMPARE(MqttTopics::root("p", ""), QString("p/_"));
        const QString root = MqttTopics::root("p", "A");
        QCOMPARE(MqttTopics::processDataIn(root, 0), QString("p/A/port1/device/processdata/in"));
        QCOMPARE(MqttTopics::deviceIdentification(root, 7), QString("p/A/port8/device/identification"));

        // Ports are told back only inside the root and for 1..8.
        QCOMPARE(MqttTopics::portOf(root, "p/A/port3/device/x/set", "device/x/set"), 2);
        QCOMPARE(MqttTopics::portOf(root, "p/A/port8/device/x/set", "device/x/set"), 7);
        QCOMPARE(MqttTopics::portOf(root, "p/A/port9/device/x/set", "device/x/set"), -1);
        QCOMPARE(MqttTopics::portOf(root, "p/A/port0/device/x/set", "device/x/set"), -1);
        QCOMPARE(MqttTopics::portOf(root, "p/A/port12/device/x/set", "device/x/set"), -1);
        QCOMPARE(MqttTopics::portOf(root, "p/B/port3/device/x/set", "device/x/set"), -1);
        QCOMPARE(MqttTopics::portOf(root, "p/A/port3/device/y/set", "device/x/set"), -1);
    }

    void builtinProcessData()
    {
        IoddFile file;
        QCOMPARE(file.load(TestHelpers::builtinDescriptionPath()), 0);
        const ProcessDataCodec::Layout in = ProcessDataCodec::layoutOf(file.processDataIn());
        // Pressure 09 c4 = 2500 x 0.1 bar; 07 5d = 235 << 3 | warning << 2 | OUT1.
        const QDateTime time(QDate(2026, 12, 8), QTime(6, 0, 1, 250), Qt::UTC);
        const QJsonObject o = parsed(MqttPayloads::processData(time, true, hex("09 c4 07 5d"), in));
        QCOMPARE(o.value("time").toString(), QString("2026-12-08T06:00:01.250Z"));
        QCOMPARE(o.value("valid").toBool(), true);
        QCOMPARE(o.value("raw").toArray(), (QJsonArray{9, 196, 7, 93}));
        const QJsonObject values = o.value("values").toObject();
        QCOMPARE(values.value("Pressure").toObject(), (QJsonObject{{"value", 250.0}, {"unit", "bar"}}));
        QCOMPARE(values.value("Temperature").toObject(), (QJsonObject{{"value", 23.5}, {"unit", "°C"}}));
        QCOMPARE(values.value("OUT1").toObject(), (QJsonObject{{"value", "On"}}));
        QCOMPARE(values.value("OUT2").toObject(), (QJsonObject{{"value", "Off"}}));
        QCOMPARE(values.value("Device warning").toObject(), (QJsonObject{{"value", true}}));

        // A marker value of the item is its name, not a number.
        const QJsonObject below = parsed(MqttPayloads::processData(time, true, hex("80 04 07 5d"), in));
        QCOMPARE(below["values"]["Pressure"]["value"].toString(), QString("Below measuring range"));

        // A failed read says so and nothing else.
        QCOMPARE(parsed(MqttPayloads::processData(time, false, QByteArray(), in)).keys(),
                 (QStringList{"time", "valid"}));
        // Without a description: the octets alone.
        const QJsonObject raw = parsed(MqttPayloads::processData(time, true, hex("00 2a"), {16, {}}));
        QCOMPARE(raw.value("raw").toArray(), (QJsonArray{0, 42}));
        QVERIFY(!raw.contains("values"));
        // An item with no name at all is still a key a consumer can use.
        ProcessDataCodec::Field field = in.fields.first();
        field.item.label.clear();
        field.item.editor.name.clear();
        const QJsonObject unnamed =
            parsed(MqttPayloads::processData(time, true, hex("09 c4 07 5d"), {in.bitLength, {field}}));
        QVERIFY(unnamed.value("values").toObject().contains("value"));
    }

    void states()
    {
        QCOMPARE(parsed(MqttPayloads::portState(1, AdapterRegisters::ModeIoLinkOperate, 1484, 101101)),
                 (QJsonObject{{"port", 2},
                              {"mode", "iolink"},
                              {"statusInfo", "DEVICE_ONLINE"},
                              {"vendorId", 1484},
                              {"deviceId", 101101}}));
        // A port without a device names none, whatever the adapter left in the ids.
        const QJsonObject di = parsed(MqttPayloads::portState(2, AdapterRegisters::ModeDigitalIn, 5, 6));
        QCOMPARE(di.value("statusInfo").toString(), QString("DIGITAL_INPUT"));
        QVERIFY(di.value("vendorId").isNull());
        QVERIFY(di.value("deviceId").isNull());

        MqttDeviceIdentity id;
        id.vendorId = 888;
        id.deviceId = 0xFFFFFF;
        id.revisionId = 0x11;
        id.vendorName = "Vanto";
        id.serialNumber = "";
        id.descriptionFile = "/somewhere/lib/x/X-IODD1.1.xml";
        const QJsonObject o = parsed(MqttPayloads::identification(id));
        QCOMPARE(o.value("deviceId").toInt(), 0xFFFFFF);
        QCOMPARE(o.value("iolinkRevision").toString(), QString("1.1"));
        QCOMPARE(o.value("vendorName").toString(), QString("Vanto"));
        // Refused (null) and empty texts stay apart; the file goes without its folder.
        QVERIFY(o.value("productName").isNull());
        QVERIFY(o.value("serialNumber").isString());
        QCOMPARE(o.value("description").toString(), QString("X-IODD1.1.xml"));
    }

    void outbox()
    {
        MqttOutbox box(3);
        box.push({"a/state", "1", 1, true});
        box.push({"pd", "1", 1, false});
        box.push({"a/state", "2", 1, true}); // replaces the first, keeps its place
        box.push({"pd", "2", 1, false});
        QCOMPARE(box.size(), 3);
        QCOMPARE(box.dropped(), 0);
        box.push({"pd", "3", 1, false}); // full: the oldest goes
        box.push({"pd", "4", 1, false});
        QCOMPARE(box.dropped(), 2);
        QStringList order;
        while (!box.isEmpty()) {
            const MqttMessage m = box.takeFirst();
            order << m.topic + '=' + m.payload;
        }
        QCOMPARE(order, (QStringList{"pd=2", "pd=3", "pd=4"}));
        QCOMPARE(box.dropped(), 2);
    }

    void descriptionLookup()
    {
        QTemporaryDir user, shipped;
        QVERIFY(QDir(user.path()).mkpath("a") && QDir(user.path()).mkpath("b"));
        QVERIFY(TestHelpers::writeFile(user.filePath("a/Dev-IODD1.1.xml"), description(10, 20, "2020-01-01")));
        // Its German texts: named like a language file of Dev, never a description itself.
        QVERIFY(TestHelpers::writeFile(user.filePath("a/Dev-IODD1.1-de.xml"), description(10, 21, "2030-01-01")));
        QVERIFY(TestHelpers::writeFile(user.filePath("b/Dev-IODD1.1.xml"), description(10, 20, "2022-05-01")));
        QVERIFY(TestHelpers::writeFile(user.filePath("b/broken.xml"), "<IODevice"));
        QVERIFY(TestHelpers::writeFile(shipped.filePath("Other.xml"), description(10, 30, "2019-01-01")));

        DescriptionFinder finder({user.path(), shipped.path()});
        QCOMPARE(finder.find(10, 20), user.filePath("b/Dev-IODD1.1.xml")); // the newest release
        QCOMPARE(finder.find(10, 21), QString());
        QCOMPARE(finder.find(10, 30), shipped.filePath("Other.xml"));
        QCOMPARE(finder.find(11, 20), QString());
    }
};

QTEST_GUILESS_MAIN(tst_mqttmessages)
#include "tst_mqttmessages.moc"
