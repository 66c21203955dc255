#ifndef CTLPARAMS_H
#define CTLPARAMS_H

// Parameters of a description read and written through the mailbox the way
// the parameter page does it (codec/parameteraccess.h).

#include "ctlexchange.h"

#include "codec/parameterdownload.h"

#include "codec/parameterset.h"
#include "description/ioddrecords.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QVector>

#include <optional>

class AdapterLink;

struct ParameterRow
{
    QString menu;      // the name of the menu that holds the entry
    ValueItem entry;   // decoded: entry.editor.value
    CtlReply reply;    // of the read the entry was decoded from
    QByteArray octets; // the variable's (or the item's) data as read
};

// Reads every readable entry of `menus` (a menu's values, then its submenus)
// from port 0..7. False when the link failed; *rows then holds what was read.
bool readParameters(AdapterLink *link, int port, const QList<TreeItem> &menus, QVector<ParameterRow> *rows);

// Every entry of `menus` (any depth) that belongs to variable `index`, each
// (subindex, label) once, in menu order.
QList<ValueItem> entriesOfIndex(const QList<TreeItem> &menus, quint16 index);

struct ParameterWrite
{
    enum Result {
        Written,      // see the reply for how the device took it
        ReadFailed,   // the read before the write failed: see the reply
        NotEncodable, // the codec cannot write this entry's type or text
    };
    Result result = NotEncodable;
    CtlReply reply;    // of the write, or of the read before it
    QByteArray octets; // the data written
    QString why;       // NotEncodable: why
    ParameterDownload::Stored stored = ParameterDownload::Stored::NothingToStore;
};

// How a change is framed for the device (ParameterDownload): the system
// commands its description lists, and whether to store it.
struct DownloadPolicy
{
    ParameterDownload::Support support;
    bool store = true;
};

// Sets `target` to `text` and writes it to port 0..7 as the parameter page
// does (ParameterAccess): an item of a variable that fits the mailbox with
// its variable, read first so that every other octet goes back as the device
// sent it; otherwise alone. The text must be acceptable (CtlValues::acceptsText)
// and the entry writable. False when the link failed.
bool writeParameter(AdapterLink *link, int port, const ValueItem &target, const QString &text,
                    const DownloadPolicy &policy, ParameterWrite *out);

// The device the journal names for the writes that follow (WriteJournal).
void setJournalDevice(qint64 vendorId, qint64 deviceId, const QString &serialNumber = QString());
// Puts one write of hub8ctl into the journal; a failure is said on stderr.
void journalWrite(int port, const QString &kind, const ParameterAccess::Request &request, const QString &label,
                  const QByteArray &before, const CtlReply &reply);

// Sends `download`'s requests and hands it each answer; the replies of its
// writes in *replies (as many as were sent). False when the link failed.
bool runDownload(AdapterLink *link, int port, ParameterDownload &download, QVector<CtlReply> *replies,
                 const QHash<QString, QByteArray> &before = {});

// ---- parameter sets -----------------------------------------------------------

// What the device holds for the entries of some menus, as a parameter set
// sees it.
struct DeviceValues
{
    // Each index:subindex once, as first listed; writable when any listing is.
    QVector<ParameterSet::Entry> entries;
    // Per index:subindex, why the device gave no value.
    QHash<QString, QString> failed;
    // Per index, the data of the read of the whole variable.
    QHash<int, QByteArray> variables;
};

// Reads the readable entries of `menus` whose index is in `indexes` (all of
// them when it is empty). False when the link failed.
bool readDeviceValues(AdapterLink *link, int port, const QList<TreeItem> &menus, const QSet<int> &indexes,
                      DeviceValues *out);

// One write request of a restore: a whole variable (subindex 0) or one item.
struct SetWrite
{
    int index = 0;
    int subindex = 0;
    QStringList labels; // the entries it changes
    QByteArray octets;
    CtlReply reply;
    bool applied = false; // the device holds it (a refused block applies nothing)
};

// An entry the restore leaves alone, and why.
struct SetSkip
{
    ParameterSet::Entry entry;
    QString reason;
};

// Writes the file's values of the entries the comparison proposes (different
// and writable): per variable one write of what the device sent with those
// entries replaced, or per item for variables read item by item. False when
// the link failed.
// The writes go as one block (ParameterDownload), whose outcome is left in
// *outcome.
bool writeSetEntries(AdapterLink *link, int port, const QList<TreeItem> &menus,
                     const ParameterSet::Comparison &comparison, const DeviceValues &device,
                     const DownloadPolicy &policy, QVector<SetWrite> *writes, QVector<SetSkip> *skipped,
                     std::optional<ParameterDownload> *outcome);

#endif // CTLPARAMS_H
