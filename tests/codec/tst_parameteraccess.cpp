// What the parameter page and hub8ctl read and write for each way a description lays out a parameter, on
// octets worked out by hand from IO-Link's encoding rules (bit offset 0 is the lowest bit of the last octet).

#include "codec/parameteraccess.h"
#include "codec/valuecodec.h"
#include "description/ioddfile.h"

#include <QtTest>

namespace {

const QString fixture = QStringLiteral(HUB8_SOURCE_DIR "/tests/codec/fixtures/access.xml");

QString requestText(const ParameterAccess::Request &r)
{
    return QStringLiteral("%1/%2 %3").arg(r.index).arg(r.subindex).arg(QString::fromLatin1(r.data.toHex()));
}

} // namespace

class tst_parameteraccess : public QObject
{
    Q_OBJECT

    QList<ValueItem> m_entries;

    // The entry of that label; the n-th of several.
    ValueItem entry(const QString &label, int n = 0) const
    {
        for (const ValueItem &e : m_entries) {
            if (e.label == label && n-- == 0)
                return e;
        }
        qWarning() << "no entry" << label;
        return {};
    }

private slots:
    void initTestCase()
    {
        IoddFile file;
        QCOMPARE(file.load(fixture, QCoreApplication::applicationDirPath() + "/std"), 0);
        const QList<TreeItem> menus = file.roleMenus("SpecialistRoleMenuSet");
        QCOMPARE(menus.size(), 1);
        m_entries = menus.first().values;
    }

    void read_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("request"); // what is asked
        QTest::addColumn<QString>("answer");  // the octets the device answers, in hex
        QTest::addColumn<QString>("shown");
        const auto row = [](const char *label, const char *request, const char *answer, const char *shown) {
            QTest::newRow(qPrintable(QString("%1 %2").arg(label, answer))) << label << request << answer << shown;
        };
        // Items of a record without subindex access: the record is read whole, each item takes its own bits.
        row("Locks.Local", "80/0 ", "0004", "true");
        row("Locks.Local", "80/0 ", "00fb", "false");
        row("Locks.Level", "80/0 ", "2a04", "42");
        row("Tuning.Gain", "81/0 ", "40490fdb1234", "3.1415927");
        row("Tuning.Tag", "81/0 ", "40490fdb1234", "4660");
        // A name where one matches, else the scaled number with its unit.
        row("Hi", "82/0 ", "7ff8", "OL");
        row("Hi", "82/0 ", "01f4", "50.0");
        row("Speed", "94/0 ", "0000", "disabled");
        row("Speed", "94/0 ", "4215", "16917");
        // Several ranges, and a Float32T without one.
        row("Lo", "83/0 ", "ffce", "-50");
        row("Factor", "84/0 ", "49d2e990", "1727794");
        // Hex and Bin as the description asks.
        row("Error", "85/0 ", "0049", "0x49");
        row("Mask", "86/0 ", "05", "0b101");
        // Array elements: element 1 is the first octet.
        row("Levels[0]", "87/0 ", "0a0b0c", "10");
        // Seconds from 1900 with the top bit set, from 2036 without; spans in 2^-32 s.
        row("Stamp", "88/0 ", "0000000000000000", "2036-02-07T06:28:16");
        row("Stamp", "88/0 ", "e000000080000000", "2019-02-02T11:39:44.500000");
        row("Delay", "89/0 ", "0000000180000000", "PT1.5S");
        row("Delay", "89/0 ", "ffffffff80000000", "PT-0.5S");
        // A record too large for the mailbox: each item by its subindex.
        row("First", "90/1 ", "1234", "4660");
        row("Last", "90/2 ", "000186a0", "100000");
        // A lone Boolean: 0x00 is false, anything else true.
        row("Enable", "93/0 ", "ff", "true");
        row("Enable", "93/0 ", "00", "false");
    }
    void read()
    {
        QFETCH(QString, label);
        QFETCH(QString, answer);
        ValueItem e = entry(label);
        QTEST(requestText(ParameterAccess::readRequestFor(e)), "request");
        QVERIFY(ParameterAccess::decode(e, QByteArray::fromHex(answer.toLatin1())));
        QTEST(e.editor.value, "shown");
    }

    void write_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("device"); // what the variable held when last read whole, in hex
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("sent"); // the write, or "refused"
        const auto row = [](const char *label, const char *device, const char *typed, const char *sent) {
            QTest::newRow(qPrintable(QString("%1 %2").arg(label, typed))) << label << device << typed << sent;
        };
        // One item of a record without subindex access: the record as read, only that item's bits changed,
        // a Float item's neighbours exactly as sent (not re-encoded from their display text).
        row("Locks.Local", "2a05", "false", "80/0 2a01");
        row("Locks.Level", "2a05", "7", "80/0 0705");
        row("Tuning.Gain", "3f9e06101234", "2", "81/0 400000001234");
        row("Tuning.Tag", "3f9e06101234", "1", "81/0 3f9e06100001");
        row("Locks.Level", "", "7", "refused"); // never read: the other items are unknown
        // Names and numbers of any range.
        row("Hi", "", "UL", "82/0 7ff9");
        row("Hi", "", "12.5", "82/0 007d");
        row("Hi", "", "1000.1", "refused");
        row("Speed", "", "16917", "94/0 4215");
        row("Speed", "", "disabled", "94/0 0000");
        row("Speed", "", "50", "refused");
        row("Lo", "", "-50", "83/0 ffce");
        row("Lo", "", "0", "refused");
        row("Factor", "", "-2.5", "84/0 c0200000");
        row("Mask", "", "0b101", "86/0 05");
        row("Mask", "", "0x1ff", "refused");
        // An array element: the array as read with that element changed; the element alone by its
        // subindex when the array was not read (it allows subindex access).
        row("Levels[1]", "0a0b0c", "200", "87/0 0ac80c");
        row("Levels[1]", "", "200", "87/2 c8");
        row("Delay", "", "PT1.5S", "89/0 0000000180000000");
        row("First", "", "1", "90/1 0001");
        // Write-only: sent without a read.
        row("Code", "", "9", "92/0 09");
        // IO-Link's TRUE.
        row("Enable", "", "true", "93/0 ff");
        // Strings fit their fixed length in octets, never cut; octet strings are padded, never empty.
        row("Label", "", "abc", "95/0 616263");
        row("Label", "", "abcdefghi", "refused");
        row("Label", "", "\u00e4bcdefgh", "refused"); // eight characters, nine octets in UTF-8
        row("Key", "", "0x01", "96/0 0100");
        row("Key", "", "", "refused");
        row("Key", "", "0x010203", "refused");
    }
    void write()
    {
        QFETCH(QString, label);
        QFETCH(QString, device);
        QFETCH(QString, typed);
        ValueItem e = entry(label);
        e.editor.value = typed;
        QHash<int, QByteArray> deviceData;
        if (!device.isEmpty())
            deviceData.insert(e.index.toInt(), QByteArray::fromHex(device.toLatin1()));
        const ParameterAccess::WritePlan plan = ParameterAccess::planWrites({&e}, deviceData);
        QString sent = plan.refused.isEmpty() ? QString() : QStringLiteral("refused");
        if (!plan.refused.isEmpty())
            QVERIFY(!plan.refused.first().second.isEmpty()); // says why
        for (const ParameterAccess::Write &w : plan.writes)
            sent += requestText(w.request);
        QTEST(sent, "sent");
    }

    // Edited items of one record go in one write, variables in index order.
    void itemsOfOneRecordGoTogether()
    {
        ValueItem level = entry("Locks.Level"), local = entry("Locks.Local"), gain = entry("Tuning.Gain");
        level.editor.value = "1";
        local.editor.value = "true";
        gain.editor.value = "0.5";
        const QHash<int, QByteArray> device{{80, QByteArray::fromHex("2a01")},
                                            {81, QByteArray::fromHex("3f9e06101234")}};
        const ParameterAccess::WritePlan plan = ParameterAccess::planWrites({&level, &gain, &local}, device);
        QStringList sent;
        for (const ParameterAccess::Write &w : plan.writes)
            sent << requestText(w.request);
        QCOMPARE(sent.join(", "), QString("80/0 0105, 81/0 3f0000001234"));
    }

    // Each Button of a variable sends its own value, as long as the variable.
    void buttons()
    {
        const ValueItem teach = entry("Command", 0), forget = entry("Command", 1);
        QCOMPARE(teach.editor.name + " " + forget.editor.name, QString("Teach Forget"));
        QCOMPARE(requestText(ParameterAccess::buttonRequest(teach)), QString("91/0 000000a0"));
        QCOMPARE(requestText(ParameterAccess::buttonRequest(forget)), QString("91/0 000000a1"));
    }
};

QTEST_GUILESS_MAIN(tst_parameteraccess)
#include "tst_parameteraccess.moc"
