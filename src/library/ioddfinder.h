#ifndef IODDFINDER_H
#define IODDFINDER_H

// Finds the IODD file of a device by its vendor id and device id, reading the
// identity of every description file of a library (the files the library
// dialog lists). A file's identity is read once per version of the file
// (path, size, modification time).

#include <QFileInfoList>
#include <QObject>
#include <QString>

class IoddFinder : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(IoddFinder)

public:
    explicit IoddFinder(QObject *parent = nullptr);
    ~IoddFinder() override;

    // Searches the library "./iodd/", relative to the working directory.
    // Returns the path of the first matching file as listed, or an empty
    // string.
    QString findIoddFile(quint16 vendorId, quint32 deviceId) const;
    // The same search below `dir`. The tool passes the library beside the
    // executable here, which differs from "./iodd/" when it is started from
    // another working directory.
    QString findIoddFile(quint16 vendorId, quint32 deviceId, const QString &dir) const;
    // Of every matching file below `dir`, the one with the newest release
    // date (DocumentInfo releaseDate); the choice is logged when several
    // match. Empty when none does.
    QString findNewestIoddFile(quint16 vendorId, quint32 deviceId, const QString &dir) const;

    // The description files of the library `dir`
    // (IoddLibrary::descriptionFiles): nothing deeper, nothing through a link.
    QFileInfoList findXmlFiles(const QString &dir) const;

    // 0 when a DeviceIdentity directly inside a ProfileBody directly inside
    // the document element carries exactly these attribute texts; 1 otherwise
    // and for a file that cannot be opened or parsed (with a warning line).
    int checkIoddIdentity(const QString &path, const QString &vendorId, const QString &deviceId) const;
};

#endif // IODDFINDER_H
