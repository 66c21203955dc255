#ifndef DESCRIPTIONFINDER_H
#define DESCRIPTIONFINDER_H

#include <QString>
#include <QStringList>
#include <QVector>

// Finds the description of a device by the identity it reports, in IODD
// library folders laid out as the tool's library is (one folder per file;
// files directly in a library folder count too). Each folder is read once,
// on the first lookup; language files are not descriptions.
class DescriptionFinder
{
public:
    explicit DescriptionFinder(const QStringList &libraryDirs) : m_dirs(libraryDirs) {}

    // The file with this identity and the newest release date; on a tie the
    // first found (earlier folders first). Empty when there is none.
    QString find(quint16 vendorId, quint32 deviceId);

    const QStringList &libraryDirs() const { return m_dirs; }

private:
    struct Entry
    {
        int vendorId = -1;
        qint64 deviceId = -1;
        QString releaseDate; // ISO date, compared as text
        QString path;
    };
    void scan();
    void read(const QString &path);

    QStringList m_dirs;
    bool m_scanned = false;
    QVector<Entry> m_entries;
};

#endif // DESCRIPTIONFINDER_H
