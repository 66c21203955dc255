#include "ioddlibraryfolder.h"

#include "description/ioddrecords.h"

#include <QCoreApplication>

namespace ioddLibrary {

QString stem(QString fileName)
{
    return fileName.remove(QStringLiteral(".xml"));
}

QString folderName(const QString &vendorId, const QString &deviceId, const QString &version, const QString &fileName)
{
    return vendorId + QLatin1Char('_') + deviceId + QLatin1Char('_') + version + QLatin1Char('_') + stem(fileName);
}

QString folderPath(const deviceInfo &info)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/iodd/")
        + folderName(info.vendorId, info.deviceId, info.version, info.fileName);
}

} // namespace ioddLibrary
