// The value codec on fuzzed descriptions: an entry whose editor fields are
// taken from the input (the texts an IODD may hold, sensible or not) is
// decoded from the rest of the input, encoded, and given its default text.

#include "fuzzinput.h"

#include "codec/processdatacodec.h"
#include "codec/valuecodec.h"

#include <QLoggingCategory>

#include <cstdint>

namespace {

const char *const kTypes[] = {"BooleanT",     "UIntegerT", "IntegerT",  "Float32T", "StringT",
                              "OctetStringT", "TimeT",     "TimeSpanT", "RecordT",  "ArrayT"};
const char *const kWidgets[] = {"QLineEdit", "QComboBox", "QPushButton", "QTableWidgetItem", "QSpinBox"};
const char *const kNumbers[] = {"0",
                                "1",
                                "7",
                                "8",
                                "16",
                                "31",
                                "32",
                                "33",
                                "64",
                                "65",
                                "-1",
                                "520",
                                "232",
                                "2147483647",
                                "-2147483648",
                                "4294967296",
                                "1e10",
                                "",
                                "255",
                                "65535",
                                "9223372036854775807",
                                "-9223372036854775808",
                                "18446744073709551615",
                                "99999999999999999999",
                                "0x10",
                                " 12 "};
const char *const kGradients[] = {"1", "0.1", "0.5", "0.001", "1e-300", "1e300", "-1", "0", "nan", "inf", ""};
const char *const kFormats[] = {"Dec",    "Dec.0", "Dec.2", "Dec.15",        "Dec.16", "Dec.2147483647",
                                "Dec.-1", "Hex",   "Bin",   "Dec.100000000", ""};
const char *const kAccess[] = {"rw", "ro", "wo", ""};
const char *const kValues[] = {"0", "1", "true", "false", "-1", "3.5", "1e308", "abc", "", "ÿ", "65535"};
const char *const kEncodings[] = {"UTF-8", "US-ASCII", ""};

ValueItem fuzzedEntry(FuzzInput &in)
{
    ValueItem e;
    e.editor.typeName = in.pick(kTypes);
    e.editor.widgetClass = in.pick(kWidgets);
    e.editor.bitLength = in.pick(kNumbers);
    e.editor.bitOffset = in.pick(kNumbers);
    e.editor.fixedLength = in.pick(kNumbers);
    e.editor.lowerValue = in.pick(kNumbers);
    e.editor.upperValue = in.pick(kNumbers);
    e.editor.encoding = in.pick(kEncodings);
    e.editor.value = in.pick(kValues);
    e.editor.defaultValue = in.pick(kValues);
    e.editor.flag = (in.byte() & 1) ? QStringLiteral("true") : QStringLiteral("flase");
    const int entries = in.byte() % 4;
    for (int i = 0; i < entries; ++i)
        e.editor.entries.append(qMakePair(in.pick(kValues), in.pick(kNumbers)));
    e.accessRightRestriction = in.pick(kAccess);
    e.bitLength = in.pick(kNumbers);
    e.offset = in.pick(kNumbers);
    e.subindex = in.pick(kNumbers);
    e.index = in.pick(kNumbers);
    e.gradient = in.pick(kGradients);
    e.displayFormat = in.pick(kFormats);
    e.defaultValue = in.pick(kValues);
    return e;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("hub8.*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const ValueItem entry = fuzzedEntry(in);
    const QByteArray octets = in.rest();

    ValueCodec::defaultText(entry);
    ValueItem record = entry;
    ValueCodec::decodeRecord(record, octets);
    ValueItem single = entry;
    ValueCodec::decodeSingleItem(single, octets);
    ValueItem encoded = entry;
    ValueCodec::encode(encoded);
    ValueItem placed = entry;
    ValueCodec::RecordImage image = ValueCodec::startRecordImage(entry);
    ValueCodec::placeInRecordImage(placed, image);
    ValueItem alone = entry;
    ValueCodec::RecordImage own;
    ValueCodec::buildSingleItemImage(alone, own);

    // The same entry as the only item of a process-data layout.
    TreeItem node;
    node.text = entry.bitLength;
    node.values.append(entry);
    const ProcessDataCodec::Layout layout = ProcessDataCodec::layoutOf(node);
    ProcessDataCodec::decode(layout, octets);
    QStringList errors;
    ProcessDataCodec::encode(layout, {entry.editor.value}, &errors);
    ValueCodec::checkInput(entry, entry.editor.value);
    return 0;
}
