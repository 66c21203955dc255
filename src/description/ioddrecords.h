#ifndef IODDRECORDS_H
#define IODDRECORDS_H

// Records of a parsed IODD device description. Every value taken from the XML
// is kept as text exactly as written; consumers convert where they need numbers.
// An absent attribute or child leaves its field empty.

#include <QList>
#include <QMetaType>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

// Identity and header of one IODD file.
struct DeviceInfo
{
    QString vendorName;
    QString vendorId;
    QString vendorText;
    QString vendorUrl;
    QString productName;
    QString productId;
    QString productText;
    QString deviceId;
    QString iolinkRevision;
    QString minCycleTime;
    QString sioSupported;
    QString bitrate;
    QString deviceIcon;
    QString deviceSymbol;
    QString connectionSymbol;
    QString connectionType;
    QStringList wireColors;
    QStringList wireFunctions;
    QString fileName;
    QString version;
    QString releaseDate;
};

// One DeviceVariant of the DeviceVariantCollection.
struct VariantItem
{
    QString productId;
    QString name;
    QString description;
    QString deviceSymbol;
    QString deviceIcon;
};

// One Event of an EventCollection: a device's own, or a standard one. `code`
// is the event code in decimal as written; name and description are the
// English texts of their textIds.
struct EventItem
{
    QString code;
    QString type; // "Notification", "Warning" or "Error"
    QString name;
    QString description;
};

// ---- datatypes -------------------------------------------------------------
// A datatype record is handled through a pointer to its head; its kind is told
// by comparing `type` with the kind literals, then the record is cast to the
// matching struct (std::static_pointer_cast).

// The kind literals of DatatypeItem::type.
namespace IoddKind {
constexpr const char BooleanT[] = "BooleanT";
constexpr const char IntegerT[] = "IntegerT";
constexpr const char UIntegerT[] = "UIntegerT";
constexpr const char Float32T[] = "Float32T";
constexpr const char StringT[] = "StringT";
constexpr const char OctetStringT[] = "OctetStringT";
constexpr const char TimeT[] = "TimeT";
constexpr const char TimeSpanT[] = "TimeSpanT";
constexpr const char ArrayT[] = "ArrayT";
constexpr const char RecordT[] = "RecordT";
} // namespace IoddKind

// The editor a value gets in the parameter table (EditorItem::widgetClass).
namespace EditorWidget {
constexpr const char LineEdit[] = "QLineEdit";
constexpr const char ComboBox[] = "QComboBox";
constexpr const char PushButton[] = "QPushButton";
constexpr const char SpinBox[] = "QSpinBox";
constexpr const char TableItem[] = "QTableWidgetItem";
} // namespace EditorWidget

struct DatatypeItem
{
    virtual ~DatatypeItem() = default;
    QString id;
    QString type;
};
using DatatypePtr = std::shared_ptr<DatatypeItem>;

struct SingleValueItem
{
    QString value;
    QString name;
};

struct ValueRangeItem
{
    QString lowerValue;
    QString upperValue;
    QString name;
};

struct BooleanType : DatatypeItem
{
    QList<SingleValueItem> singleValues;
};

struct IntegerType : DatatypeItem
{
    QString bitLength;
    QList<SingleValueItem> singleValues;
    QList<ValueRangeItem> valueRanges;
};

// Same fields as IntegerType; deriving lets code that handles both numeric
// kinds read them through one cast.
struct UintegerType : IntegerType
{
};

struct Float32Type : DatatypeItem
{
    QList<SingleValueItem> singleValues;
    QList<ValueRangeItem> valueRanges;
};

struct StringType : DatatypeItem
{
    QString fixedLength;
    QString encoding;
};

struct OctetStringType : DatatypeItem
{
    QString fixedLength;
};

struct TimeType : DatatypeItem
{
};

struct TimeSpanType : DatatypeItem
{
};

struct ArrayType : DatatypeItem
{
    QString subindexAccessSupported;
    DatatypePtr elementType;    // from an inline SimpleDatatype
    QString elementTypeId;      // "datatypeId" of a DatatypeRef
    DatatypePtr elementTypeRef; // the datatype found for elementTypeId
    QString count;
};

struct RecordItem
{
    QString subindex;
    QString bitOffset;
    QString accessRightRestriction;
    QString datatypeId;
    DatatypePtr datatype;
    QString name;
    QString description;
};

struct RecordItemInfo
{
    QString subindex;
    QString defaultValue;
    QString modifiesOtherVariables;
    QString excludedFromDataStorage;
};

struct RecordType : DatatypeItem
{
    QString subindexAccessSupported;
    QString bitLength;
    QList<RecordItem> items;
    QList<RecordItemInfo> itemInfos;
};

// ---- variables -------------------------------------------------------------

struct VariableItem
{
    QString fixedLengthRestriction = QStringLiteral("64");
    QString id;
    QString index;
    QString bitLength;
    QString name;
    QString mandatory;
    QString defaultValue;
    QString description;
    QString accessRights;
    QString dynamic;
    QString modifiesOtherVariables;
    DatatypePtr datatype;
};
using VariablePtr = std::shared_ptr<VariableItem>;

// ---- editor, value and tree records ----------------------------------------

// (text shown, value written)
using ValuePair = QPair<QString, QString>;

struct EditorItem
{
    QString flag = QStringLiteral("flase"); // "true" once edited; anything else: not modified
    QString value;
    QString widgetClass;
    QString typeName;
    QList<ValuePair> entries;
    QString bitLength;
    QString lowerValue;
    QString upperValue;
    QString name;
    QString fixedLength;
    QString encoding;
    QString bitOffset;
    QString description;
    QString accessRightRestriction;
    QString defaultValue;
    QList<EditorItem> ranges;
};

struct ValueItem
{
    QString label;
    QString accessRightRestriction = QStringLiteral("ro");
    EditorItem editor;
    QString unit;
    QString defaultValue;
    QString description;
    QString displayFormat;
    QString gradient;
    QString buttonValue;
    QString subindex;
    QString offset;
    QString index;
    QString bitLength;
    QString subindexAccess = QStringLiteral("true");
};

struct TreeItem
{
    QString text;
    QString name;
    QList<ValueItem> values;
    QList<TreeItem> children;
    // A menu shown only while a variable holds a value (the Condition of the
    // MenuRef that leads here): the variable as an entry to read and decode
    // (no index: a variable the description lacks, the menu is never shown),
    // and the value.
    bool conditional = false;
    QList<ValueItem> condition; // one entry when conditional
    QString conditionValue;
};

// One of a description's process-data layouts (a ProcessData element) and
// the condition under which the device uses it.
struct ProcessDataChoice
{
    TreeItem input;            // no values when the layout has no ProcessDataIn
    TreeItem output;           // no values when it has no ProcessDataOut
    QString conditionVariable; // variableId; empty: the layout applies always
    QString conditionIndex;    // that variable's index
    QString conditionSubindex; // empty: the whole variable
    QString conditionValue;
    bool hasInput = false; // the layout has a ProcessDataIn
    bool hasOutput = false;
};

Q_DECLARE_METATYPE(TreeItem)
Q_DECLARE_METATYPE(TreeItem *)

#endif // IODDRECORDS_H
