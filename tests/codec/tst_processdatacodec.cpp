// Process data: input decode and output octets, worked out by hand.

#include "codec/processdatacodec.h"
#include "testhelpers.h"

#include <QtTest>

using namespace processDataCodec;

namespace {

using testhelpers::hex;

valueItem item(const char *type, const char *bits, const char *lower = "", const char *upper = "",
               const QList<valuePair> &entries = {})
{
    valueItem v;
    v.editor.typeName = type;
    v.editor.bitLength = bits;
    v.editor.lowerValue = lower;
    v.editor.upperValue = upper;
    v.editor.entries = entries;
    return v;
}

valueItem flag(const QList<valuePair> &entries = {})
{
    return item("BooleanT", "", "", "", entries);
}
treeItem node(int bits, const QList<valueItem> &values)
{
    return {QString::number(bits), "PD", values, {}};
}

} // namespace

class tst_processDataCodec : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<treeItem>("pd");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("texts"); // "keep": the item keeps its text
        QTest::addColumn<QString>("lamps");     // per item: 1/0 for a one-bit item, '.' otherwise

        QTest::newRow("one-bit items") // 0b: bits 0, 1, 3 set
            << node(8,
                    {flag(), flag({{"Off", "false"}, {"On", "true"}}), flag({{"only on", "true"}}),
                     flag({{"Aus", " 0"}, {"Ein", "1 "}}), item("UIntegerT", "1", "0", "1")})
            << hex("0b") << QStringList{"true", "On", "keep", "Ein", "false"} << "11010";
        QTest::newRow("strict limits, entries, no limits")
            << node(32,
                    {item("UIntegerT", "8", "10", "52"), item("UIntegerT", "8", "0", "10", {{"fifty-two", " 52"}}),
                     item("IntegerT", "8", "-5", "5", {{"minus two", "-2"}}), item("IntegerT", "8")})
            << hex("05 fe 34 34") << QStringList{"keep", "fifty-two", "minus two", "keep"} << "....";
        QTest::newRow("signed fields") // 9f: low nibble f; then ff9
            << node(16, {item("IntegerT", "4", "-8", "7"), item("IntegerT", "12", "-2048", "2047")}) << hex("ff 9f")
            << QStringList{"-1", "-7"} << "..";
        QTest::newRow("32 bits, unsigned and signed")
            << node(64,
                    {item("UIntegerT", "32", "0", "4294967295"), item("IntegerT", "32", "-2147483648", "2147483647")})
            << hex("80000001 fffffffe") << QStringList{"4294967294", "-2147483647"} << "..";
        QTest::newRow("float32: limits only when both given, NaN kept")
            << node(128,
                    {item("Float32T", ""), item("Float32T", "", "0", "1"), item("Float32T", "", "2"),
                     item("Float32T", "")})
            << hex("7fc00000 3fc00000 3fc00000 3eaaaaab") << QStringList{"0.333333", "keep", "1.5", "keep"} << "....";
        // Blank lengths: Float32T 32, TimeT 64, StringT 8 x fixedLength; the flag lands on bit 112.
        valueItem text = item("StringT", "");
        text.editor.fixedLength = "2";
        QTest::newRow("type widths of blank bit lengths")
            << node(120, {item("Float32T", ""), item("TimeT", ""), text, flag()})
            << hex("01 00000000000000000000 3f800000") << QStringList{"1", "keep", "keep", "true"} << "...1";
        QTest::newRow("spare octet behind odd data")
            << node(8, {item("UIntegerT", "8", "0", "255")}) << hex("2a ee") << QStringList{"42"} << ".";
    }

    void decode()
    {
        QFETCH(treeItem, pd);
        QFETCH(QByteArray, data);
        const QVector<inputValue> values = decodeInput(inputLayoutOf(pd), data);
        QStringList texts;
        QString lamps;
        for (const inputValue &v : values) {
            texts << (v.changed ? v.text : QStringLiteral("keep"));
            lamps += v.isBit ? QLatin1Char(v.bit ? '1' : '0') : QLatin1Char('.');
        }
        QTEST(texts, "texts");
        QTEST(lamps, "lamps");
    }

    void startTexts()
    {
        const auto scaled = [](const char *lower, const char *gradient) {
            valueItem v = item("UIntegerT", "8", lower);
            v.gradient = gradient;
            return startText(v);
        };
        QCOMPARE(startText(flag()), QStringLiteral("false"));
        QCOMPARE(scaled("10", "0.01"), QStringLiteral("0.10"));
        QCOMPARE(scaled("1234", "0.001"), QStringLiteral("1.234"));
        QCOMPARE(scaled("3.6", "-2"), QStringLiteral("4")); // no usable gradient: whole numbers
    }

    void singleValue_data()
    {
        QTest::addColumn<quint64>("value");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("registers");
        QTest::addColumn<QByteArray>("block");
        QTest::newRow("12 bits masked") << quint64(0xfabc) << 12 << 1 << hex("0abc");
        QTest::newRow("8 bits, zero behind") << quint64(5) << 8 << 1 << hex("0500");
        QTest::newRow("-2 in 24 bits") << quint64(-2) << 24 << 2 << hex("fffffe00");
        QTest::newRow("one bit") << quint64(3) << 1 << 1 << hex("0100");
        QTest::newRow("64 bits") << quint64(0x0102030405060708) << 64 << 4 << hex("0102030405060708");
        QTest::newRow("72 bits") << quint64(0x0102030405060708) << 72 << 5 << hex("00010203040506070800");
        QTest::newRow("short block keeps the low octets") << quint64(0x123456) << 24 << 1 << hex("3456");
    }

    void singleValue()
    {
        QFETCH(quint64, value);
        QFETCH(int, bits);
        QFETCH(int, registers);
        QTEST(singleValueBlock(value, bits, registers), "block");
    }

    void recordWords_data()
    {
        QTest::addColumn<QStringList>("choices"); // "subindex:shown text"
        QTest::addColumn<int>("words");
        QTest::addColumn<QString>("text");
        QTest::newRow("across two words") << QStringList{"32:false", "17:true", "16:true", "1:true"} << 2 << "32769,1";
        QTest::newRow("anything but false sends 1") << QStringList{"1:Off", "2:On", "3:false"} << 1 << "3";
        QTest::newRow("outside the words dropped") << QStringList{"0:true", "17:true", "3:true"} << 1 << "4";
        QTest::newRow("untouched") << QStringList{"1:false"} << 3 << "0,0,0";
    }

    void recordWords()
    {
        QFETCH(QStringList, choices);
        QFETCH(int, words);
        QVector<recordChoice> rows;
        for (const QString &c : choices)
            rows.append({c.section(':', 0, 0).toInt(), c.section(':', 1)});
        QTEST(wordsText(processDataCodec::recordWords(recordBits(rows), words)), "text");
    }
};

QTEST_APPLESS_MAIN(tst_processDataCodec)
#include "tst_processdatacodec.moc"
