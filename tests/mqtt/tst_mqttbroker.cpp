// hub8ctl-sim's mqtt command against a real mosquitto broker started by the
// test: what arrives for the built-in device and two makers' devices, how
// often process data comes, the last will, and the ways a broker can refuse.

#include "brokerfixture.h"
#include "testhelpers.h"

#include "description/ioddheaderreader.h"
#include "log/writejournal.h"

#include <QDir>
#include <QJsonArray>
#include <QtTest>

using namespace BrokerFixture;

namespace {

const char root[] = "vanto-hub8/VH8-24-000417/";

// The built-in device's description as the scenario names it.
const char builtinFile[] =
    "iodd/1484_101101_V1.1_Pellamar-KTX-400A-M12-20240117-IODD1.1/Pellamar-KTX-400A-M12-20240117-IODD1.1.xml";

QJsonObject device(const QString &file, const char *input)
{
    QJsonObject d{{"type", "iodd"}, {"file", file}};
    if (input)
        d.insert("processDataIn", QLatin1String(input));
    return d;
}

QJsonObject port(const QJsonObject &device)
{
    return {{"mode", "iolink"}, {"device", device}};
}

// The value of the first item of a process-data payload with this unit.
QJsonValue valueWithUnit(const QJsonObject &payload, const QString &unit)
{
    const QJsonObject values = payload.value("values").toObject();
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (it.value().toObject().value("unit").toString() == unit)
            return it.value().toObject().value("value");
    }
    return QJsonValue(QJsonValue::Undefined);
}

} // namespace

class tst_mqttbroker : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_library; // an IODD library of the corpus devices used here

    QString scenario(const QString &name, const QJsonObject &ports)
    {
        return TestHelpers::writtenIn(m_dir, name, QJsonDocument(QJsonObject{{"ports", ports}}).toJson());
    }

    // The corpus folder's description, copied into the test's library.
    QString libraryFile(const char *folder)
    {
        const QDir source(TestHelpers::corpusDir() + '/' + folder);
        const QStringList files = source.entryList({"*.xml"}, QDir::Files);
        if (files.isEmpty())
            return QString();
        QDir(m_library).mkpath(folder);
        const QString target = m_library + '/' + folder + '/' + files.first();
        QFile::copy(source.filePath(files.first()), target);
        return target;
    }

private slots:
    void initTestCase()
    {
        // hub8ctl-sim keeps its journal where XDG_DATA_HOME says (the test's
        // own folder, tests/common/isolatedsettings.cpp); read it there.
        WriteJournal::setPath(QFile::decodeName(qgetenv("XDG_DATA_HOME")) + "/vanto-hub8/journal.jsonl");
        if (mosquittoPath().isEmpty())
            QSKIP("no mosquitto broker installed (scripts/test.sh installs it)");
        QVERIFY(m_dir.isValid());
        m_library = m_dir.filePath("library");
        QVERIFY(QDir().mkpath(m_library));
    }

    void topicsAndPayloads()
    {
        if (!TestHelpers::corpusPresent())
            QSKIP("no IODD corpus");
        const QString tv7105 = libraryFile("06-ifm-0002dd-tv7105");
        const QString ap006 = libraryFile("17-autosen-ap006");
        QVERIFY(!tv7105.isEmpty() && !ap006.isEmpty());
        // Pressure 09 c4 = 250.0 bar; 07 5d = temperature 235 << 3 | warning << 2 | OUT1.
        QJsonObject builtin = device(builtinFile, "09 c4 07 5d");
        builtin.insert("serialNumber", "PK-MQTT-2");
        const QString file = scenario("three.json",
                                      {{"Port2", port(builtin)},
                                       {"Port3", QJsonObject{{"mode", "di"}}},
                                       {"Port4", port(device(tv7105, "06 67 00 02"))},
                                       {"Port6", port(device(ap006, "ff f9"))}});
        Broker broker(m_dir.path());
        QVERIFY2(broker.start("allow_anonymous true"), qPrintable(broker.log()));
        Subscriber sub(plainConnection(broker.port(), "watcher"));
        QVERIFY(sub.open());

        Publisher publisher;
        publisher.start(file,
                        {"--broker", QString("mqtt://127.0.0.1:%1").arg(broker.port()), "--iodd-dir", m_library,
                         "--iodd-dir", QCoreApplication::applicationDirPath() + "/iodd", "--poll-interval", "50",
                         "--max-interval", "1000"});

        // Identification, retained at QoS 1, named from each description.
        const struct
        {
            int port;
            QString file;
        } devices[] = {{2, QCoreApplication::applicationDirPath() + '/' + builtinFile}, {4, tv7105}, {6, ap006}};
        for (const auto &d : devices) {
            const Message m = sub.waitFor(QString("port%1/device/identification").arg(d.port));
            QVERIFY2(!m.payload.isEmpty(),
                     qPrintable(QString("port%1: nothing; %2").arg(d.port).arg(publisher.err.data())));
            QCOMPARE(m.qos, 1);
            IoddHeaderReader header(d.file);
            const QJsonObject id = m.json();
            QCOMPARE(id.value("vendorId").toInt(), header.vendorId());
            QCOMPARE(id.value("deviceId").toInt(), header.deviceId());
            QCOMPARE(id.value("description").toString(), QFileInfo(d.file).fileName());
            QVERIFY(!id.value("productName").toString().isEmpty());
        }
        QCOMPARE(sub.waitFor("port2/device/identification").json().value("serialNumber").toString(),
                 QString("PK-MQTT-2"));

        // Process data decoded with each description, the octets beside.
        const QJsonObject input = sub.waitFor("port2/device/processdata/in").json();
        QCOMPARE(input.value("raw").toArray(), (QJsonArray{9, 196, 7, 93}));
        QCOMPARE(input["values"]["Pressure"].toObject(), (QJsonObject{{"value", 250.0}, {"unit", "bar"}}));
        QCOMPARE(input["values"]["Temperature"].toObject(), (QJsonObject{{"value", 23.5}, {"unit", "°C"}}));
        QCOMPARE(input["values"]["OUT1"]["value"].toString(), QString("On"));
        QCOMPARE(input["values"]["Device warning"]["value"], QJsonValue(true));
        QCOMPARE(sub.waitFor("port2/device/processdata/out").json().value("raw").toArray(), (QJsonArray{0, 0}));
        // 06 67 = 1639 x 0.1 °C; ff f9: 14 bits at 2 = -2 x 0.01 bar.
        QCOMPARE(valueWithUnit(sub.waitFor("port4/device/processdata/in").json(), "°C").toDouble(), 163.9);
        QCOMPARE(valueWithUnit(sub.waitFor("port6/device/processdata/in").json(), "bar").toDouble(), -0.02);

        // Ports: their modes, a device's ids.
        QCOMPARE(sub.waitFor("port3/state").json().value("statusInfo").toString(), QString("DIGITAL_INPUT"));
        QCOMPARE(sub.waitFor("port1/state").json().value("statusInfo").toString(), QString("DEACTIVATED"));
        QCOMPARE(sub.waitFor("port2/state").json().value("deviceId").toInt(), 101101);
        QCOMPARE(sub.waitFor("adapter/state").json().value("state").toString(), QString("present"));
        QCOMPARE(sub.waitFor("publisher/state").json().value("state").toString(), QString("online"));

        // Input that does not change goes out again each --max-interval, not at each poll.
        const int before = sub.on("port2/device/processdata/in").size();
        QTest::qWait(2600);
        const int repeats = sub.on("port2/device/processdata/in").size() - before;
        QVERIFY2(repeats >= 1 && repeats <= 4, qPrintable(QString::number(repeats)));

        // A client that comes later finds the state retained.
        Subscriber late(plainConnection(broker.port(), "late"), QString(root) + "port4/#");
        QVERIFY(late.open());
        const Message kept = late.waitFor("port4/device/identification", 3000);
        QVERIFY(kept.retained);
        QVERIFY(late.waitFor("port4/state", 3000).retained);

        // SIGTERM: offline, retained, and a summary.
        QCOMPARE(publisher.stop(), 0);
        QCOMPARE(publisher.summary().value("dropped").toInt(), 0);
        QVERIFY(publisher.summary().value("acknowledged").toInt() > 10);
        QTRY_COMPARE_WITH_TIMEOUT(sub.on("publisher/state").last().json().value("state").toString(), QString("offline"),
                                  5000);
        Subscriber after(plainConnection(broker.port(), "after"), QString(root) + "publisher/state");
        QVERIFY(after.open());
        QCOMPARE(after.waitFor("publisher/state", 3000).json().value("state").toString(), QString("offline"));
    }

    void changesAndLastWill()
    {
        // The built-in device's input moves all the time.
        const QString file = scenario("moving.json", {{"Port2", port(device(builtinFile, nullptr))}});
        Broker broker(m_dir.path());
        QVERIFY2(broker.start("allow_anonymous true"), qPrintable(broker.log()));
        Subscriber sub(plainConnection(broker.port(), "watcher"));
        QVERIFY(sub.open());
        Publisher publisher;
        publisher.start(file,
                        {"--broker", QString("mqtt://127.0.0.1:%1").arg(broker.port()), "--poll-interval", "50",
                         "--min-interval", "400", "--max-interval", "5000"});
        QVERIFY(!sub.waitFor("port2/device/processdata/in").payload.isEmpty());
        QTest::qWait(2500);

        // Changes go out, but no closer together than --min-interval.
        QList<QDateTime> times;
        for (const Message &m : sub.on("port2/device/processdata/in"))
            times << QDateTime::fromString(m.json().value("time").toString(), Qt::ISODateWithMs);
        QVERIFY2(times.size() >= 3 && times.size() <= 8, qPrintable(QString::number(times.size())));
        for (int i = 1; i < times.size(); ++i)
            QVERIFY2(times.at(i - 1).msecsTo(times.at(i)) >= 400,
                     qPrintable(QString::number(times.at(i - 1).msecsTo(times.at(i)))));

        // Killed without a word: the broker publishes the will.
        QCOMPARE(sub.on("publisher/state").last().json().value("state").toString(), QString("online"));
        publisher.killHard();
        QTRY_COMPARE_WITH_TIMEOUT(sub.on("publisher/state").last().json().value("state").toString(), QString("offline"),
                                  5000);
        QVERIFY(sub.on("publisher/state").last().qos == 1);
    }

    void deviceEvents()
    {
        QJsonObject builtin = device(builtinFile, "09 c4 07 5d");
        builtin.insert("events",
                       QJsonArray{QJsonObject{{"code", "0x4210"}, {"type", "warning"}, {"for", 3}},
                                  QJsonObject{{"code", "0x5111"}, {"type", "error"}, {"at", 1}}});
        Broker broker(m_dir.path());
        QVERIFY2(broker.start("allow_anonymous true"), qPrintable(broker.log()));
        Subscriber sub(plainConnection(broker.port(), "watcher"), QString(root) + "port2/device/events");
        QVERIFY(sub.open());
        Publisher publisher;
        publisher.start(scenario("events.json", {{"Port2", port(builtin)}}),
                        {"--broker", QString("mqtt://127.0.0.1:%1").arg(broker.port())});

        // Each event once as it appears, with the texts the standard definitions give it,
        // the warning once more as it goes; the error stays.
        QTRY_VERIFY_WITH_TIMEOUT(sub.messages.size() >= 3, 9000);
        QTest::qWait(2200);
        QCOMPARE(publisher.stop(), 0);
        QMap<QString, QJsonObject> seen;
        for (const Message &m : qAsConst(sub.messages)) {
            QCOMPARE(m.qos, 1);
            QVERIFY(!m.retained);
            const QJsonObject o = m.json();
            const QString key = QString::number(o.value("code").toInt(), 16) + ' ' + o.value("mode").toString();
            QVERIFY2(!seen.contains(key), qPrintable(key));
            seen.insert(key, o);
        }
        QCOMPARE(seen.keys(), (QStringList{"4210 APPEARS", "4210 DISAPPEARS", "5111 APPEARS"}));
        const QJsonObject warning = seen.value("4210 APPEARS");
        QCOMPARE(warning.value("severity").toString(), QString("WARNING"));
        QCOMPARE(warning.value("text").toString(), QString("Device temperature over-run"));
        QCOMPARE(warning.value("description").toString(),
                 QString("Check the ambient temperature and the heat dissipation."));
        QCOMPARE(seen.value("5111 APPEARS").value("severity").toString(), QString("ERROR"));
        QVERIFY(!seen.value("5111 APPEARS").value("text").toString().isEmpty());
    }

    void adapterUnplugged()
    {
        Broker broker(m_dir.path());
        QVERIFY2(broker.start("allow_anonymous true"), qPrintable(broker.log()));
        Subscriber sub(plainConnection(broker.port(), "watcher"));
        QVERIFY(sub.open());
        Publisher publisher;
        publisher.start(scenario("unplug.json", {{"Port2", port(device(builtinFile, "09 c4 07 5d"))}}),
                        {"--broker", QString("mqtt://127.0.0.1:%1").arg(broker.port()), "--max-interval", "300"}, {},
                        {"--unplug", "1.5,3"});
        QVERIFY(!sub.waitFor("port2/device/identification").payload.isEmpty());

        // Gone, then back: said so, and its device identified and read again.
        QTRY_COMPARE_WITH_TIMEOUT(sub.on("adapter/state").last().json().value("state").toString(), QString("absent"),
                                  5000);
        const qint64 absentAt = sub.elapsedMs();
        QTRY_COMPARE_WITH_TIMEOUT(sub.on("adapter/state").last().json().value("state").toString(), QString("present"),
                                  8000);
        QTRY_VERIFY_WITH_TIMEOUT(sub.on("port2/device/identification").last().atMs > absentAt, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(sub.on("port2/device/processdata/in").last().atMs > absentAt + 500, 5000);
        QCOMPARE(publisher.stop(), 0);
    }

    void brokerRestart()
    {
        const QString file = scenario("moving.json", {{"Port2", port(device(builtinFile, nullptr))}});
        QTemporaryDir store;
        // Persistence keeps the watcher's session (and what is queued for it) over the restart.
        Broker broker(m_dir.path());
        QVERIFY2(broker.start("allow_anonymous true\npersistence true\npersistence_location " + store.path() + "/"),
                 qPrintable(broker.log()));
        MqttConnection keeper = plainConnection(broker.port(), "keeper");
        keeper.cleanSession = false;
        Subscriber sub(keeper, QString(root) + "port2/#");
        QVERIFY(sub.open());
        Publisher publisher;
        publisher.start(file,
                        {"--broker", QString("mqtt://127.0.0.1:%1").arg(broker.port()), "--poll-interval", "50",
                         "--min-interval", "0", "--max-interval", "300", "--reconnect-max", "1"});
        QVERIFY(!sub.waitFor("port2/device/identification").payload.isEmpty());
        QTest::qWait(500);

        broker.stop();
        const QDateTime down = QDateTime::currentDateTimeUtc();
        QTest::qWait(2000);
        const QDateTime up = QDateTime::currentDateTimeUtc();
        const int identifications = sub.on("port2/device/identification").size();
        QVERIFY2(broker.start(), qPrintable(broker.log()));

        // Both come back; the publisher sends the identification again.
        QTRY_VERIFY_WITH_TIMEOUT(sub.connects() >= 2, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(sub.on("port2/device/identification").size() > identifications, 5000);
        QTest::qWait(1000);
        QCOMPARE(publisher.stop(), 0);
        QCOMPARE(publisher.summary().value("dropped").toInt(), 0);
        QCOMPARE(publisher.summary().value("unsent").toInt(), 0);

        // Input made while the broker was away arrives, and none is missing:
        // no two a second apart (the max interval is 300 ms, the outage 2 s).
        QList<QDateTime> times;
        for (const Message &m : sub.on("port2/device/processdata/in"))
            times << QDateTime::fromString(m.json().value("time").toString(), Qt::ISODateWithMs);
        std::sort(times.begin(), times.end());
        int whileDown = 0;
        for (int i = 0; i < times.size(); ++i) {
            whileDown += times.at(i) > down.addMSecs(200) && times.at(i) < up ? 1 : 0;
            if (i > 0)
                QVERIFY2(times.at(i - 1).msecsTo(times.at(i)) < 1000,
                         qPrintable(times.at(i - 1).toString(Qt::ISODateWithMs) + " .. "
                                    + times.at(i).toString(Qt::ISODateWithMs)));
        }
        QVERIFY2(whileDown >= 3, qPrintable(QString::number(whileDown)));
    }

    void fullOutboxDrops()
    {
        const QString file = scenario("moving.json", {{"Port2", port(device(builtinFile, nullptr))}});
        Broker broker(m_dir.path());
        QVERIFY2(broker.start("allow_anonymous true"), qPrintable(broker.log()));
        Subscriber sub(plainConnection(broker.port(), "watcher"), QString(root) + "port2/device/processdata/in");
        QVERIFY(sub.open());
        Publisher publisher;
        publisher.start(file,
                        {"--broker", QString("mqtt://127.0.0.1:%1").arg(broker.port()), "--poll-interval", "50",
                         "--min-interval", "0", "--max-interval", "100", "--buffer", "3", "--reconnect-max", "1"});
        QVERIFY(!sub.waitFor("port2/device/processdata/in").payload.isEmpty());
        broker.stop();
        QTest::qWait(1500);
        QVERIFY2(broker.start(), qPrintable(broker.log()));
        QTRY_VERIFY_WITH_TIMEOUT(sub.connects() >= 2, 5000);
        QTest::qWait(500);
        QCOMPARE(publisher.stop(), 0);
        // At least one message every max interval was made while the broker was away, and three were kept.
        QVERIFY2(publisher.summary().value("dropped").toInt() >= 5, publisher.out.constData());
        QVERIFY(publisher.err.contains("dropped"));
    }

    void tlsAndPasswords_data()
    {
        QTest::addColumn<QString>("caFile");
        QTest::addColumn<bool>("clientCertificate");
        QTest::addColumn<QString>("credentials"); // "env", "file" or a wrong password in a file
        QTest::addColumn<int>("status");
        QTest::newRow("password from the environment") << "ca.crt" << true << "env" << 0;
        QTest::newRow("password from a file") << "ca.crt" << true << "file" << 0;
        QTest::newRow("wrong password") << "ca.crt" << true << "wrong" << 3;
        QTest::newRow("another CA") << "other-ca.crt" << true << "file" << 3;
        QTest::newRow("no client certificate") << "ca.crt" << false << "file" << 3;
    }

    void tlsAndPasswords()
    {
        QFETCH(QString, caFile);
        QFETCH(bool, clientCertificate);
        QFETCH(QString, credentials);
        QFETCH(int, status);
        QTemporaryDir dir;
        const auto path = [&dir](const QString &name) { return dir.filePath(name); };
        const auto openssl = [&dir](const QString &args) {
            QProcess p;
            p.setWorkingDirectory(dir.path());
            p.start("openssl", args.split(' '));
            return p.waitForFinished(20000) && p.exitCode() == 0;
        };
        // A CA, the broker's certificate for 127.0.0.1 and a client certificate, all signed by it; another CA.
        const QString key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        QVERIFY(openssl("req -x509 " + key + " -keyout ca.key -out ca.crt -days 2 -subj /CN=hub8-test-ca"));
        QVERIFY(openssl("req -x509 " + key + " -keyout other-ca.key -out other-ca.crt -days 2 -subj /CN=other"));
        QVERIFY(TestHelpers::writeFile(path("san.ext"), "subjectAltName=IP:127.0.0.1\n"));
        QVERIFY(openssl("req " + key + " -keyout server.key -out server.csr -subj /CN=127.0.0.1"));
        QVERIFY(openssl("x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out server.crt -days 2 "
                        "-extfile san.ext"));
        QVERIFY(openssl("req " + key + " -keyout client.key -out client.csr -subj /CN=hub8"));
        QVERIFY(openssl("x509 -req -in client.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out client.crt -days 2"));
        QVERIFY(TestHelpers::writeFile(path("passwords"), ""));
        QCOMPARE(QProcess::execute("mosquitto_passwd", {"-b", path("passwords"), "hub", "s3cret"}), 0);

        Broker broker(dir.path());
        QVERIFY2(broker.start(QString("cafile %1\ncertfile %2\nkeyfile %3\nrequire_certificate true\n"
                                      "allow_anonymous false\npassword_file %4")
                                  .arg(path("ca.crt"), path("server.crt"), path("server.key"), path("passwords"))),
                 qPrintable(broker.log()));
        MqttConnection tls = plainConnection(broker.port(), "watcher");
        tls.caFile = path("ca.crt");
        tls.certFile = path("client.crt");
        tls.keyFile = path("client.key");
        tls.userName = "hub";
        tls.password = "s3cret";
        Subscriber sub(tls, QString(root) + "#");
        QVERIFY(sub.open());

        QStringList args{"--broker", QString("mqtts://127.0.0.1:%1").arg(broker.port()), "--cafile", path(caFile)};
        if (clientCertificate)
            args << "--cert" << path("client.crt") << "--key" << path("client.key");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (credentials == "env") {
            env.insert("HUB8_MQTT_USERNAME", "hub");
            env.insert("HUB8_MQTT_PASSWORD", "s3cret");
        } else {
            const QByteArray password = credentials == "file" ? "s3cret" : credentials.toUtf8();
            args << "--credentials" << TestHelpers::writtenIn(dir, "credentials", "hub\n" + password + "\n");
        }
        Publisher publisher;
        publisher.start(scenario("one.json", {{"Port2", port(device(builtinFile, "09 c4 07 5d"))}}), args, env);
        if (status != 0) {
            const int exitStatus = publisher.finish();
            QVERIFY2(exitStatus == status, publisher.err.constData());
            QCOMPARE(publisher.err.trimmed().count('\n'), 0);
            QVERIFY(sub.on("publisher/state").isEmpty());
            return;
        }
        QCOMPARE(sub.waitFor("port2/device/identification").json().value("deviceId").toInt(), 101101);
        QCOMPARE(publisher.stop(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(sub.on("publisher/state").last().json().value("state").toString(), QString("offline"),
                                  5000);
    }

    void writesFromTheBroker_data()
    {
        QTest::addColumn<bool>("allowed");
        QTest::newRow("not allowed") << false;
        QTest::newRow("allowed") << true;
    }

    void writesFromTheBroker()
    {
        QFETCH(bool, allowed);
        Broker broker(m_dir.path());
        QVERIFY2(broker.start("allow_anonymous true"), qPrintable(broker.log()));
        Subscriber sub(plainConnection(broker.port(), "operator"), QString(root) + "port2/#");
        QVERIFY(sub.open());
        QStringList args{"--broker", QString("mqtt://127.0.0.1:%1").arg(broker.port()), "--max-interval", "300"};
        if (allowed)
            args << "--allow-writes";
        Publisher publisher;
        publisher.start(scenario("write.json", {{"Port2", port(device(builtinFile, "09 c4 07 5d"))}}), args);
        QVERIFY(!sub.waitFor("port2/device/processdata/out").payload.isEmpty());
        const int journalled = WriteJournal::read().size();

        const QString device = QString(root) + "port2/device/";
        const QList<QPair<QString, QByteArray>> requests{
            // Switch point 300.0 bar: 3000 in the first item of the 6-octet variable 64.
            {"parameter/set", R"({"id": "sp", "index": 64, "subindex": 1, "value": "300.0"})"},
            {"parameter/set", R"({"id": "range", "index": 64, "subindex": 1, "value": 99999})"},
            {"parameter/set", R"({"id": "command", "index": 2, "value": 130})"},
            {"parameter/set", R"({"id": "none", "index": 999, "value": 1})"},
            {"processdata/out/set", R"({"id": "out", "values": {"Lock keys": true, "Locate device": "true"}})"},
            {"processdata/out/set", R"({"id": "item", "values": {"No such item": 1}})"},
            {"processdata/out/set", "not JSON"}};
        for (const auto &[tail, payload] : requests)
            QVERIFY(sub.publish(device + tail, payload));

        if (!allowed) {
            // Nobody listens: no reply, nothing written, nothing in the journal.
            QTest::qWait(1500);
            QVERIFY(sub.on("port2/device/reply").isEmpty());
            QCOMPARE(sub.waitFor("port2/device/processdata/out").json().value("raw").toArray(), (QJsonArray{0, 0}));
            QCOMPARE(WriteJournal::read().size(), journalled);
            QCOMPARE(publisher.stop(), 0);
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(sub.on("port2/device/reply").size(), requests.size(), 10000);
        QMap<QString, QJsonObject> replies;
        for (const Message &m : sub.on("port2/device/reply"))
            replies.insert(m.json().value("id").toString(), m.json());
        QCOMPARE(replies.value("sp").value("ok").toBool(), true);
        QCOMPARE(replies.value("out").value("ok").toBool(), true);
        QCOMPARE(replies.value("out").value("raw").toArray(), (QJsonArray{0, 10}));
        for (const char *refused : {"range", "command", "none", "item", ""}) {
            QVERIFY2(!replies.value(refused).value("ok").toBool(true), refused);
            QVERIFY2(!replies.value(refused).value("error").toString().isEmpty(), refused);
        }
        QVERIFY(replies.value("command").value("error").toString().contains("system commands"));

        // The output as the adapter now sends it: Locate device (bit 1) and Lock keys (bit 3).
        QTRY_COMPARE_WITH_TIMEOUT(sub.on("port2/device/processdata/out").last().json().value("raw").toArray(),
                                  (QJsonArray{0, 10}), 3000);
        QCOMPARE(publisher.stop(), 0);

        // Both writes in the journal, the switch point with its variable's other items as they were.
        const QList<WriteJournal::Record> records = WriteJournal::read().mid(journalled);
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(0).kind, QString("parameter"));
        QCOMPARE(records.at(0).index, 64);
        QCOMPARE(records.at(0).after, TestHelpers::hex("0b b8 0b b8 00 00"));
        QCOMPARE(records.at(0).before.mid(2), TestHelpers::hex("0b b8 00 00"));
        QCOMPARE(records.at(0).outcome, QString("taken"));
        QCOMPARE(records.at(0).program, QString("hub8ctl-sim"));
        QCOMPARE(records.at(1).kind, QString("process data"));
        QCOMPARE(records.at(1).after, TestHelpers::hex("00 0a"));
        QCOMPARE(records.at(1).serialNumber, QString("SN00101101")); // as the device reports it
    }

    void brokerRefuses_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("said");
        QTest::newRow("not a URL") << "127.0.0.1:1883" << QString() << "malformed broker URL";
        QTest::newRow("other scheme") << "http://127.0.0.1" << QString() << "malformed broker URL";
        QTest::newRow("path") << "mqtt://127.0.0.1/x" << QString() << "malformed broker URL";
        QTest::newRow("no host") << "mqtt://:1883" << QString() << "malformed broker URL";
        QTest::newRow("nobody listens") << "mqtt://127.0.0.1:%1" << QString() << "cannot connect";
        QTest::newRow("wrong password") << "mqtt://127.0.0.1:%2"
                                        << "wrong"
                                        << "refused the connection";
        QTest::newRow("no credentials") << "mqtt://127.0.0.1:%2" << QString() << "refused the connection";
    }

    void brokerRefuses()
    {
        QFETCH(QString, url);
        QFETCH(QString, password);
        QFETCH(QString, said);
        // A broker that wants user "hub" with password "right".
        const QString passwords = TestHelpers::writtenIn(m_dir, "passwords", "");
        QCOMPARE(QProcess::execute("mosquitto_passwd", {"-b", passwords, "hub", "right"}), 0);
        Broker broker(m_dir.path());
        QVERIFY2(broker.start("allow_anonymous false\npassword_file " + passwords), qPrintable(broker.log()));
        url.replace("%1", QString::number(freePort())).replace("%2", QString::number(broker.port()));
        QStringList args{"--broker", url};
        if (!password.isEmpty())
            args << "--credentials" << TestHelpers::writtenIn(m_dir, "credentials", "hub\n" + password.toUtf8() + "\n");

        Publisher publisher;
        publisher.start(scenario("none.json", {}), args);
        QCOMPARE(publisher.finish(), 3);
        const QList<QByteArray> lines = publisher.err.trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains(said.toUtf8()), lines.first().constData());
        QVERIFY(publisher.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_mqttbroker)
#include "tst_mqttbroker.moc"
