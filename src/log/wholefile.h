#ifndef WHOLEFILE_H
#define WHOLEFILE_H

// Files the tool writes are written whole or not at all: into a temporary
// file beside the target, flushed and checked, then renamed over it. Qt 5's
// QSaveFile::commit() ignores an error of the flush inside its close, so a
// full disk would rename a cut file over the old one; flushing first catches
// it and leaves the old file as it was.

#include <QByteArray>
#include <QString>

class QSaveFile;

namespace WholeFile {

// Writes `data` to `path`; false with the reason in *error (when given).
bool write(const QString &path, const QByteArray &data, QString *error);
// Ends a QSaveFile opened and written by the caller the same way.
bool commit(QSaveFile &file, QString *error);

} // namespace WholeFile

#endif // WHOLEFILE_H
