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
struct deviceInfo
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
struct variantItem
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
struct eventItem
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

// The kind literals of datatypeItem::type.
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

// The editor a value gets in the parameter table (editorItem::widgetClass).
namespace EditorWidget {
constexpr const char LineEdit[] = "QLineEdit";
constexpr const char ComboBox[] = "QComboBox";
constexpr const char PushButton[] = "QPushButton";
constexpr const char SpinBox[] = "QSpinBox";
constexpr const char TableItem[] = "QTableWidgetItem";
} // namespace EditorWidget

struct datatypeItem
{
    virtual ~datatypeItem() = default;
    QString id;
    QString type;
};
using DatatypePtr = std::shared_ptr<datatypeItem>;

struct singleValueItem
{
    QString value;
    QString name;
};

struct valueRangeItem
{
    QString lowerValue;
    QString upperValue;
    QString name;
};

struct booleanType : datatypeItem
{
    QList<singleValueItem> singleValues;
};

struct integerType : datatypeItem
{
    QString bitLength;
    QList<singleValueItem> singleValues;
    QList<valueRangeItem> valueRanges;
};

// Same fields as integerType; deriving lets code that handles both numeric
// kinds read them through one cast.
struct uintegerType : integerType
{
};

struct float32Type : datatypeItem
{
    QList<singleValueItem> singleValues;
    QList<valueRangeItem> valueRanges;
};

struct stringType : datatypeItem
{
    QString fixedLength;
    QString encoding;
};

struct octetStringType : datatypeItem
{
    QString fixedLength;
};

struct timeType : datatypeItem
{
};

struct timeSpanType : datatypeItem
{
};

struct arrayType : datatypeItem
{
    QString subindexAccessSupported;
    DatatypePtr elementType;    // from an inline SimpleDatatype
    QString elementTypeId;      // "datatypeId" of a DatatypeRef
    DatatypePtr elementTypeRef; // the datatype found for elementTypeId
    QString count;
};

struct recordItem
{
    QString subindex;
    QString bitOffset;
    QString accessRightRestriction;
    QString datatypeId;
    DatatypePtr datatype;
    QString name;
    QString description;
};

struct recordItemInfo
{
    QString subindex;
    QString defaultValue;
    QString modifiesOtherVariables;
    QString excludedFromDataStorage;
};

struct recordType : datatypeItem
{
    QString subindexAccessSupported;
    QString bitLength;
    QList<recordItem> items;
    QList<recordItemInfo> itemInfos;
};

// ---- variables -------------------------------------------------------------

struct variableItem
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
using VariablePtr = std::shared_ptr<variableItem>;

// ---- editor, value and tree records ----------------------------------------

// (text shown, value written)
using ValuePair = QPair<QString, QString>;

struct editorItem
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
    QList<editorItem> ranges;
};

struct valueItem
{
    QString label;
    QString accessRightRestriction = QStringLiteral("ro");
    editorItem editor;
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

struct treeItem
{
    QString text;
    QString name;
    QList<valueItem> values;
    QList<treeItem> children;
};

// One of a description's process-data layouts (a ProcessData element) and
// the condition under which the device uses it.
struct processDataChoice
{
    treeItem input;  // no values when the layout has no ProcessDataIn
    treeItem output; // no values when it has no ProcessDataOut
    QString conditionVariable; // variableId; empty: the layout applies always
    QString conditionIndex;    // that variable's index
    QString conditionSubindex; // empty: the whole variable
    QString conditionValue;
    bool hasInput = false; // the layout has a ProcessDataIn
    bool hasOutput = false;
};

Q_DECLARE_METATYPE(treeItem)
Q_DECLARE_METATYPE(treeItem *)

#endif // IODDRECORDS_H
