// Descriptions with several process-data layouts under conditions: the In port and Out port pages
// show the layout the device's variable selects, follow a write of that variable, and fall back to
// the first layout, saying so, when the variable cannot be read.

#include "description/ioddfile.h"
#include "i18n/uilanguage.h"
#include "params/parameterpage.h"
#include "port/portpages.h"
#include "port/processdatalayoutpicker.h"
#include "procdata/processdatainpage.h"
#include "procdata/processdataoutpage.h"
#include "scenario.h"
#include "simhelpers.h"
#include "testhelpers.h"

#include <QtTest>
#include <QtWidgets>

class tst_processdatalayouts : public QObject
{
    Q_OBJECT

    static ProcessDataChoice when(const QString &value)
    {
        ProcessDataChoice c;
        c.conditionVariable = "V_Select";
        c.conditionIndex = "66";
        c.conditionValue = value;
        return c;
    }
    static QString rowLabels(QTableWidget *table)
    {
        QStringList labels;
        for (int row = 0; row < table->rowCount(); ++row)
            labels << table->item(row, 1)->text();
        return labels.join(", ");
    }

private slots:
    void choiceForReadValue_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<int>("choice");
        QTest::newRow("one octet") << QByteArray::fromHex("02") << 1;
        QTest::newRow("two octets, big-endian") << QByteArray::fromHex("0100") << 2;
        QTest::newRow("negative value") << QByteArray::fromHex("ff") << 3;
        QTest::newRow("no layout for it") << QByteArray::fromHex("07") << -1;
        QTest::newRow("nothing read") << QByteArray() << -1;
        QTest::newRow("longer than a number") << QByteArray(9, '\0') << -1;
    }
    void choiceForReadValue()
    {
        QFETCH(QByteArray, octets);
        const QList<ProcessDataChoice> choices{when("0"), when("2"), when("256"), when("-1")};
        QVERIFY(ProcessDataLayoutPicker::conditional(choices));
        QVERIFY(!ProcessDataLayoutPicker::conditional({ProcessDataChoice()}));
        QTEST(ProcessDataLayoutPicker::choiceFor(choices, octets), "choice");
    }

    void pagesFollowTheDevicesSelection()
    {
        if (!TestHelpers::corpusPresent())
            QSKIP("no IODD corpus");
        const QString file = TestHelpers::corpusDir()
            + "/37-iolc-22-conditionalprocessdata/IO-Link-22-ConditionalProcessDataDevice-20240824-IODD1.1.xml";
        VirtualAdapter &adapter = SimHelpers::freshAdapter();
        QString error;
        QVERIFY2(applyScenarioJson(QString("{\"isduLatencyMs\": 0, \"ports\": {\"Port2\": {\"mode\": \"iolink\", "
                                           "\"device\": {\"type\": \"iodd\", \"file\": \"%1\", "
                                           "\"parameters\": {\"66\": \"01\"}}}}}")
                                       .arg(file)
                                       .toUtf8(),
                                   adapter, &error),
                 qPrintable(error));
        QVERIFY(SimHelpers::openHubLink());

        auto description = std::make_shared<IoddFile>();
        QVERIFY(description->load(file) == 0);
        QCOMPARE(description->processDataChoices().size(), 3);
        QCOMPARE(description->processDataIn().name, QString("PD Input - Std")); // the first, never merged

        QTabWidget tabs;
        for (const char *text : {"Adapter", "Communication", "Ports"})
            tabs.addTab(new QWidget, text);
        PortPages view(1);
        view.setPortTabWidget(&tabs);
        view.createPages("SpecialistRoleMenuSet", description->readDeviceInfo(), description, false);
        auto *in = tabs.findChild<ProcessDataInPage *>();
        auto *out = tabs.findChild<ProcessDataOutPage *>();
        auto *parameters = tabs.findChild<ParameterPage *>();
        QVERIFY(in && out && parameters);
        auto *inTable = in->findChild<QTableWidget *>("table");
        const QString firstRows = rowLabels(inTable);

        // Index 66 holds 1: the second layout, on both pages.
        QTRY_VERIFY2(in->layoutNote().contains("PD Input - Set1"), qPrintable(in->layoutNote()));
        QVERIFY(out->layoutNote() == in->layoutNote() && in->layoutNote().contains("V_X_PDSelect = 1"));

        // The parameter page writes 2: the third layout.
        QCOMPARE(SimHelpers::isdu(0x02, 2, 66, 0, QByteArray::fromHex("02")).at(2), '\0');
        emit parameters->variableWritten(66);
        QTRY_VERIFY2(in->layoutNote().contains("PD Input - Set 2"), qPrintable(in->layoutNote()));
        emit parameters->variableWritten(65); // another variable: nothing read
        QVERIFY(in->layoutNote().contains("Set 2"));

        // Writes in a row make one read.
        const int requests = adapter.isduRequestCount();
        emit parameters->variableWritten(66);
        emit parameters->variableWritten(66);
        QTRY_COMPARE(adapter.isduRequestCount(), requests + 1);
        QTest::qWait(50);
        QCOMPARE(adapter.isduRequestCount(), requests + 1);

        // A language switch says the note again without asking the device, which could not answer now.
        adapter.setPort(1, VirtualAdapter::Mode::Deactivated);
        QVERIFY(UiLanguage::apply(UiLanguage::Language::English));
        QTRY_VERIFY2(in->layoutNote().startsWith("Process data layout"), qPrintable(in->layoutNote()));
        QVERIFY(in->layoutNote().contains("Set 2"));
        QVERIFY(UiLanguage::apply(UiLanguage::Language::Chinese));
        QTRY_VERIFY(in->layoutNote().startsWith("过程数据布局"));
        QCOMPARE(adapter.isduRequestCount(), requests + 1);

        // No device in operate: the first layout, and why.
        emit parameters->variableWritten(66);
        QTRY_VERIFY2(in->layoutNote().contains("无法读取 V_X_PDSelect"), qPrintable(in->layoutNote()));
        QVERIFY(in->layoutNote().contains("PD Input - Std"));
        QCOMPARE(rowLabels(inTable), firstRows);
    }
};

QTEST_MAIN(tst_processdatalayouts)
#include "tst_processdatalayouts.moc"
