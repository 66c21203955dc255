// Devices built from makers' IODD files on the virtual adapter, with fixed input and given parameters: hub8ctl-sim and
// the "In port" page show the same values, worked out by hand. (Parameter writes on corpus devices: the checker in
// ../shared/checks and tst_parameteraccess.)

#include "ctlrun.h"
#include "description/ioddfile.h"
#include "link/linkhub.h"
#include "procdata/processdatainpage.h"
#include "resources/hub8resources.h"
#include "scenario.h"
#include "simhelpers.h"
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
        QVERIFY(SimHelpers::openHubLink());
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
        QVERIFY(SimHelpers::linkIdle());
        QStringList onPage;
        const auto *table = page.findChild<QTableWidget *>("table");
        for (int row = 0; row < table->rowCount(); ++row)
            onPage << table->item(row, 2)->text();

        QCOMPARE(onPage, printed);
        QCOMPARE(printed.mid(0, shown.size()), shown);
    }
};

QTEST_MAIN(tst_corpusagreement)
#include "tst_corpusagreement.moc"
