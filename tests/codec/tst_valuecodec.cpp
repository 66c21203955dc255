// Decode and encode of parameter values on octet vectors.

#include "codec/valuecodec.h"
#include "testhelpers.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextCodec>
#include <QtTest>

#include <limits>

Q_DECLARE_METATYPE(ValueItem)

namespace {

using namespace ValueCodec;
using TestHelpers::hex;

QByteArray padded(QByteArray lead)
{
    return lead.append(RecordImage::dataSize - lead.size(), '\0');
}

// type, variable bit length L, own bit length n, bit offset o, value
ValueItem num(const char *type, const QString &L, const QString &n, const QString &o, const QString &value = "keep",
              const char *gradient = "", const char *widget = "QLineEdit")
{
    ValueItem e;
    e.accessRightRestriction = "rw";
    e.editor.typeName = type;
    e.editor.widgetClass = widget;
    e.bitLength = L;
    e.editor.bitLength = n;
    e.editor.bitOffset = o;
    e.editor.value = value;
    e.editor.flag = "true";
    e.gradient = gradient;
    return e;
}
// "Off=false|On=true" -> entries
ValueItem combo(const char *type, const QString &choices, const char *value = "keep", const char *L = "",
                const char *n = "", const char *o = "", const char *subindex = "")
{
    ValueItem e = num(type, L, n, o, value, "", "QComboBox");
    for (const QString &p : choices.split('|'))
        e.editor.entries.append(ValuePair(p.section('=', 0, 0), p.section('=', 1)));
    e.subindex = subindex;
    return e;
}
ValueItem boolAt(const char *L, const char *o, const char *value = "keep", const char *choices = "Off=false|On=true")
{
    ValueItem e = combo("BooleanT", choices, value, L, "", o);
    e.subindexAccess = "false";
    return e;
}
ValueItem boolSub(const char *L, const char *subindex, const char *value = "keep")
{
    return combo("BooleanT", "Off=false|On=true", value, L, "", "", subindex);
}
ValueItem str(const char *type, const char *encoding, const char *fixedLength, const char *subindex,
              const QString &value = "keep")
{
    ValueItem e = num(type, "", "", "", value);
    e.editor.encoding = encoding;
    e.editor.fixedLength = fixedLength;
    e.subindex = subindex;
    return e;
}

ValueItem scaled(ValueItem e, const char *gradient, const char *offset, const char *format)
{
    std::tie(e.gradient, e.offset, e.displayFormat) = std::make_tuple(gradient, offset, format);
    return e;
}
ValueItem inRecord(ValueItem e, const char *L, const char *bitOffset)
{
    e.bitLength = L;
    e.editor.bitOffset = bitOffset;
    return e;
}

} // namespace

class tst_valuecodec : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A local 8-bit code page other than UTF-8, so the encoding rule shows.
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
    }
    void decode_data()
    {
        QTest::addColumn<bool>("single"); // a single-entry reply: the value alone, right-aligned
        QTest::addColumn<ValueItem>("item");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("flag"); // "true": the entry was left alone
        const auto row = [](const char *name, const ValueItem &e, const char *data, const QString &value,
                            const char *flag = "false", bool single = false) {
            QTest::newRow(name) << single << e << hex(data) << value << QString(flag);
        };

        // A record shorter than its variable leaves the entry alone.
        row("short data", num("UIntegerT", "16", "8", "0"), "12", "keep", "true");
        // A variable alone: the first ceil(n/8) octets.
        row("uint8 ff, n empty", num("UIntegerT", "", "", ""), "ff01", "255");
        row("int12", num("IntegerT", "", "12", ""), "f800", "-2048");
        row("uint64 exactly", num("UIntegerT", "", "64", ""), "ffffffffffffffff", "18446744073709551615");
        row("int64 exactly", num("IntegerT", "", "64", ""), "8000000000000001", "-9223372036854775807");
        // raw x gradient + offset, with the decimals the gradient needs or "Dec.N" gives.
        row("gradient 0.1", num("UIntegerT", "", "8", "", "", "0.1"), "fa", "25.0");
        row("gradient -2", num("UIntegerT", "", "8", "", "", "-2"), "fa", "-500");
        row("offset and Dec.2", scaled(num("IntegerT", "", "16", ""), "0.01", "-40", "Dec.2"), "1388", "10.00");
        // Float32T: the shortest text that reads back to the same float.
        row("float in record", num("Float32T", "48", "", "8"), "0040490fdb00", "3.1415927");
        row("combo", combo("UIntegerT", "Low=1|High=2", "keep", "16", "8", "8"), "0200", "High");
        row("combo no match", combo("UIntegerT", "Low=1", "keep", "16", "8", "8"), "0500", "5");
        row("combo negative", combo("IntegerT", "Min=-1|Zero=0", "keep", "", "8"), "ff", "Min");
        row("bool offset 9", boolAt("16", "9"), "0200", "On");
        // Without a bit offset, subindex k is bit position k - 1 (from the last octet).
        row("bool subindex 10", boolSub("16", "10"), "0200", "On");
        // A BooleanT alone fills an octet: 0x00 false, anything else true.
        row("bool alone 02", boolSub("", "0"), "02", "On");
        row("bool alone 00", boolSub("", "0"), "00", "Off");
        row("bool pair 1", boolAt("8", "0", "keep", "Aus=0|Ein=1"), "01", "Ein");
        row("string zero", str("StringT", "", "", ""), "41420043", "AB");
        row("string utf-8", str("StringT", "utf-8", "", ""), "c3a4", "\xc3\xa4");
        row("string local", str("StringT", "", "", ""), "c3a4", QString::fromLatin1("\xc3\xa4"));
        // Octet strings leave the flag alone.
        row("octets subindex 0", str("OctetStringT", "", "2", "0"), "01ff", "0x01ff", "true");
        row("octets subindex 2", str("OctetStringT", "", "2", "2"), "01020304", "0x0304", "true");
        // Strings inside a record sit at their bit offsets: "ABCD" at 0, 0x1234 at 32 of 48.
        row("string in record", inRecord(str("StringT", "", "4", "2"), "48", "0"), "123441424344", "ABCD");
        row("octets in record", inRecord(str("OctetStringT", "", "2", "3"), "48", "16"), "123441424344", "0x4142",
            "true");
        // Seconds with the top bit clear count from 2036-02-07T06:28:16; 0x05060708 / 2^32 s is 19623.2 us.
        row("TimeT", num("TimeT", "", "", "", "keep", "", ""), "0102030405060708", "2036-08-20T23:25:56.019623");
        // Single replies: L and o do not apply.
        row("single uint", num("UIntegerT", "800", "8", "16"), "05", "5", "false", true);
        row("single 64 bits", num("UIntegerT", "800", "64", "0"), "0000000102030405", "4328719365", "false", true);
        row("single reply too short", num("IntegerT", "800", "32", "0"), "80", "keep", "true", true);
        row("single int16", num("IntegerT", "800", "16", "0"), "ff80", "-128", "false", true);
        row("single bool 02", boolSub("800", "5"), "02", "On", "false", true);
        row("single bool 00", boolSub("800", "5"), "00", "Off", "false", true);
    }

    void decode()
    {
        QFETCH(bool, single);
        QFETCH(ValueItem, item);
        QFETCH(QByteArray, data);
        (single ? decodeSingleItem : decodeRecord)(item, data);
        QTEST(item.editor.value, "value");
        QTEST(item.editor.flag, "flag");
    }

    void image_data()
    {
        QTest::addColumn<bool>("single"); // the entry alone, right-aligned, over old contents
        QTest::addColumn<QList<ValueItem>>("items");
        QTest::addColumn<QByteArray>("image"); // leading octets; the rest stays 0
        QTest::addColumn<int>("length");
        using L = QList<ValueItem>;
        const auto row = [](const char *name, const L &items, const QByteArray &image, int length,
                            bool single = false) { QTest::newRow(name) << single << items << image << length; };

        // Entries of one variable share one image.
        row("nibbles 0, 4, 12",
            L{num("UIntegerT", "16", "4", "0", "4"), num("UIntegerT", "16", "4", "4", "3"),
              num("UIntegerT", "16", "4", "12", "1")},
            hex("1034"), 2);
        row("nibbles, signed", L{num("UIntegerT", "16", "4", "0", "15"), num("IntegerT", "16", "4", "8", "-1")},
            hex("0f0f"), 2);
        row("booleans and a number",
            L{boolAt("16", "15", "On"), boolAt("16", "0", "On"), boolAt("16", "1", "Off"),
              num("UIntegerT", "16", "4", "4", "5")},
            hex("8051"), 2);
        row("bool by subindex", L{boolSub("16", "10", "On")}, hex("0200"), 2);
        row("bool alone", L{boolSub("", "0", "On")}, hex("ff"), 1);
        row("bool pair 1", L{boolAt("8", "3", "Ein", "Aus=0|Ein=1")}, hex("08"), 1);
        // Variables alone: the length comes from the entry's own bit length.
        row("gradient 0.1", L{num("UIntegerT", "", "16", "", "25", "0.1")}, hex("00fa"), 2);
        row("offset", L{scaled(num("IntegerT", "", "16", "", "10.00"), "0.01", "-40", "Dec.2")}, hex("1388"), 2);
        row("int64 min", L{num("IntegerT", "", "64", "", "-9223372036854775808")}, hex("8000000000000000"), 8);
        row("rounded", L{num("IntegerT", "", "8", "", "-12.6")}, hex("f3"), 1);
        row("uint64 above 2^63", L{num("UIntegerT", "", "64", "", "18446744073709549568")}, hex("fffffffffffff800"), 8);
        row("float in record", L{num("Float32T", "48", "", "8", "3", "2")}, hex("003fc0000000"), 6);
        row("combo negative", L{combo("IntegerT", "Min=-1|Zero=0", "Min", "", "8")}, hex("ff"), 1);
        // Strings set the length to their octet count.
        row("string utf-8", L{str("StringT", "UTF-8", "", "", "\xc3\xa4")}, hex("c3a4"), 2);
        row("string local", L{str("StringT", "", "", "", "\xc3\xa4")}, hex("e4"), 1);
        row("string cut at 33", L{str("StringT", "", "", "", QString(40, 'x'))}, QByteArray(33, 'x'), 33);
        row("utf-8 cut whole", L{str("StringT", "UTF-8", "", "", QString(32, 'x') + "\xc3\xa4")}, QByteArray(32, 'x'),
            32);
        row("octet string elements",
            L{str("OctetStringT", "", "2", "1", "0xa1b2"), str("OctetStringT", "", "2", "2", "0x01ff")},
            hex("a1b201ff"), 4);
        row("octet string padded", L{str("OctetStringT", "", "3", "0", "0x01")}, hex("010000"), 3);
        // Single writes, whatever the entry's place in the variable.
        row("single uint16", L{num("UIntegerT", "800", "16", "64", "258")}, hex("0102"), 2, true);
        row("single bool by subindex", L{boolSub("800", "12", "On")}, hex("ff"), 1, true);
        // A string inside a record at its bit offset, beside a number.
        row("string in record",
            L{inRecord(str("StringT", "", "4", "2", "ABCD"), "48", "0"), num("UIntegerT", "48", "16", "32", "4660")},
            hex("123441424344"), 6);
        row("single octet string", L{str("OctetStringT", "", "2", "7", "0xbeef")}, hex("beef"), 2, true);
    }

    void image()
    {
        QFETCH(bool, single);
        QFETCH(QList<ValueItem>, items);
        QFETCH(QByteArray, image);
        RecordImage img = startRecordImage(items.first());
        if (single) {
            img.data.fill(0xAA);
            QVERIFY(buildSingleItemImage(items.first(), img));
        }
        for (ValueItem &item : items) {
            QVERIFY(single || placeInRecordImage(item, img));
            QCOMPARE(item.editor.flag, QStringLiteral("false"));
        }
        QCOMPARE(img.bytes().toHex(' '), padded(image).toHex(' '));
        QTEST(img.length, "length");
    }

    void notWritten()
    {
        // Types and texts that cannot be written: the type's range, not a number, no such entry.
        QList<ValueItem> items{num("TimeT", "", "", "", "keep", "", ""),    num("TimeSpanT", "", "", "", "PT1.5"),
                               str("OctetStringT", "", "2", "0", "0x1g"),   str("OctetStringT", "", "2", "0", "0x123"),
                               num("UIntegerT", "16", "4", "0", "16"),      num("IntegerT", "", "8", "", "-129"),
                               num("UIntegerT", "", "8", "", "-1"),         num("UIntegerT", "", "8", "", "25", "-2"),
                               num("Float32T", "", "", "", "abc"),          num("UIntegerT", "", "8", "", ""),
                               combo("UIntegerT", "Low=1", "Mid", "", "8"), boolSub("", "0", "maybe")};
        for (const char *access : {"ro", "RW", ""}) {
            items << num("UIntegerT", "", "8", "", "5");
            items.last().accessRightRestriction = access;
        }
        for (ValueItem &item : items) {
            RecordImage img;
            QVERIFY(!placeInRecordImage(item, img));
            QVERIFY(!buildSingleItemImage(item, img));
            QCOMPARE(img.bytes(), padded(QByteArray()));
            QCOMPARE(item.editor.flag, QStringLiteral("true"));
        }
    }

    // What a cell takes is checked in display units against the type and the description's limits.
    void checkInput()
    {
        ValueItem e = scaled(num("UIntegerT", "", "16", ""), "0.1", "", "Dec.1");
        std::tie(e.editor.lowerValue, e.editor.upperValue, e.unit) = std::make_tuple("100", "40000", "bar");
        QCOMPARE(ValueCodec::checkInput(e, "3000"), QString());
        QCOMPARE(ValueCodec::checkInput(e, "10.0"), QString());
        QCOMPARE(ValueCodec::checkInput(e, "9.9"), QStringLiteral("超出范围 10.0 … 4000.0"));
        QVERIFY(!ValueCodec::checkInput(e, "6553.6").isEmpty()); // beyond 16 bits
        QVERIFY(!ValueCodec::checkInput(e, "3e").isEmpty());
        // A single value beside the range is allowed.
        e.editor.entries = {{"off", "0"}};
        QCOMPARE(ValueCodec::checkInput(e, "0"), QString());
        QVERIFY(!ValueCodec::checkInput(num("Float32T", "", "", ""), "abc").isEmpty());
    }

    // Any value written at any offset of a 64-bit record sets only its own bits and reads back the same.
    void numbersRoundTripAtEveryOffset()
    {
        QRandomGenerator rng(20240501);
        for (int n = 1; n <= 32; ++n) {
            for (int o = 0; o + n <= 64; ++o) {
                const bool isSigned = rng.bounded(2) == 1;
                const quint64 raw = rng.generate64() & ((quint64(1) << n) - 1);
                const qint64 number = isSigned ? signExtend(raw, n) : qint64(raw);
                ValueItem e = num(isSigned ? "IntegerT" : "UIntegerT", "64", QString::number(n), QString::number(o),
                                  QString::number(number));
                RecordImage img = startRecordImage(e);
                QVERIFY(placeInRecordImage(e, img));
                const QByteArray data = img.bytes().left(8);
                QCOMPARE(extractBits(data, 64, 0, 64), raw << o);

                e.editor.value.clear();
                decodeRecord(e, data);
                if (qAbs(number) < 1000000) // 'g' 6 keeps these exact
                    QCOMPARE(e.editor.value, QString::number(number));
            }
        }
    }

    // Numbers from a hostile description are clamped where they are used: no overflow, no huge buffers, no abort.
    void hostileNumbers()
    {
        const QString huge = QString::number(std::numeric_limits<int>::max());
        QElapsedTimer timer;
        timer.start();
        QStringList got;

        // "Dec.N" with N far beyond what a double holds: at most 15 decimals.
        for (const QString &format : {"Dec." + huge, QStringLiteral("Dec.100000000"), QStringLiteral("Dec.-7")}) {
            ValueItem e;
            std::tie(e.defaultValue, e.gradient, e.displayFormat) =
                std::make_tuple(QStringLiteral("5"), QStringLiteral("0.5"), format);
            got << ValueCodec::defaultText(e);
        }

        // Lengths, offsets and subindices of 2^31 - 1 on a read of the largest variable and on writes.
        const QByteArray all(maxOctets, '\xff');
        ValueItem number = num("UIntegerT", huge, huge, huge, "7");
        decodeRecord(number, all);
        got << number.editor.value;
        number.editor.value = "7";
        RecordImage img;
        QVERIFY(buildSingleItemImage(number, img));
        got << QString::number(startRecordImage(number).length) << QString::number(img.length)
            << img.bytes().left(8).toHex();

        ValueItem octets = str("OctetStringT", "", qPrintable(huge), qPrintable(huge), "0x01");
        decodeRecord(octets, all);
        img = startRecordImage(octets);
        QVERIFY(placeInRecordImage(octets, img));
        got << octets.editor.value << QString::number(img.length) << img.bytes().toHex();
        octets.editor.value = "0x02";
        QVERIFY(buildSingleItemImage(octets, img));
        got << QString::number(img.length);

        ValueItem flag = boolSub("16", qPrintable(huge), "On");
        decodeRecord(flag, all.left(2));
        img = startRecordImage(flag);
        QVERIFY(placeInRecordImage(flag, img));
        got << flag.editor.value << QString::number(img.length);

        // The bit helpers take any int.
        quint8 buf[4] = {};
        insertBits(buf, 4, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), 64, ~quint64(0));
        insertBits(buf, 4, std::numeric_limits<int>::max(), std::numeric_limits<int>::min(), 64, ~quint64(0));
        got << QString::number(extractBits(all, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), 64))
            << QString::number(extractBits(all, std::numeric_limits<int>::max(), std::numeric_limits<int>::min(), 64))
            << QByteArray(reinterpret_cast<const char *>(buf), 4).toHex();

        QCOMPARE(got,
                 QStringList({"2.500000000000000", "2.500000000000000", "3",
                              // 64 bits at offset 1856 of 1856: nothing of it in the data; the image holds 33
                              // octets at most; a 64-bit single write
                              "0", "33", "8", "0000000000000007",
                              // element 255 of 232-octet elements lies beyond the data and the image;
                              // a single write pads to 232 octets and keeps the 33 that fit
                              "0x", "33", QString(66, '0'), "33",
                              // subindex 255: bit 6 of octet 31, beyond a 16-bit variable
                              "Off", "2", "0", "0", "00000000"}));
        QVERIFY2(timer.elapsed() < 1000, "clamped numbers cost next to nothing");
    }
};

QTEST_GUILESS_MAIN(tst_valuecodec)
#include "tst_valuecodec.moc"
