#ifndef IODDLIBRARYFOLDER_H
#define IODDLIBRARYFOLDER_H

#include <QString>

struct deviceInfo;

// Names in the IODD library: one folder per IODD file, named
// <vendor id>_<device id>_<version>_<file name without ".xml">.
namespace ioddLibrary {

// The file name with every ".xml" removed.
QString stem(QString fileName);
QString folderName(const QString &vendorId, const QString &deviceId, const QString &version, const QString &fileName);
// The folder of a description in the library beside the executable.
QString folderPath(const deviceInfo &info);

} // namespace ioddLibrary

#endif // IODDLIBRARYFOLDER_H
