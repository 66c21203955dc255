#include "wholefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace WholeFile {

bool commit(QSaveFile &file, QString *error)
{
    if (file.error() != QFileDevice::NoError || !file.flush()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool write(const QString &path, const QByteArray &data, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return commit(file, error);
}

bool read(const QString &path, qint64 maxBytes, QByteArray *data, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("no such file"));
    if (!info.isFile())
        return fail(QStringLiteral("not a regular file"));
    if (info.size() > maxBytes)
        return fail(QStringLiteral("larger than %1 octets").arg(maxBytes));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    // The size can change between the check and the read: never more than the limit.
    *data = file.read(maxBytes + 1);
    if (data->size() > maxBytes) {
        data->clear();
        return fail(QStringLiteral("larger than %1 octets").arg(maxBytes));
    }
    return true;
}

bool writableHere(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return true;
    if (error)
        *error = QStringLiteral("%1 is not a regular file").arg(path);
    return false;
}

} // namespace WholeFile
