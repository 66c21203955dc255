// Decode and encode of parameter values on octet vectors.

#include "params/valuecodec.h"

#include <QRandomGenerator>
#include <QTextCodec>
#include <QtTest>

Q_DECLARE_METATYPE(valueItem)

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// type, widget, variable bit length L, own bit length n, bit offset o, value
valueItem mk(const QString &type, const QString &widget, const QString &L, const QString &n,
             const QString &o, const QString &value = QStringLiteral("keep"))
{
    valueItem e;
    e.accessRightRestriction = QStringLiteral("rw");
    e.editor.typeName = type;
    e.editor.widgetClass = widget;
    e.bitLength = L;
    e.editor.bitLength = n;
    e.editor.bitOffset = o;
    e.editor.value = value;
    e.editor.flag = QStringLiteral("true");
    return e;
}
valueItem num(const char *type, const char *L, const char *n, const char *o, const char *value = "keep",
              const char *gradient = "")
{
    valueItem e = mk(type, "QLineEdit", L, n, o, value);
    e.gradient = gradient;
    return e;
}
// "Off=false|On=true" -> entries
valueItem combo(const char *type, const QString &choices, const char *value = "keep", const char *L = "",
                const char *n = "", const char *o = "")
{
    valueItem e = mk(type, "QComboBox", L, n, o, value);
    for (const QString &p : choices.split(QLatin1Char('|')))
        e.editor.entries.append(valuePair(p.section(QLatin1Char('='), 0, 0), p.section(QLatin1Char('='), 1)));
    return e;
}
valueItem boolAt(const char *L, const char *o, const char *value = "keep", const char *choices = "Off=false|On=true")
{
    valueItem e = combo("BooleanT", choices, value, L, "", o);
    e.subindexAccess = QStringLiteral("false");
    return e;
}
valueItem boolSub(const char *L, const char *subindex, const char *value = "keep")
{
    valueItem e = combo("BooleanT", "Off=false|On=true", value, L);
    e.subindex = subindex;
    return e;
}
valueItem str(const char *type, const char *encoding, const char *fixedLength, const char *subindex,
              const QString &value = QStringLiteral("keep"), const char *L = "")
{
    valueItem e = mk(type, "QLineEdit", L, "", "", value);
    e.editor.encoding = encoding;
    e.editor.fixedLength = fixedLength;
    e.subindex = subindex;
    return e;
}

QByteArray padded(const QByteArray &leading)
{
    return leading + QByteArray(valueCodec::recordImage::dataSize - leading.size(), '\0');
}

} // namespace

class tst_valueCodec : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A local 8-bit code page other than UTF-8, so the encoding rule shows.
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
    }
    void decodeRecord_data();
    void decodeRecord();
    void decodeSingleItem_data();
    void decodeSingleItem();
    void defaultText_data();
    void defaultText();
    void recordImage_data();
    void recordImage();
    void notWritten_data();
    void notWritten();
    void singleItemImage_data();
    void singleItemImage();
    void numbersRoundTripAtEveryOffset();
    void bitHelpers();
};

void tst_valueCodec::decodeRecord_data()
{
    QTest::addColumn<valueItem>("item");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("flag");   // "true": the entry was left alone

    // Bit fields inside a record, counted from the LSB of the last octet.
    QTest::newRow("4 bits at 0") << num("UIntegerT", "16", "4", "0") << hex("1234") << "4" << "false";
    QTest::newRow("4 bits at 4") << num("UIntegerT", "16", "4", "4") << hex("1234") << "3" << "false";
    QTest::newRow("4 bits at 12") << num("UIntegerT", "16", "4", "12") << hex("1234") << "1" << "false";
    QTest::newRow("3 bits at 7") << num("UIntegerT", "16", "3", "7") << hex("0380") << "7" << "false";
    QTest::newRow("int8 across octets") << num("IntegerT", "16", "8", "4") << hex("0ab0") << "-85" << "false";
    QTest::newRow("int16 high half") << num("IntegerT", "32", "16", "16") << hex("80001234") << "-32768" << "false";
    QTest::newRow("short data") << num("UIntegerT", "16", "8", "0") << hex("12") << "keep" << "true";
    // A variable alone: the first ceil(n/8) octets.
    QTest::newRow("int8 ff") << num("IntegerT", "", "8", "") << hex("ff") << "-1" << "false";
    QTest::newRow("uint8 ff, n empty") << num("UIntegerT", "", "", "") << hex("ff01") << "255" << "false";
    QTest::newRow("int12") << num("IntegerT", "", "12", "") << hex("f800") << "-2048" << "false";
    QTest::newRow("uint32 'g' 6") << num("UIntegerT", "", "32", "") << hex("ffffffff") << "4.29497e+09" << "false";
    QTest::newRow("int32 -2") << num("IntegerT", "0", "32", "0") << hex("fffffffe") << "-2" << "false";
    // Gradient: only a positive number scales.
    QTest::newRow("gradient 0.1") << num("UIntegerT", "", "8", "", "", "0.1") << hex("fa") << "25" << "false";
    QTest::newRow("gradient empty") << num("UIntegerT", "", "8", "", "", "") << hex("fa") << "250" << "false";
    QTest::newRow("gradient -2") << num("UIntegerT", "", "8", "", "", "-2") << hex("fa") << "250" << "false";
    QTest::newRow("gradient 0") << num("UIntegerT", "", "8", "", "", "0") << hex("fa") << "250" << "false";
    QTest::newRow("gradient signed") << num("IntegerT", "", "8", "", "", "0.5") << hex("fb") << "-2.5" << "false";
    QTest::newRow("float 1") << num("Float32T", "", "", "") << hex("3f800000") << "1" << "false";
    QTest::newRow("float in record") << num("Float32T", "48", "", "8") << hex("0040490fdb00") << "3.14159" << "false";
    QTest::newRow("float without editor") << mk("Float32T", "", "", "", "") << hex("3f800000") << "keep" << "true";
    // Named values.
    QTest::newRow("combo") << combo("UIntegerT", "Low=1|High=2", "keep", "16", "8", "8") << hex("0200") << "High" << "false";
    QTest::newRow("combo no match") << combo("UIntegerT", "Low=1", "keep", "16", "8", "8") << hex("0500") << "keep" << "true";
    QTest::newRow("combo negative") << combo("IntegerT", "Min=-1|Zero=0", "keep", "", "8") << hex("ff") << "Min" << "false";
    QTest::newRow("bool offset 9") << boolAt("16", "9") << hex("0200") << "On" << "false";
    QTest::newRow("bool offset 1") << boolAt("16", "1") << hex("0200") << "Off" << "false";
    QTest::newRow("bool subindex 10") << boolSub("16", "10") << hex("0002") << "On" << "false";
    QTest::newRow("bool subindex 2") << boolSub("16", "2") << hex("0200") << "On" << "false";
    QTest::newRow("bool subindex 0 is 1") << boolSub("", "0") << hex("01") << "On" << "false";
    QTest::newRow("bool beyond data") << boolSub("", "17") << hex("ffff") << "Off" << "false";
    QTest::newRow("bool pair 1") << boolAt("8", "0", "keep", "Aus=0|Ein=1") << hex("01") << "Ein" << "false";
    QTest::newRow("bool long value") << boolAt("8", "0", "keep", "Yes=yes") << hex("01") << "keep" << "true";
    // Strings and octet strings (the latter leave the flag alone).
    QTest::newRow("string zero") << str("StringT", "", "", "") << hex("41420043") << "AB" << "false";
    QTest::newRow("string utf-8") << str("StringT", "utf-8", "", "") << hex("c3a4") << "\xc3\xa4" << "false";
    QTest::newRow("string local") << str("StringT", "", "", "") << hex("c3a4") << QString::fromLatin1("\xc3\xa4") << "false";
    QTest::newRow("string short data") << str("StringT", "", "", "", "keep", "16") << hex("41") << "keep" << "true";
    QTest::newRow("octets subindex 0") << str("OctetStringT", "", "2", "0") << hex("01ff") << "0x01ff" << "true";
    QTest::newRow("octets subindex 2") << str("OctetStringT", "", "2", "2") << hex("01020304") << "0x0304" << "true";
    QTest::newRow("octets partial") << str("OctetStringT", "", "3", "2") << hex("0102030405") << "0x0405" << "true";
    QTest::newRow("TimeT") << mk("TimeT", "", "", "", "") << hex("0102030405060708") << "keep" << "true";
}

void tst_valueCodec::decodeRecord()
{
    QFETCH(valueItem, item);
    QFETCH(QByteArray, data);
    valueCodec::decodeRecord(item, data);
    QTEST(item.editor.value, "value");
    QTEST(item.editor.flag, "flag");
}

void tst_valueCodec::decodeSingleItem_data()
{
    QTest::addColumn<valueItem>("item");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("value");

    // The reply holds the value alone, right-aligned; L and o do not apply.
    QTest::newRow("uint 05") << num("UIntegerT", "800", "8", "16") << hex("05") << "5";
    QTest::newRow("uint fixed notation") << num("UIntegerT", "800", "32", "0") << hex("ffffffff") << "4294967295";
    QTest::newRow("uint gradient") << num("UIntegerT", "800", "16", "0", "", "0.1") << hex("00fa") << "25";
    QTest::newRow("first four octets") << num("UIntegerT", "800", "64", "0") << hex("0000000102030405") << "1";
    QTest::newRow("int sign of reply") << num("IntegerT", "800", "32", "0") << hex("80") << "-128";
    QTest::newRow("float") << num("Float32T", "800", "", "") << hex("3fc00000") << "1.5";
    QTest::newRow("combo") << combo("UIntegerT", "Low=1|High=2", "", "800", "8", "8") << hex("02") << "High";
    QTest::newRow("bool 01") << boolSub("800", "5") << hex("01") << "On";
    QTest::newRow("bool 02") << boolSub("800", "5") << hex("02") << "Off";
    QTest::newRow("bool empty") << boolSub("800", "5") << QByteArray() << "Off";
}

void tst_valueCodec::decodeSingleItem()
{
    QFETCH(valueItem, item);
    QFETCH(QByteArray, data);
    valueCodec::decodeSingleItem(item, data);
    QTEST(item.editor.value, "value");
    QCOMPARE(item.editor.flag, QStringLiteral("false"));
}

void tst_valueCodec::defaultText_data()
{
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<QString>("gradient");
    QTest::addColumn<QString>("displayFormat");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Dec.2 scaled") << "25" << "0.1" << "Dec.2" << "2.50";
    QTest::newRow("unusable gradient") << "25" << "-2" << "Dec.1" << "25.0";
    QTest::newRow("no Dec part") << "25" << "0.1" << "2" << "25";
    QTest::newRow("no gradient") << "25" << "" << "Dec.2" << "25";
    QTest::newRow("negative") << "-40" << "0.5" << "Dec.1" << "-20.0";
}

void tst_valueCodec::defaultText()
{
    valueItem e;
    QFETCH(QString, defaultValue);
    QFETCH(QString, gradient);
    QFETCH(QString, displayFormat);
    e.defaultValue = defaultValue;
    e.gradient = gradient;
    e.displayFormat = displayFormat;
    QTEST(valueCodec::defaultText(e), "expected");
}

void tst_valueCodec::recordImage_data()
{
    QTest::addColumn<QList<valueItem>>("items");
    QTest::addColumn<QByteArray>("image");   // leading octets; the rest stays 0
    QTest::addColumn<int>("length");
    using L = QList<valueItem>;

    // Entries of one variable share one image.
    QTest::newRow("two octets of 16 bits") << L { num("UIntegerT", "16", "8", "0", "18"), num("UIntegerT", "16", "8", "8", "52") } << hex("3412") << 2;
    QTest::newRow("nibbles 0, 4, 12") << L { num("UIntegerT", "16", "4", "0", "4"), num("UIntegerT", "16", "4", "4", "3"), num("UIntegerT", "16", "4", "12", "1") } << hex("1034") << 2;
    QTest::newRow("int8 across octets") << L { num("IntegerT", "16", "8", "4", "-85") } << hex("0ab0") << 2;
    QTest::newRow("masked to n bits") << L { num("UIntegerT", "16", "4", "0", "17"), num("IntegerT", "16", "4", "8", "-1") } << hex("0f01") << 2;
    QTest::newRow("booleans and a number") << L { boolAt("16", "15", "On"), boolAt("16", "0", "On"), boolAt("16", "1", "Off"), num("UIntegerT", "16", "4", "4", "5") } << hex("8051") << 2;
    QTest::newRow("bool by subindex") << L { boolSub("16", "10", "On") } << hex("0002") << 2;
    QTest::newRow("bool pair 1") << L { boolAt("8", "3", "Ein", "Aus=0|Ein=1") } << hex("08") << 1;
    // Variables alone: the length comes from the entry's own bit length.
    QTest::newRow("gradient 0.1") << L { num("UIntegerT", "", "16", "", "25", "0.1") } << hex("00fa") << 2;
    QTest::newRow("gradient -2") << L { num("UIntegerT", "", "8", "", "25", "-2") } << hex("19") << 1;
    QTest::newRow("rounded") << L { num("IntegerT", "", "8", "", "-12.6") } << hex("f3") << 1;
    QTest::newRow("unparsable") << L { num("IntegerT", "", "8", "", "abc") } << hex("00") << 1;
    QTest::newRow("uint64 above 2^63") << L { num("UIntegerT", "", "64", "", "18446744073709549568") } << hex("fffffffffffff800") << 8;
    QTest::newRow("float 1.5") << L { num("Float32T", "", "", "", "1.5") } << hex("3fc00000") << 4;
    QTest::newRow("float in record") << L { num("Float32T", "48", "", "8", "3", "2") } << hex("003fc0000000") << 6;
    QTest::newRow("combo") << L { combo("UIntegerT", "Low=1|High=2", "High", "", "8") } << hex("02") << 1;
    QTest::newRow("combo unknown text") << L { combo("UIntegerT", "Low=1", "Mid", "", "8") } << hex("00") << 1;
    QTest::newRow("combo negative") << L { combo("IntegerT", "Min=-1|Zero=0", "Min", "", "8") } << hex("ff") << 1;
    QTest::newRow("float combo") << L { combo("Float32T", "Half=0.5|One=1", "Half") } << hex("3f000000") << 4;
    // Strings set the length to their octet count.
    QTest::newRow("string") << L { str("StringT", "", "", "", "AB") } << hex("4142") << 2;
    QTest::newRow("string utf-8") << L { str("StringT", "UTF-8", "", "", "\xc3\xa4") } << hex("c3a4") << 2;
    QTest::newRow("string local") << L { str("StringT", "", "", "", "\xc3\xa4") } << hex("e4") << 1;
    QTest::newRow("string cut at 32") << L { str("StringT", "", "", "", QString(40, 'x')) } << QByteArray(32, 'x') << 32;
    QTest::newRow("utf-8 cut whole") << L { str("StringT", "UTF-8", "", "", QString(31, 'x') + "\xc3\xa4") } << QByteArray(31, 'x') << 31;
    QTest::newRow("octet string elements") << L { str("OctetStringT", "", "2", "1", "0xa1b2"), str("OctetStringT", "", "2", "2", "0x01ff") } << hex("a1b201ff") << 4;
    QTest::newRow("octet string padded") << L { str("OctetStringT", "", "3", "0", "0x01") } << hex("010000") << 3;
}

void tst_valueCodec::recordImage()
{
    QFETCH(QList<valueItem>, items);
    QFETCH(QByteArray, image);
    valueCodec::recordImage img = valueCodec::startRecordImage(items.first());
    for (valueItem &item : items) {
        QVERIFY(valueCodec::placeInRecordImage(item, img));
        QCOMPARE(item.editor.flag, QStringLiteral("false"));
    }
    QCOMPARE(img.bytes().toHex(' '), padded(image).toHex(' '));
    QTEST(img.length, "length");
}

void tst_valueCodec::notWritten_data()
{
    QTest::addColumn<valueItem>("item");
    for (const char *access : { "ro", "wo", "RW" }) {
        valueItem e = num("UIntegerT", "", "8", "", "5");
        e.accessRightRestriction = access;
        QTest::newRow(access) << e;
    }
    QTest::newRow("TimeT") << mk("TimeT", "", "", "", "");
    QTest::newRow("number without editor") << mk("UIntegerT", "", "", "8", "", "5");
    QTest::newRow("octet string not hex") << str("OctetStringT", "", "2", "0", "0x1g");
    QTest::newRow("octet string odd") << str("OctetStringT", "", "2", "0", "0x123");
}

void tst_valueCodec::notWritten()
{
    QFETCH(valueItem, item);
    valueCodec::recordImage img;
    QVERIFY(!valueCodec::placeInRecordImage(item, img));
    QVERIFY(!valueCodec::buildSingleItemImage(item, img));
    QCOMPARE(img.bytes(), padded(QByteArray()));
    QCOMPARE(item.editor.flag, QStringLiteral("true"));
}

void tst_valueCodec::singleItemImage_data()
{
    QTest::addColumn<valueItem>("item");
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("length");
    // The entry alone, right-aligned, whatever its place in the variable.
    QTest::newRow("uint16") << num("UIntegerT", "800", "16", "64", "258") << hex("0102") << 2;
    QTest::newRow("uint8 gradient") << num("UIntegerT", "800", "8", "8", "25", "0.1") << hex("fa") << 1;
    QTest::newRow("int32 -1") << num("IntegerT", "800", "32", "0", "-1") << hex("ffffffff") << 4;
    QTest::newRow("bool by subindex") << boolSub("800", "12", "On") << hex("01") << 1;
    QTest::newRow("string") << str("StringT", "", "", "3", "abc") << hex("616263") << 3;
    QTest::newRow("octet string") << str("OctetStringT", "", "2", "7", "0xbeef") << hex("beef") << 2;
}

void tst_valueCodec::singleItemImage()
{
    QFETCH(valueItem, item);
    QFETCH(QByteArray, image);
    valueCodec::recordImage img;
    img.data.fill(0xAA);   // replaced, not ORed into
    QVERIFY(valueCodec::buildSingleItemImage(item, img));
    QCOMPARE(img.bytes().toHex(' '), padded(image).toHex(' '));
    QTEST(img.length, "length");
}

// Any value written at any offset of a 64-bit record sets only its own bits
// and reads back the same.
void tst_valueCodec::numbersRoundTripAtEveryOffset()
{
    QRandomGenerator rng(20240501);
    for (int n = 1; n <= 32; ++n) {
        for (int o = 0; o + n <= 64; ++o) {
            const bool isSigned = rng.bounded(2) == 1;
            const quint64 raw = rng.generate64() & ((quint64(1) << n) - 1);
            const qint64 number = isSigned ? valueCodec::signExtend(raw, n) : qint64(raw);
            valueItem e = num(isSigned ? "IntegerT" : "UIntegerT", "64", "", "", "");
            e.editor.bitLength = QString::number(n);
            e.editor.bitOffset = QString::number(o);
            e.editor.value = QString::number(number);
            valueCodec::recordImage img = valueCodec::startRecordImage(e);
            QVERIFY(valueCodec::placeInRecordImage(e, img));
            const QByteArray data = img.bytes().left(8);
            QCOMPARE(valueCodec::extractBits(data, 64, 0, 64), raw << o);

            e.editor.value.clear();
            valueCodec::decodeRecord(e, data);
            if (qAbs(number) < 1000000)   // 'g' 6 keeps these exact
                QCOMPARE(e.editor.value, QString::number(number));
        }
    }
}

void tst_valueCodec::bitHelpers()
{
    // Process-data style: items packed from bit 0 (8, 4, 4 bits of 12 34).
    const QByteArray pd = hex("1234");
    QCOMPARE(valueCodec::extractBits(pd, 16, 0, 8), quint64(0x34));
    QCOMPARE(valueCodec::extractBits(pd, 16, 8, 4), quint64(2));
    QCOMPARE(valueCodec::extractBits(pd, 16, 12, 4), quint64(1));
    QCOMPARE(valueCodec::extractBits(hex("12"), 16, 4, 8), quint64(0x20));   // missing octet reads 0

    // A 64-bit value at an odd offset spans nine octets.
    quint8 buf[9] = {};
    const quint64 v = 0xF123456789ABCDEFull;
    valueCodec::insertBits(buf, 9, 72, 3, 64, v);
    const QByteArray wide(reinterpret_cast<const char *>(buf), 9);
    QCOMPARE(valueCodec::extractBits(wide, 72, 3, 64), v);
    QCOMPARE(valueCodec::extractBits(wide, 72, 0, 3) | valueCodec::extractBits(wide, 72, 67, 5), quint64(0));

    // Bits beyond the buffer are dropped.
    quint8 small[2] = {};
    valueCodec::insertBits(small, 2, 32, 0, 16, 0xFFFFu);
    QCOMPARE(small[0] | small[1], 0);
}

QTEST_GUILESS_MAIN(tst_valueCodec)
#include "tst_valuecodec.moc"
