// hub8ctl on the virtual adapter: the JSON it prints (shape, key order, types),
// its exit statuses, and values that go to the device and come back.

#include "ctlrun.h"
#include "defaultsetup.h"
#include "testhelpers.h"
#include "virtualadapter.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace CtlRun;

namespace {

// The keys of every object in `text`, in the order they are printed.
QStringList keyOrder(const QByteArray &text)
{
    QStringList keys;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral("^ *\"(\\w+)\": "), QRegularExpression::MultilineOption)
            .globalMatch(QString::fromUtf8(text));
    while (it.hasNext())
        keys << it.next().captured(1);
    return keys;
}

} // namespace

class tst_hub8ctl : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_iodd = TestHelpers::builtinDescriptionPath();

    QString file(const char *name, const QByteArray &content) const
    {
        return TestHelpers::writtenIn(m_dir, name, content);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void portsOfTheDefaultSetUp()
    {
        const Result r = runSim({QStringLiteral("ports")});
        QCOMPARE(r.status, 0);
        const QJsonArray ports = r.json().value(QStringLiteral("ports")).toArray();
        QStringList modes;
        for (const QJsonValue &p : ports)
            modes << p.toObject().value(QStringLiteral("mode")).toString();
        QCOMPARE(modes.join(QLatin1Char(' ')), QStringLiteral("iolink iolink di iolink do iolink off iolink"));
        QCOMPARE(ports.at(1).toObject().value(QStringLiteral("deviceId")).toInt(), 101101);
        QCOMPARE(keyOrder(r.out).mid(0, 5), QStringList({"ports", "port", "mode", "vendorId", "deviceId"}));
    }

    void readPrintsExactlyThisObject()
    {
        Result r = runSim({"read", "Port2", "16"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out,
                 QByteArray("{\n  \"port\": \"Port2\",\n  \"index\": 16,\n  \"subindex\": 0,\n"
                            "  \"status\": \"0x00\",\n  \"error\": null,\n"
                            "  \"data\": \"50 65 6c 6c 61 6d 61 72\"\n}\n"));
        r = runSim({"read", "2", "0x3e7", "0"}); // index 999: not in the description
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out,
                 QByteArray("{\n  \"port\": \"Port2\",\n  \"index\": 999,\n  \"subindex\": 0,\n"
                            "  \"status\": \"0xff\",\n  \"error\": {\n    \"code\": \"0x8011\",\n"
                            "    \"text\": \"Index not available\"\n  },\n  \"data\": null\n}\n"));
    }

    void exitStatuses_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString absent = file("absent.json", R"({"adapter": {"absent": true}})");
        const QString notXml = file("broken.xml", "<IODevice><unclosed>");
        QTest::newRow("no device on a DI port") << QStringList{"write", "3", "24", "0", "41"} << 1 << "";
        // 5000 for Damping (0..4000): the description's limits stop it before the device is asked.
        QTest::newRow("outside the limits") << QStringList{"set", "2", "--iodd", m_iodd, "66", "5000"} << 2 << "4000";
        QTest::newRow("unknown command") << QStringList{"status"} << 2 << "unknown command";
        QTest::newRow("port 9") << QStringList{"read", "Port9", "16"} << 2 << "PORT";
        QTest::newRow("subindex 256") << QStringList{"read", "1", "16", "256"} << 2 << "SUBINDEX";
        QTest::newRow("odd hex") << QStringList{"write", "1", "24", "0", "4"} << 2 << "HEX";
        QTest::newRow("--iodd missing") << QStringList{"pd", "2"} << 2 << "--iodd";
        QTest::newRow("IODD unreadable") << QStringList{"params", "2", "--iodd", m_dir.filePath("none.xml")} << 2
                                         << "cannot read";
        QTest::newRow("IODD not XML") << QStringList{"pd", "2", "--iodd", notXml} << 2 << "not well-formed";
        QTest::newRow("unknown role") << QStringList{"params", "2", "--iodd", m_iodd, "--role", "admin"} << 2
                                      << "--role";
        QTest::newRow("read-only entry") << QStringList{"set", "2", "--iodd", m_iodd, "16", "x"} << 2 << "access";
        QTest::newRow("not a choice") << QStringList{"set", "2", "--iodd", m_iodd, "69", "inch"} << 2 << "bar, MPa";
        QTest::newRow("bad scenario") << QStringList{"--scenario", notXml, "ports"} << 2 << "not JSON";
        QTest::newRow("no adapter") << QStringList{"--scenario", absent, "ports"} << 3 << "no adapter";
    }
    void exitStatuses()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);
        const Result r = runSim(args);
        QCOMPARE(r.status, status);
        QVERIFY2(r.err.contains(message.toUtf8()), r.err.constData());
        // Only an answer, good or bad, is printed; its error says why.
        if (status == 1)
            QVERIFY(!r.json().value(QStringLiteral("error")).toObject().value(QStringLiteral("text")).isUndefined());
        else
            QVERIFY(r.out.isEmpty());
    }

    void paramsAndProcessDataShape()
    {
        Result r = runSim({"params", "Port2", "--iodd", m_iodd, "--role", "observer"});
        QCOMPARE(r.status, 0);
        const QStringList valueKeys{"menu", "label", "index", "subindex", "raw", "value", "unit", "error"};
        QCOMPARE(keyOrder(r.out).mid(0, 11), QStringList({"vendorId", "deviceId", "values"}) + valueKeys);
        QCOMPARE(keyOrder(r.out).count(QStringLiteral("menu")), keyOrder(r.out).count(QStringLiteral("error")));

        // A device that has none of the description's own variables: every one of them fails alone.
        r = runSim({"params", "1", "--iodd", m_iodd});
        QCOMPARE(r.status, 1);
        int notAvailable = 0;
        for (const QJsonValue &v : r.json().value(QStringLiteral("values")).toArray())
            notAvailable += v[QStringLiteral("error")][QStringLiteral("code")].toString() == QLatin1String("0x8011");
        QVERIFY(notAvailable > 20);

        r = runSim({"pd", "2", "--iodd", m_iodd});
        QCOMPARE(r.status, 0);
        const QJsonObject in = r.json().value(QStringLiteral("in")).toObject();
        const QByteArray raw = QByteArray::fromHex(in.value(QStringLiteral("raw")).toString().toLatin1());
        QCOMPARE(raw.size(), 4);
        const QJsonObject pressure = in.value(QStringLiteral("items")).toArray().at(4).toObject();
        QCOMPARE(pressure.value(QStringLiteral("bitOffset")).toString(), QStringLiteral("16"));
        // Bits 16..31 are the first two octets.
        QCOMPARE(pressure.value(QStringLiteral("raw")).toString().toInt(), (quint8(raw[0]) << 8) | quint8(raw[1]));
        QCOMPARE(r.json().value(QStringLiteral("out")).toObject().value(QStringLiteral("raw")).toString(),
                 QStringLiteral("00 00"));
        QCOMPARE(keyOrder(r.out).mid(0, 11),
                 QStringList({"in", "raw", "items", "name", "subindex", "bitOffset", "bitLength", "raw", "value",
                              "unit", "name"}));
    }

    void valuesReachTheDeviceAndComeBack()
    {
        applyDefaultSetup(VirtualAdapter::instance());
        QCOMPARE(runHere({"write", "Port2", "71", "0", "41", "42", "43"}).status, 0); // shown as ABC below

        // One item of a record: the others keep the device's values.
        Result r = runHere({"set", "2", "--iodd", m_iodd, "64:3", "Window,", "normally", "closed"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.json().value(QStringLiteral("raw")).toString(), QStringLiteral("0c 80 0b b8 03 00"));
        QCOMPARE(runHere({"set", "2", "--iodd", m_iodd, "64:1", "250.5"}).status, 0);
        QCOMPARE(runHere({"set", "2", "--iodd", m_iodd, "67", "-1.25"}).status, 0);
        QCOMPARE(runHere({"set", "2", "--iodd", m_iodd, "12:2", "Locked"}).status, 0);

        r = runHere({"params", "2", "--iodd", m_iodd});
        QCOMPARE(r.status, 0);
        QMap<QString, QString> shown;
        for (const QJsonValue &v : r.json().value(QStringLiteral("values")).toArray())
            shown.insert(v["index"].toString() + ':' + v["subindex"].toString(), v["value"].toString());
        QStringList values;
        for (const char *key : {"64:1", "64:2", "64:3", "67:0", "12:1", "12:2", "71:0"})
            values << shown.value(key);
        QCOMPARE(values.join('|'), "250.5|300.0|Window, normally closed|-1.25|Unlocked|Locked|ABC");
    }

    // Messages in the locale's language: English unless the locale is Chinese.
    void messagesInTheLocalesLanguage()
    {
        const QStringList args{"set", "2", "--iodd", m_iodd, "64:1", "99999"};
        const Result english = runSim(args, {"LANG=C.UTF-8"});
        const Result chinese = runSim(args, {"LANG=zh_CN.UTF-8"});
        QCOMPARE(english.status, 2);
        QVERIFY2(english.err.contains("Out of range -3276.8 … 3276.7") && !english.err.contains("超出"),
                 english.err.constData());
        QVERIFY2(chinese.err.contains("超出范围"), chinese.err.constData());
    }
};

QTEST_MAIN(tst_hub8ctl)
#include "tst_hub8ctl.moc"
