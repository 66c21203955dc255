// The DI and DO views against the virtual adapter.

#include "devicepages/digitalinputpanel.h"
#include "devicepages/digitaloutputpanel.h"
#include "procdatafixtures.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "log/writejournal.h"
#include "widgets/writeconfirmation.h"

#include <QTemporaryDir>

using namespace ProcDataFixtures;

class tst_portdido : public QObject
{
    Q_OBJECT

    QByteArray m_input = QByteArray(2, '\0');
    VirtualAdapter &m_adapter = VirtualAdapter::instance();

    QTemporaryDir m_journal;

private slots:
    void initTestCase()
    {
        WriteJournal::setPath(m_journal.filePath("journal.jsonl"));
        WriteConfirmation::setAskFunction([](const QString &, const QString &, bool, bool *) { return true; });
    }
    void init() { setUpAdapter(3, &m_input); }

    void inputShowsBit0()
    {
        // Bit 1 set, bit 0 set, only the high octet set.
        const QList<QPair<QByteArray, QString>> cases{{hex("00 02"), "0"}, {hex("00 03"), "1"}, {hex("01 00"), "0"}};
        for (const auto &c : cases) {
            m_input = c.first;
            DigitalInputPanel view;
            view.setPort(3);
            QCOMPARE(view.readInput(), 0);
            QVERIFY(SimHelpers::linkIdle());
            QCOMPARE(view.findChild<QLineEdit *>("edit_inData")->text(), c.second);
        }
        QCOMPARE(m_adapter.log().size(), 3);
        QCOMPARE(frameHead(2, 6), hex("01 03 90 60 00 01"));
    }

    void pollingSkipsWhileBusyAndStops()
    {
        DigitalInputPanel view;
        view.setPort(3);
        auto *button = view.findChild<QPushButton *>("pbtn_read");
        auto *shown = view.findChild<QLineEdit *>("edit_inData");
        m_input = hex("00 01");
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(shown->text(), QStringLiteral("1"), 2000);

        // Turns pass without a request while the adapter is silent.
        m_adapter.faults().silent = true;
        SimHelpers::readRegisters(0x9000, 1);
        m_input = hex("00 00");
        m_adapter.clearLog();
        QTest::qWait(700);
        QVERIFY(m_adapter.log().isEmpty() && view.isPolling());
        m_adapter.faults().silent = false;
        SimHelpers::readRegisters(0x9000, 1);
        QTRY_COMPARE_WITH_TIMEOUT(shown->text(), QStringLiteral("0"), 2000);

        // A failed read stops polling until the user clicks again.
        m_adapter.faults().unplugged = true;
        QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("开始读取"), 2000);
        QVERIFY(!view.isPolling() && !view.isReading());
        m_adapter.faults().unplugged = false;
    }

    void outputWritesTheChoice()
    {
        const QList<QPair<int, QByteArray>> cases{{0, hex("01 10 80 00 00 01 02 00 01")},
                                                  {5, hex("01 10 80 a0 00 01 02 00 00")}};
        for (const auto &c : cases) {
            const int port = c.first, choice = c.second.back();
            m_adapter.clearLog();
            m_adapter.setPort(port, VirtualAdapter::Mode::DigitalOut);
            m_adapter.port(port).digitalOut = choice == 0;
            DigitalOutputPanel view;
            view.setPort(unsigned(port));
            view.findChild<QComboBox *>("combox")->setCurrentIndex(choice);
            QTest::mouseClick(view.findChild<QPushButton *>("pbtn_write"), Qt::LeftButton);
            QVERIFY(SimHelpers::linkIdle());
            // What the output held is read first, for the journal.
            QCOMPARE(m_adapter.log().size(), 2);
            QCOMPARE(frameHead(0, 6), c.second.left(1) + hex("03") + c.second.mid(2, 4));
            QCOMPARE(frameHead(1, c.second.size()), c.second);
            QTRY_VERIFY(!WriteJournal::read(1).isEmpty());
            const WriteJournal::Record last = WriteJournal::read(1).first();
            QCOMPARE(last.port, port + 1);
            QCOMPARE(last.before.size(), 1);
            QCOMPARE(last.after, QByteArray(1, char(choice)));
            QCOMPARE(m_adapter.port(port).digitalOut, choice == 1);
            QVERIFY(SimHelpers::linkIdle());
        }
    }
};

QTEST_MAIN(tst_portdido)
#include "tst_portdido.moc"
