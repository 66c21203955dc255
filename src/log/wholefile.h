#ifndef WHOLEFILE_H
#define WHOLEFILE_H

// Files the tool writes are written whole or not at all: into a temporary
// file beside the target, flushed and checked, then renamed over it. Qt 5's
// QSaveFile::commit() ignores an error of the flush inside its close, so a
// full disk would rename a cut file over the old one; flushing first catches
// it and leaves the old file as it was.
//
// Files the tool reads are regular files of bounded size: a FIFO would block
// in open() for good, and /dev/zero reports size 0 and never ends.

#include <QByteArray>
#include <QString>

class QSaveFile;

namespace WholeFile {

// Writes `data` to `path`; false with the reason in *error (when given).
bool write(const QString &path, const QByteArray &data, QString *error);
// Ends a QSaveFile opened and written by the caller the same way.
bool commit(QSaveFile &file, QString *error);
// Reads the regular file at `path` (a link to one counts) of at most
// `maxBytes` octets into *data; false with the reason in *error (when given).
bool read(const QString &path, qint64 maxBytes, QByteArray *data, QString *error);
// False, with the reason, when `path` exists but is not a regular file: a
// file about to be opened for writing that is a FIFO or a device.
bool writableHere(const QString &path, QString *error);

} // namespace WholeFile

#endif // WHOLEFILE_H
