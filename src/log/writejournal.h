#ifndef WRITEJOURNAL_H
#define WRITEJOURNAL_H

// The record of every write the tool and hub8ctl send to a device: one JSON
// line per write (time, program, user, port, device, what was written, the
// octets before and after, the outcome) in the user's data folder
// (~/.local/share/vanto-hub8/journal.jsonl). Past maxBytes the file is
// renamed to journal.1.jsonl (the older ones move up, keptFiles in all), so
// it never grows without bound. A line that cannot be written is reported to
// the caller, which shows it.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace WriteJournal {

constexpr qint64 maxBytes = 1024 * 1024;
constexpr int keptFiles = 5;

struct Record
{
    QDateTime time;  // when the write was answered
    QString program; // "vanto-hub8", "hub8ctl"
    QString user;
    int port = 0; // 1..8
    qint64 vendorId = -1, deviceId = -1;
    QString serialNumber;
    QString kind; // "parameter", "system command", "process data", "digital output"
    int index = -1, subindex = -1;
    QString label;
    QByteArray before; // what the device held, when known
    QByteArray after;  // what was written
    QString outcome;   // "taken", or why not
};

// A record of a write answered now, by `program` ("vanto-hub8", "hub8ctl")
// on port 1..8, of this kind, by the logged-in user.
Record now(const QString &program, int port, const QString &kind);

// The journal file; setPath() replaces it (tests).
QString path();
void setPath(const QString &path);
// The user's login name.
QString userName();

// Appends the record (rotating first when the file is full); false with the
// reason in *error.
bool append(const Record &record, QString *error);
// The records of the journal and its rotated files, oldest first; lines that
// are not records are skipped. At most the newest `limit` (0: all).
QList<Record> read(int limit = 0);

QByteArray toJsonLine(const Record &record);

} // namespace WriteJournal

#endif // WRITEJOURNAL_H
