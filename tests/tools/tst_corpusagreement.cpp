// Devices built from makers' IODD files on the virtual adapter, with fixed input and given parameters: hub8ctl-sim and
// the "In port" page show the same values, worked out by hand; typed parameter values reach the device as the octets
// IO-Link codes them and read back the same.

#include "ctlrun.h"
#include "description/ioddfile.h"
#include "link/linkhub.h"
#include "link/modbuslink.h"
#include "procdata/processdatainpage.h"
#include "resources/hub8resources.h"
#include "scenario.h"
#include "testhelpers.h"
#include "virtualadapter.h"

#include <QJsonArray>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Device
{
    int port;
    const char *folder;
    const char *input;
    const char *parameters; // the scenario's "parameters" object
};

// Input octets and the values they stand for are in the rows below.
const Device devices[] = {
    {1, "06-ifm-0002dd-tv7105", "06 67 00 02", R"({"584": "01 2c"})"},
    {3, "05-stego-css014", "00 01 c2 0f 00 f5", R"({"101": "00 fa"})"},
    {4, "07-ifm-000469", "09 c4 00 00 0a 28 00 31", R"({"631": "13 88"})"},
    {5, "17-autosen-ap006", "ff f9", R"({"584": "00 c8"})"},
};

QString descriptionOf(const char *folder)
{
    const QDir dir(TestHelpers::corpusDir() + QLatin1Char('/') + QLatin1String(folder));
    const QStringList files = dir.entryList({QStringLiteral("*.xml")}, QDir::Files);
    return files.isEmpty() ? QString() : dir.filePath(files.first());
}

} // namespace

class tst_corpusagreement : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_scenario;

    QJsonObject runSim(const QStringList &args)
    {
        const CtlRun::Result r = CtlRun::runSim(QStringList{"--scenario", m_scenario} + args);
        if (r.status != 0)
            qWarning() << "hub8ctl-sim" << args << r.err;
        return r.json();
    }

private slots:
    void initTestCase()
    {
        if (!TestHelpers::corpusPresent())
            QSKIP("no IODD corpus");
        initHub8Resources();
        QJsonObject ports;
        for (const Device &d : devices) {
            const QJsonObject device{{"type", "iodd"},
                                     {"file", descriptionOf(d.folder)},
                                     {"processDataIn", QLatin1String(d.input)},
                                     {"parameters", QJsonDocument::fromJson(d.parameters).object()}};
            ports.insert(QStringLiteral("Port%1").arg(d.port), QJsonObject{{"mode", "iolink"}, {"device", device}});
        }
        m_scenario =
            TestHelpers::writtenIn(m_dir, "corpus.json", QJsonDocument(QJsonObject{{"ports", ports}}).toJson());

        QString error;
        QVERIFY2(applyScenarioFile(m_scenario, VirtualAdapter::instance(), &error), qPrintable(error));
        LinkHub *hub = LinkHub::instance();
        hub->setLink(new ModbusLink);
        QCOMPARE(hub->link()->openDevice(), 0);
    }

    void processDataAgrees_data()
    {
        QTest::addColumn<int>("device");
        QTest::addColumn<QStringList>("shown");
        // 06 67 = 1639 x 0.1; bit 1 set: OUT2 on.
        QTest::newRow("TV7105") << 0 << QStringList{"163.9 °C", "active", "inactive"};
        // Temperature at 32: 00 01 = 0.1 °C; flags 24..27 from c2; humidity at 8: 0f 00 = 384.0 %; flags 0..3 from f5.
        QTest::newRow("CSS014") << 1 << QStringList{"0.1 °C",  "false", "true",  "false", "false",
                                                    "384.0 %", "true",  "false", "true",  "false"};
        // 09 c4 = 2500 x 0.01 °C at 48; 0a 28 = 2600 at 16; 0x31: status 3 at 4, CC status bit 0.
        QTest::newRow("000469") << 2 << QStringList{"25.00 °C", "26.00 °C", "Functional check", "On"};
        // ff f9: 14 bits at 2 = -2 x 0.01 bar; OUT2 bit 1 = 0, OUT1 bit 0 = 1.
        QTest::newRow("AP006") << 3 << QStringList{"-0.02 bar", "inactive", "active"};
    }

    void processDataAgrees()
    {
        QFETCH(int, device);
        QFETCH(QStringList, shown);
        const Device &d = devices[device];
        const QString file = descriptionOf(d.folder);

        const QJsonObject in = runSim({"pd", QString::number(d.port), "--iodd", file}).value("in").toObject();
        QCOMPARE(in.value("raw").toString(), QString::fromLatin1(d.input));
        QStringList printed;
        for (const QJsonValue &item : in.value("items").toArray()) {
            const QString unit = item["unit"].toString();
            printed << (unit.isEmpty() ? item["value"].toString() : item["value"].toString() + ' ' + unit);
        }

        IoddFile description;
        QCOMPARE(description.load(file), 0);
        ProcessDataInPage page;
        page.setPort(d.port - 1);
        page.setProcessData(description.processDataIn());
        LinkHub::instance()->setActivePorts({d.port - 1});
        page.onPollTimeout();
        QStringList onPage;
        const auto *table = page.findChild<QTableWidget *>("table");
        for (int row = 0; row < table->rowCount(); ++row)
            onPage << table->item(row, 2)->text();

        QCOMPARE(onPage, printed);
        QCOMPARE(printed.mid(0, shown.size()), shown);
    }

    // typed value -> octets on the wire -> the value read back, through the commands a user runs.
    void parameterRoundTrip_data()
    {
        QTest::addColumn<int>("device");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("octets");
        QTest::addColumn<QString>("given"); // the scenario's value of another parameter, as shown
        QTest::addColumn<QString>("givenAt");
        const auto row = [](const char *name, int device, const char *address, const char *typed, const char *octets,
                            const char *given, const char *givenAt) {
            QTest::newRow(name) << device << address << typed << octets << given << givenAt;
        };
        // 75.5 °C / 0.1 = 755; given 01 2c = 300 x 0.1 °C.
        row("TV7105 switch point", 0, "583", "75.5", "02 f3", "30.0", "584:0");
        // The first menu shows °F: (50 - 32) / 0.018 = 1000; given 13 88 = 5000 -> 122.00 °F.
        row("000469 analogue start", 2, "630", "50.00", "03 e8", "122.00", "631:0");
        // 0.300 MPa / 0.001 = 300; given 00 c8 = 200 -> 0.200 MPa.
        row("AP006 switch point", 3, "583", "0.300", "01 2c", "0.200", "584:0");
    }

    void parameterRoundTrip()
    {
        QFETCH(int, device);
        QFETCH(QString, address);
        QFETCH(QString, typed);
        const Device &d = devices[device];
        const QString port = QString::number(d.port), file = descriptionOf(d.folder);

        const CtlRun::Result set = CtlRun::runHere({"set", port, "--iodd", file, address, typed});
        QCOMPARE(set.status, 0);
        QTEST(set.json().value("raw").toString(), "octets");

        const QJsonObject params = CtlRun::runHere({"params", port, "--iodd", file}).json();
        QMultiMap<QString, QString> values;
        for (const QJsonValue &v : params.value("values").toArray())
            values.insert(v["index"].toString() + ':' + v["subindex"].toString(), v["value"].toString());
        QVERIFY2(values.values(address + ":0").contains(typed), qPrintable(values.values(address + ":0").join('|')));
        QFETCH(QString, givenAt);
        QFETCH(QString, given);
        QVERIFY2(values.values(givenAt).contains(given), qPrintable(values.values(givenAt).join('|')));
    }
};

QTEST_MAIN(tst_corpusagreement)
#include "tst_corpusagreement.moc"
