#ifndef IODDFINDER_H
#define IODDFINDER_H

// Finds the IODD file of a device by its vendor id and device id, reading the
// identity of every XML file below a directory. A file's identity is read
// once per version of the file (path, size, modification time).

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

    // Searches "./iodd/", relative to the working directory. Returns the path
    // of the first matching file as listed (relative for a file directly in
    // that directory, absolute below it), or an empty string.
    QString findIoddFile(quint16 vendorId, quint32 deviceId) const;
    // The same search below `dir`. The tool passes the library beside the
    // executable here, which differs from "./iodd/" when it is started from
    // another working directory.
    QString findIoddFile(quint16 vendorId, quint32 deviceId, const QString &dir) const;
    // Of every matching file below `dir`, the one with the newest release
    // date (DocumentInfo releaseDate); the choice is logged when several
    // match. Empty when none does.
    QString findNewestIoddFile(quint16 vendorId, quint32 deviceId, const QString &dir) const;

    // Every "*.xml" file below dir: the files of a directory (symbolic links
    // to files left out) before those of each subdirectory, depth first, in
    // QDir's default order (by name, ignoring case). A subdirectory reached
    // again through a symbolic link is not listed twice.
    QFileInfoList findXmlFiles(const QString &dir) const;

    // 0 when a DeviceIdentity directly inside a ProfileBody directly inside
    // the document element carries exactly these attribute texts; 1 otherwise
    // and for a file that cannot be opened or parsed (with a warning line).
    int checkIoddIdentity(const QString &path, const QString &vendorId, const QString &deviceId) const;
};

#endif // IODDFINDER_H
