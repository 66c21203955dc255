// What the ISDU console writes into its receive area for each way an exchange
// ends, and the Length field going back to 0 after each read.

#include "adapterpages/isduconsole.h"
#include "consoledriver.h"
#include "genericdevice.h"
#include "log/writejournal.h"
#include "protocol/isdublock.h"
#include "simhelpers.h"
#include "testhelpers.h"

#include <QtTest>
#include <QtWidgets>

using TestHelpers::hex;
using Mode = VirtualAdapter::Mode;

namespace {

// A device that answers every request with one error code.
struct FailingDevice : VirtualDevice
{
    explicit FailingDevice(quint16 code) : code(code) {}
    quint16 vendorId() const override { return 1; }
    quint32 deviceId() const override { return 1; }
    IsduAnswer readIsdu(quint16, quint8) override { return IsduAnswer::fail(code); }
    IsduAnswer writeIsdu(quint16, quint8, const QByteArray &) override { return IsduAnswer::fail(code); }
    const quint16 code;
};

// A line of the receive area without its time stamp, which must lead it.
QString withoutTime(const QString &line)
{
    static const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  "));
    const QRegularExpressionMatch m = stamp.match(line);
    return m.hasMatch() ? line.mid(m.capturedLength()) : QStringLiteral("(no time stamp) ") + line;
}

} // namespace

class tst_consoleoutcomes : public QObject, ConsoleDriver::Console
{
    Q_OBJECT
    VirtualAdapter &m_adapter = VirtualAdapter::instance();
    QTemporaryDir m_journal;

    QStringList lines() { return child<QTextEdit>("textEdit_read")->toPlainText().split(QLatin1Char('\n')); }
    QString lastLine() { return withoutTime(lines().last()); }
    // Failures are written in a colour of their own, the rest in the text colour.
    bool lastLineColoured()
    {
        const QTextBlock block = child<QTextEdit>("textEdit_read")->document()->lastBlock();
        return block.begin().fragment().charFormat().hasProperty(QTextFormat::ForegroundBrush);
    }

private slots:
    void initTestCase() { WriteJournal::setPath(m_journal.filePath("journal.jsonl")); }
    void init()
    {
        SimHelpers::freshAdapter();
        m_adapter.setPort(0, Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        m_adapter.setPort(3, Mode::IoLinkOperate, std::make_unique<FailingDevice>(0x80FE));
        QVERIFY(SimHelpers::openHubLink());
        open();
    }
    void cleanup() { close(); }

    void successesAndHistory()
    {
        // Length 0 writes the bytes typed; a space at the end adds none.
        send(2, 24, 0, 0, QStringLiteral("41 42 00 43 "));
        QCOMPARE(m_adapter.isduRequest().mid(6, 6), hex("04 41 42 00 43 00"));
        QCOMPARE(lastLine(), QStringLiteral("写操作 Port 1 Index 24 Subindex 0，4 字节：41 42 00 43 → 成功，已写入"));
        QVERIFY(!lastLineColoured());
        // Recorded in the write journal, as every write is.
        const WriteJournal::Record written = WriteJournal::read(1).value(0);
        QCOMPARE(QString("%1 %2:%3 %4 %5")
                     .arg(written.kind)
                     .arg(written.index)
                     .arg(written.subindex)
                     .arg(QString(written.after.toHex(' ')), written.outcome),
                 "raw 24:0 41 42 00 43 taken");

        send(3, 24, 0, 0);
        QCOMPARE(lastLine(), QStringLiteral("读操作 Port 1 Index 24 Subindex 0 → 成功，4 字节：41 42 00 43"));
        QCOMPARE(child<QSpinBox>("sbox_length")->value(), 0);

        // The next read is not cut to the last answer's length: 13 bytes come back.
        send(3, 16, 0, 0);
        QCOMPARE(lastLine(),
                 QStringLiteral(
                     "读操作 Port 1 Index 16 Subindex 0 → 成功，13 字节：56 61 6E 74 6F 20 53 79 73 74 65 6D 73"));

        // Text mode shows every exchange again, data as text up to a zero byte.
        const QStringList hexLines = lines();
        auto *ascii = child<QCheckBox>("check_ascii");
        ascii->setChecked(true);
        QStringList shown;
        for (const QString &line : lines())
            shown << withoutTime(line);
        QCOMPARE(shown,
                 (QStringList{
                     QStringLiteral("写操作 Port 1 Index 24 Subindex 0，4 字节：\"AB\" → 成功，已写入"),
                     QStringLiteral("读操作 Port 1 Index 24 Subindex 0 → 成功，4 字节：\"AB\""),
                     QStringLiteral("读操作 Port 1 Index 16 Subindex 0 → 成功，13 字节：\"Vanto Systems\""),
                 }));
        ascii->setChecked(false);
        QCOMPARE(lines(), hexLines);

        QTest::mouseClick(child<QPushButton>("pbtn_clear"), Qt::LeftButton);
        ascii->setChecked(true);
        QCOMPARE(child<QTextEdit>("textEdit_read")->toPlainText(), QString());
    }

    // Operation 1 clear, 2 write or 3 read of `index` on `port` 1..8 (0: none chosen) with `length`;
    // forced -1 leaves the status to the device. `shown` is what follows the arrow.
    void failures_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("forced");
        QTest::addColumn<QString>("shown");
        const QString deviceError = QStringLiteral("失败：从设备应答出错（状态 0xFF），设备错误 ");
        QTest::newRow("index absent") << 3 << 1 << 99 << 0 << -1 << deviceError + "0x8011 Index not available";
        // Length 0 and nothing typed send no byte.
        QTest::newRow("empty write") << 2 << 1 << 2 << 0 << -1 << deviceError + "0x8034 Parameter length underrun";
        QTest::newRow("code outside the list") << 3 << 4 << 1 << 0 << -1 << deviceError + "0x80FE（未定义的错误码）";
        QTest::newRow("port deactivated") << 3 << 7 << 16 << 0 << -1 << "失败：设备通信失败（状态 0x06）";
        QTest::newRow("data longer than Length") << 3 << 1 << 16 << 3 << -1 << "失败：数据长度错误（状态 0x08）";
        QTest::newRow("non-standard") << 3 << 1 << 16 << 0 << 0x2A << "失败：非标准错误：返回值是：42（状态 0x2A）";
        QTest::newRow("no port chosen") << 3 << 0 << 16 << 0 << -1 << "失败：端口不正确（状态 0x07）";
        QTest::newRow("clear refused") << 1 << 1 << 0 << 0 << 5 << "失败：指令类型错误（状态 0x05）";
        QTest::newRow("mailbox stays busy") << 3 << 1 << 16 << 0 << 0x01 << "无应答：适配器 2000 ms 后仍忙";
    }
    void failures()
    {
        QFETCH(int, operation);
        QFETCH(int, port);
        QFETCH(int, index);
        QFETCH(int, length);
        QFETCH(int, forced);
        QFETCH(QString, shown);
        child<QComboBox>("cbox_port")->setCurrentIndex(port - 1);
        m_adapter.faults().forcedIsduStatus = forced;
        send(operation, index, 0, length);
        QCOMPARE(lines().size(), 1);
        QCOMPARE(lastLine().section(QStringLiteral(" → "), 1), shown);
        QVERIFY(lastLineColoured());
        QCOMPARE(child<QSpinBox>("sbox_length")->value(), 0);
        QCOMPARE(child<QComboBox>("cbox_Control")->currentIndex(), operation); // kept for another try
    }
};

QTEST_MAIN(tst_consoleoutcomes)
#include "tst_consoleoutcomes.moc"
