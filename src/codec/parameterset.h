#ifndef PARAMETERSET_H
#define PARAMETERSET_H

// A parameter set: the values read from one device, saved to a JSON file so
// that they can be compared with a device and written to it again. The
// parameter page and hub8ctl both read and write sets, and compare them with
// a device, through these functions only. The file format is described in
// docs/parameters.md.

#include "description/ioddrecords.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

namespace ParameterSet {

// The "format" and "version" a set file carries.
constexpr char formatName[] = "vanto-hub8 parameter set";
constexpr int formatVersion = 1;
// What the identity numbers can be: 16 and 24 bits.
constexpr qint64 maxVendorId = 0xFFFF;
constexpr qint64 maxDeviceId = 0xFFFFFF;

// The device a set was read from, as its description names it. Two sets
// belong to the same kind of device when vendor id and device id match; the
// rest says where the values came from.
struct Identity
{
    qint64 vendorId = -1; // -1: not known
    qint64 deviceId = -1;
    QString productName;
    QString ioddFile;    // file name of the description, no folder
    QString ioddVersion; // its DocumentInfo version
};

// The identity of a description: its identity record, and the first
// variant's name when it names no product.
Identity identityOf(const DeviceInfo &info, const QList<VariantItem> &variants);
bool sameDevice(const Identity &a, const Identity &b);
// "KTX-400A-M12 (vendorId 1484, deviceId 101101)".
QString describe(const Identity &device);

// One value of a set.
struct Entry
{
    int index = 0;
    int subindex = 0; // 0 for a simple variable
    QString label;
    QByteArray raw; // the octets the value was decoded from: its variable, or its own subindex
    QString value;  // as the parameter page shows it (display units, a choice's text)
    // Not saved: whether the tool may write the entry (taken from the
    // description on the device side of a comparison).
    bool writable = false;

    QString key() const;
};

// An entry's "index:subindex".
QString keyOf(int index, int subindex);
// The entry as a set holds it: numbers from the description's text (an empty
// subindex is 0), the decoded editor value, `raw` as read.
Entry entryOf(const ValueItem &item, const QByteArray &raw);

struct Set
{
    Identity device;
    QVector<Entry> entries;
};

// The set as the file holds it: UTF-8 JSON, keys in a fixed order, 2-space
// indent, ending with a newline.
QByteArray toJson(const Set &values);
// Reads a set; false with the reason in *why for anything that is not a set
// of this format version (bad JSON, missing or mistyped fields, an index,
// subindex or hex text out of range, an entry listed twice).
bool fromJson(const QByteArray &json, Set *values, QString *why);
// The same for a file (up to maxFileBytes); *why names the file.
bool readFile(const QString &path, Set *values, QString *why);
bool writeFile(const QString &path, const Set &values, QString *why);

constexpr qint64 maxFileBytes = 4 * 1024 * 1024;

// ---- comparison -------------------------------------------------------------

enum class RowState {
    Same,       // the device holds the file's value
    Different,  // it holds another value
    OnlyInFile, // the device side has no value for the entry: not in its menus, or its read failed
};

struct Row
{
    Entry file;
    Entry device; // empty for OnlyInFile
    RowState state = RowState::OnlyInFile;

    // Writing the file's value is possible: the device side has the entry
    // and may write it.
    bool canWrite() const { return state != RowState::OnlyInFile && device.writable; }
    // Offered for writing unless the user says otherwise.
    bool proposed() const { return state == RowState::Different && canWrite(); }
};

struct Comparison
{
    QVector<Row> rows; // in the file's order
    int same = 0;
    int different = 0;
    int onlyInFile = 0;
};

// Compares every entry of `file` with the device's entry of the same
// index:subindex. Values are compared as shown: the same octets shown with
// another description's scaling count as different, which is what writing
// the shown value would change.
Comparison compare(const Set &file, const QVector<Entry> &device);

// Of the variables written in one go, the Device Access Locks (index 12) go
// last: a lock among them must not make the device refuse the others.
constexpr int deviceAccessLocksIndex = 12;
inline bool writtenLast(int index)
{
    return index == deviceAccessLocksIndex;
}

// Whether `text` is a value the entry can be set to: one of its named
// values, or a number in display units within the type and the description's
// values and ranges. Says why not in *why. Does not look at the access right.
bool acceptsValue(const ValueItem &item, const QString &text, QString *why);

} // namespace ParameterSet

#endif // PARAMETERSET_H
