#ifndef PARAMETERACCESS_H
#define PARAMETERACCESS_H

// Which ISDU requests read and write the entries of a description through the
// adapter's mailbox, shared by the parameter page and hub8ctl so that both
// read and write the same octets.
//
// A variable that fits the mailbox is read whole (subindex 0) and each of its
// entries decoded from that data. An item of a larger variable is read by its
// own subindex where the variable allows subindex access. A write of items of
// a variable read whole sends the variable as the device last sent it with
// only those items replaced, so every octet the user did not edit goes back
// unchanged; an item goes alone by its subindex when its variable is too large
// for one request, or allows subindex access and has not been read.

#include "description/ioddrecords.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>
#include <QtGlobal>

namespace ParameterAccess {

struct Request
{
    quint16 index = 0;
    quint8 subindex = 0;
    QByteArray data; // a write's data; empty for a read
};

// The read that gives the entry its value.
Request readRequestFor(const ValueItem &entry);
// Decodes the entry from the data answered to readRequestFor(entry); false
// when the data is too short to hold it.
bool decode(ValueItem &entry, const QByteArray &data);
// True when the entry's value comes from a read of its whole variable, whose
// data its other entries share.
bool readsWholeVariable(const ValueItem &entry);

struct Write
{
    Request request;
    QVector<ValueItem *> entries; // what the write carries
};

struct WritePlan
{
    QVector<Write> writes;                        // in the order to send them
    QVector<QPair<ValueItem *, QString>> refused; // entries left out, and why
};

// The writes for `edited` (each entry's editor.value holds what to write).
// `deviceData` holds, per index, the data of the last read of the whole
// variable; items of a readable variable that is not in it are refused. The
// Device Access Locks go last, so that a lock does not refuse the others.
WritePlan planWrites(const QVector<ValueItem *> &edited, const QHash<int, QByteArray> &deviceData);

// The write a button sends: its value, with the length of its variable.
Request buttonRequest(const ValueItem &button);

} // namespace ParameterAccess

#endif // PARAMETERACCESS_H
