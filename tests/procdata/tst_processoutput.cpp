// The output page: its editors, and what reaches the adapter's output window.

#include "procdata/processdatainpage.h"
#include "procdata/processdataoutpage.h"
#include "procdatafixtures.h"

#include <QLineEdit>
#include <QPushButton>

#include "log/writejournal.h"
#include "widgets/writeconfirmation.h"
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

using namespace ProcDataFixtures;

class tst_processoutput : public QObject
{
    Q_OBJECT

    static constexpr int port = 2;
    QByteArray m_input;
    VirtualAdapter &m_adapter = VirtualAdapter::instance();

    static QTableWidget *table(const ProcessDataOutPage &p) { return p.findChild<QTableWidget *>("table"); }

    QStringList m_asked; // the questions before writes, answered yes
    bool m_answer = true;

    QTemporaryDir m_journal;

private slots:
    void initTestCase()
    {
        WriteJournal::setPath(m_journal.filePath("journal.jsonl"));
        WriteConfirmation::setAskFunction([this](const QString &, const QString &text, bool offerSkip, bool *skip) {
            m_asked << text;
            *skip = offerSkip && text.contains("skip me");
            return m_answer;
        });
    }
    void init() { setUpAdapter(port, &m_input); }

    void editorsAndAllTrueFalse()
    {
        ProcessDataOutPage page;
        TreeItem pd = builtinProcessData(false);
        pd.values << flag("7", {{"Off", "false"}, {"On", "true"}}) << flag("8", {{"true", "true"}})
                  << item("UIntegerT", "8", "0", "255", {}, "9");
        page.setProcessData(pd);
        const auto comboTexts = [&] {
            QStringList texts;
            for (int row = 0; row < 8; ++row)
                texts << page.input(row);
            return texts;
        };
        // Every one-bit item follows the buttons by its entries' values, whatever their names;
        // an item without an off entry keeps its one entry; the number row is skipped.
        page.onAllFalseClicked();
        QCOMPARE(comboTexts(), (QStringList{"false", "false", "false", "false", "false", "false", "Off", "true"}));
        page.onAllTrueClicked();
        QCOMPARE(comboTexts(), (QStringList{"true", "true", "true", "true", "true", "true", "On", "true"}));

        // A number's range is shown in the units typed.
        page.setProcessData(
            node(16, {at(item("IntegerT", "16", "-100", "4400", {}, "9"), 0, "0.1", "bar")}, "Setpoint"));
        QCOMPARE(table(page)->item(0, 2)->toolTip(), QStringLiteral("值范围 -10.0 … 440.0 bar"));
    }

    void writeReachesTheWindow_data()
    {
        QTest::addColumn<TreeItem>("pd");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QByteArray>("window");

        const QList<ValuePair> offOn{{"Off", "false"}, {"On", "true"}};
        // Bits 0, 15 and 16 of 32: bit 0 is the low bit of the last octet.
        QTest::newRow("booleans by bit offset")
            << node(32, {at(flag("1"), 0), at(flag("2"), 15), at(flag("3"), 16), at(flag("4"), 31)})
            << QStringList{"true", "true", "true", "false"} << hex("00 01 80 01");
        // The entry's value decides, not its name: "Off" sends 0. 200 at bit 8.
        QTest::newRow("Off and On by value, a number beside them")
            << node(16, {at(flag("1", offOn), 0), at(flag("2", offOn), 1), at(item("UIntegerT", "8", "0", "255"), 8)})
            << QStringList{"Off", "On", "200"} << hex("c8 02");
        QTest::newRow("single 8-bit value")
            << node(8, {item("UIntegerT", "8", "0", "255")}) << QStringList{"5"} << hex("05 00");
    }

    void writeReachesTheWindow()
    {
        QFETCH(TreeItem, pd);
        QFETCH(QStringList, values);
        QFETCH(QByteArray, window);
        ProcessDataOutPage page;
        page.setPort(port);
        page.setProcessData(pd);
        for (int row = 0; row < values.size(); ++row)
            page.setInput(row, values.at(row));
        m_adapter.port(port).pdOut.fill('\x55');
        page.onWriteClicked();
        QVERIFY(SimHelpers::linkIdle());

        // What the window held is read for the journal, then one write of whole registers, nothing beyond.
        QCOMPARE(m_adapter.log().size(), 2);
        QCOMPARE(frameHead(0, 6), hex("01 03 80 40 00") + char(window.size() / 2));
        QCOMPARE(frameHead(1, 6), hex("01 10 80 40 00") + char(window.size() / 2));
        QCOMPARE(m_adapter.port(port).pdOut.left(window.size() + 1), window + '\x55');
        QVERIFY(SimHelpers::linkIdle());
        const QList<WriteJournal::Record> last = WriteJournal::read(1);
        QVERIFY(!last.isEmpty());
        QCOMPARE(last.first().before, QByteArray(window.size(), '\x55'));
        QCOMPARE(last.first().after, window);
    }

    // The write is one job among a reader's polls of the same port; the button stays off until it is done and
    // the output had its moment to settle.
    void writeTakesItsTurnAmongPolls()
    {
        ProcessDataInPage reader;
        reader.setPort(port);
        reader.setProcessData(node(16, {item("UIntegerT", "16", "0", "65535")}));
        reader.onStartClicked();

        ProcessDataOutPage page;
        page.setPort(port);
        page.setProcessData(builtinProcessData(false));
        page.onAllTrueClicked();
        auto *write = page.findChild<QPushButton *>("pbtn_write");
        QTest::qWait(350);
        page.onWriteClicked();
        QVERIFY(!write->isEnabled());
        QTRY_COMPARE(m_adapter.port(port).pdOut.left(2), hex("00 3f"));
        QVERIFY(!write->isEnabled());
        QTRY_VERIFY(write->isEnabled());
        reader.onStopClicked();
        QVERIFY(SimHelpers::linkIdle());
    }

    void failedOrRefusedWrite()
    {
        ProcessDataOutPage page;
        page.setPort(port);
        page.setProcessData(node(16, {item("UIntegerT", "16", "0", "65535")}));
        // The question names port, device and octets; No sends nothing; once the user ticks "do not ask
        // again" outputs go unasked for the rest of the run.
        page.setInput(0, "4660");
        page.setDeviceName("Acme Valve");
        m_asked.clear();
        m_answer = false;
        page.onWriteClicked();
        QVERIFY(SimHelpers::linkIdle() && m_adapter.log().isEmpty());
        QCOMPARE(m_asked.size(), 1);
        QVERIFY2(m_asked.first().contains(QString("Port%1").arg(port + 1)) && m_asked.first().contains("Acme Valve")
                     && m_asked.first().contains("PD Out: 12 34"),
                 qPrintable(m_asked.first()));
        m_answer = true;
        page.setDeviceName("skip me");
        page.onWriteClicked();
        QVERIFY(SimHelpers::linkIdle());
        QCOMPARE(m_adapter.port(port).pdOut.left(2), hex("12 34"));
        QTRY_VERIFY(table(page)->isEnabled() && page.findChild<QPushButton *>("pbtn_write")->isEnabled());
        page.onWriteClicked();
        QVERIFY(SimHelpers::linkIdle());
        QCOMPARE(m_asked.size(), 2);
        WriteConfirmation::resetSession();
        m_adapter.clearLog();

        page.setInput(0, "1234");
        m_adapter.port(port).pdOut.fill('\0');
        m_adapter.faults().unplugged = true;
        page.onWriteClicked();
        QVERIFY(SimHelpers::linkIdle());
        QCOMPARE(m_adapter.port(port).pdOut.left(2), hex("00 00"));

        // A value its item cannot take is not sent, and the page says why.
        m_adapter.faults().unplugged = false;
        m_adapter.clearLog();
        // Typed into the cell's editor, still open when the write is asked for.
        page.setProcessData(node(16, {item("IntegerT", "16", "-100", "100")}));
        table(page)->editItem(table(page)->item(0, 2));
        auto *edit = table(page)->viewport()->findChild<QLineEdit *>();
        QVERIFY(edit && edit->placeholderText() == "-100 … 100");
        edit->setText("40000");
        page.onWriteClicked();
        QVERIFY(m_adapter.log().isEmpty() && page.lastError().contains("32767"));

        // A port that is not active is not written at all.
        m_adapter.faults().unplugged = false;
        page.setPort(port + 1);
        page.onWriteClicked();
        QVERIFY(m_adapter.log().isEmpty() && SimHelpers::linkIdle());
    }
};

QTEST_MAIN(tst_processoutput)
#include "tst_processoutput.moc"
