#ifndef BUILTINDESCRIPTION_H
#define BUILTINDESCRIPTION_H

#include <QString>
#include <QtGlobal>

// The description of the built-in device (Pellamar KTX-400A-M12), shipped in
// the IODD library beside the executables.
namespace BuiltinDescription {

// The identity of the built-in device.
inline constexpr quint16 vendorId = 1484;
inline constexpr quint32 deviceId = 101101;

// The library folder that holds it.
inline constexpr char folderName[] = "1484_101101_V1.1_Pellamar-KTX-400A-M12-20240117-IODD1.1";
// Its path below the folder that holds std/ and iodd/.
inline constexpr char relativePath[] =
    "iodd/1484_101101_V1.1_Pellamar-KTX-400A-M12-20240117-IODD1.1/Pellamar-KTX-400A-M12-20240117-IODD1.1.xml";

// The file below baseDir (usually the executable's folder).
inline QString pathIn(const QString &baseDir)
{
    return baseDir + QLatin1Char('/') + QLatin1String(relativePath);
}

} // namespace BuiltinDescription

#endif // BUILTINDESCRIPTION_H
