#ifndef LIBRARYINDEX_H
#define LIBRARYINDEX_H

// The identities of the description files of one IODD library, as the
// library dialog lists them and the port lookup searches them.
//
// A scan lists the library's files (IoddLibrary::descriptionFiles) and reads
// only those it does not know in this version (size, modification time); it
// runs on a thread of its own, so that a library of thousands of files never
// holds up the window, and reports its progress. The entries are kept in a
// file between runs: the first scan of a start reads that file and posts its
// entries at once, then checks them against the folder. Lookups answer from
// the entries in memory and check the file they answer with on disk, so a
// file changed or removed since the last scan is never taken.

#include "libraryentry.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <memory>

class QThread;

class LibraryIndex : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(LibraryIndex)

public:
    // `indexFile` keeps the entries between runs; empty: kept in memory only.
    LibraryIndex(const QString &libraryDir, const QString &indexFile, QObject *parent = nullptr);
    // Stops a running scan at its next file and waits for it.
    ~LibraryIndex() override;

    QString libraryDir() const { return m_libraryDir; }
    // False until the saved entries or a first scan are in.
    bool isKnown() const { return m_known; }
    // True from refresh() until its scan's entries are in.
    bool isBusy() const { return m_scan != nullptr; }
    // In the order of IoddLibrary::descriptionFiles.
    const QVector<LibraryEntry> &entries() const { return m_entries; }

    // Brings the entries up to date with the folder, off this thread. A call
    // while a scan runs has another one follow it.
    void refresh();

    // The path of the file with this identity and the newest release date
    // (the first listed on a tie); empty when none. Only a file still there
    // in the version that was read counts.
    QString newestFile(quint16 vendorId, quint32 deviceId) const;

    // Changes the library dialog made itself, known at once: a file copied
    // into the folder `folder`, and a folder removed.
    void addFile(const QString &folder, const QString &file);
    void removeFolder(const QString &folder);

signals:
    // A scan has read `done` of the `total` files it did not know.
    void progress(int done, int total);
    // The entries have changed (also when they first become known).
    void changed();
    // A scan has ended and none is due.
    void idle();

private:
    struct ScanResult;
    void startScan();
    void takeLoaded(int generation, const QVector<LibraryEntry> &entries);
    void takeScan(int generation, const QVector<LibraryEntry> &entries);

    QString m_libraryDir;
    QString m_indexFile;
    QVector<LibraryEntry> m_entries;
    bool m_known = false;
    bool m_again = false;   // refresh() called while a scan ran
    bool m_unsaved = false; // the dialog's own changes are not in the index file yet
    int m_generation = 0;   // counts the dialog's own changes: a scan begun before one is taken again
    QThread *m_scan = nullptr;
    std::shared_ptr<std::atomic_bool> m_cancel;
};

#endif // LIBRARYINDEX_H
