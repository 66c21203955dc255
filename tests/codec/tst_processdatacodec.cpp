// Process data: items at their bit offsets, scaled with units, and output octets; every expected octet worked out by
// hand (bit 0 is the least significant bit of the last octet).

#include "codec/processdatacodec.h"
#include "testhelpers.h"

#include <QtTest>

using namespace ProcessDataCodec;

namespace {

using TestHelpers::hex;

// type, bit offset, bit length; optional gradient, unit, display format
ValueItem item(const char *label, const char *type, const char *offset, const char *bits = "",
               const char *gradient = "", const char *unit = "", const char *format = "")
{
    ValueItem v;
    v.label = label;
    v.editor.typeName = type;
    v.editor.bitOffset = offset;
    v.editor.bitLength = bits;
    v.gradient = gradient;
    v.unit = unit;
    v.displayFormat = format;
    return v;
}

ValueItem withEntries(ValueItem v, const QList<ValuePair> &entries)
{
    v.editor.entries = entries;
    return v;
}

TreeItem node(int bits, const QList<ValueItem> &values)
{
    TreeItem n;
    n.text = QString::number(bits);
    n.name = "PD";
    n.values = values;
    return n;
}

// What a decode shows: per item "text unit", '!' for an item the data does not reach.
QStringList shown(const QVector<ItemValue> &values, QString *lamps)
{
    QStringList texts;
    for (const ItemValue &v : values) {
        texts << (v.ok ? (v.unit.isEmpty() ? v.text : v.text + ' ' + v.unit) : QStringLiteral("!"));
        *lamps += v.isBit ? QLatin1Char(v.bit ? '1' : '0') : QLatin1Char('.');
    }
    return texts;
}

} // namespace

class tst_processdatacodec : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<TreeItem>("pd");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("lamps");

        // A negative 14-bit value at bit 2: fff8 >> 2 = 0x3ffe = -2 -> -0.02 bar; bits 1, 0 = 0, 0.
        QTest::newRow("signed 14 bits above two flags")
            << node(16,
                    {item("Pressure", "IntegerT", "2", "14", "0.01", "bar", "Dec.2"), item("OUT2", "BooleanT", "1"),
                     item("OUT1", "BooleanT", "0")})
            << hex("ff f8") << QStringList{"-0.02 bar", "false", "false"} << ".00";
        // A nibble at bit 4 (0xa), a bit at 0; the odd octet behind the 8-bit data does not count.
        QTest::newRow("nibble, bit, spare octet")
            << node(8, {item("Status", "UIntegerT", "4", "4"), item("CC", "BooleanT", "0")}) << hex("a1 ee")
            << QStringList{"10", "true"} << ".1";
        // Float32T 0x3dcccccd is 0.1f: the shortest text that reads back.
        QTest::newRow("float at bit 16") << node(48, {item("Level", "Float32T", "16")}) << hex("3dcccccd 0064")
                                         << QStringList{"0.1"} << ".";
        // Strings at byte-aligned offsets: an octet string at bit 24, "AB" at bit 8.
        ValueItem text = item("Name", "StringT", "8");
        text.editor.fixedLength = "2";
        ValueItem octets = item("Raw", "OctetStringT", "24");
        octets.editor.fixedLength = "1";
        QTest::newRow("strings by offset") << node(32, {octets, text, item("Low", "UIntegerT", "0", "8")})
                                           << hex("7f 41 42 05") << QStringList{"0x7f", "AB", "5"} << "...";
        // An entry name replaces the number and drops the unit.
        QTest::newRow("entry names") << node(
            16,
            {withEntries(item("Mode", "UIntegerT", "8", "8", "", "mm"), {{"Idle", "0"}, {"Run", "3"}}),
             withEntries(item("Sw", "BooleanT", "0"), {{"Off", "false"}, {"On", "true"}})})
                                     << hex("03 01") << QStringList{"Run", "On"} << ".1";
        // One simple type for the whole process data fills it; items beyond the data say so.
        QTest::newRow("simple type, item beyond the data")
            << node(16, {item("", "IntegerT", "")}) << hex("ff 9c") << QStringList{"-100"} << ".";
        QTest::newRow("short read") << node(32,
                                            {item("Hi", "UIntegerT", "16", "16"), item("Lo", "UIntegerT", "0", "8")})
                                    << hex("12") << QStringList{"!", "18"} << "..";
    }

    void decode()
    {
        QFETCH(TreeItem, pd);
        QFETCH(QByteArray, data);
        QString lamps;
        const QStringList texts = shown(ProcessDataCodec::decode(layoutOf(pd), data), &lamps);
        QTEST(texts, "texts");
        QTEST(lamps, "lamps");
    }

    void encode_data()
    {
        QTest::addColumn<TreeItem>("pd");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<int>("errors");

        // Four BooleanT outputs at bits 0..3 and a 16-bit word at 16: every output LOW sends zeros.
        const TreeItem outputs =
            node(32,
                 {item("Q1", "BooleanT", "0"), item("Q2", "BooleanT", "1"), item("Q3", "BooleanT", "2"),
                  item("Q4", "BooleanT", "3"), item("Set", "UIntegerT", "16", "16", "0.1", "bar")});
        QTest::newRow("all low") << outputs << QStringList{"false", "false", "0", "false", ""} << hex("00000000") << 0;
        QTest::newRow("bits by value, scaled word")
            << outputs << QStringList{"true", "false", "1", "false", "348.8"} << hex("0da00005") << 0;
        // "Off"/"On" are names, not values: the value decides.
        QTest::newRow("not a boolean value") << outputs << QStringList{"On", "", "", "", ""} << hex("00000000") << 1;
        QTest::newRow("out of range") << outputs << QStringList{"", "", "", "", "7000"} << hex("00000000") << 1;
        // A signed 12-bit value at bit 4 and a string at octet 0 of 3.
        ValueItem label = item("Tag", "StringT", "16");
        label.editor.fixedLength = "1";
        QTest::newRow("signed field and string") << node(24, {label, item("Level", "IntegerT", "4", "12")})
                                                 << QStringList{"Z", "-3"} << hex("5a ff d0") << 0;
        // An entry's value is raw even when the item is scaled.
        QTest::newRow("entry value unscaled")
            << node(8, {withEntries(item("Mode", "UIntegerT", "0", "8", "0.5"), {{"Fast", "7"}})}) << QStringList{"7"}
            << hex("07") << 0;
    }

    void encode()
    {
        QFETCH(TreeItem, pd);
        QFETCH(QStringList, inputs);
        QFETCH(QByteArray, octets);
        QStringList errors;
        QCOMPARE(ProcessDataCodec::encode(layoutOf(pd), inputs.toVector(), &errors).toHex(' '), octets.toHex(' '));
        QTEST(int(errors.size()), "errors");
    }
};

QTEST_APPLESS_MAIN(tst_processdatacodec)
#include "tst_processdatacodec.moc"
