#include "libraryindex.h"

#include "ioddlibraryfolder.h"

#include "log/hub8log.h"
#include "log/wholefile.h"

#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QThread>

namespace {

// The index file: this magic (its last digit the format), the library's
// absolute path, the number of entries, the entries. Format 2 added the
// vendor and product names; a file of another format is read again.
const QByteArray indexMagic = QByteArrayLiteral("vanto-hub8 IODD library index 2");
constexpr int streamVersion = QDataStream::Qt_5_15;
// An index of a hundred thousand files is some 30 MB.
constexpr qint64 maxIndexFileSize = 64 * 1024 * 1024;

QString absoluteDir(const QString &dir)
{
    return QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
}

QString keyOf(const QString &folder, const QString &file)
{
    return folder + QLatin1Char('/') + file;
}

// The entries kept in `indexFile` for this library; false when there are none
// or they are not this program's (another library, another format, damage).
bool loadIndexFile(const QString &indexFile, const QString &libraryDir, QVector<LibraryEntry> *entries)
{
    if (indexFile.isEmpty() || !QFileInfo::exists(indexFile))
        return false;
    QByteArray data;
    QString error;
    if (!WholeFile::read(indexFile, maxIndexFileSize, &data, &error)) {
        qCWarning(lcLibrary) << "index not read:" << indexFile << error;
        return false;
    }
    QDataStream in(data);
    in.setVersion(streamVersion);
    QByteArray magic;
    QString library;
    qint32 count = 0;
    in >> magic;
    if (in.status() != QDataStream::Ok || magic != indexMagic) {
        qCWarning(lcLibrary) << "index not used, of another format:" << indexFile;
        return false;
    }
    in >> library >> count;
    if (in.status() != QDataStream::Ok || library != absoluteDir(libraryDir) || count < 0) {
        qCWarning(lcLibrary) << "index not used, not one of this library:" << indexFile;
        return false;
    }
    QVector<LibraryEntry> loaded;
    // Each entry takes some tens of octets: a count beyond that is damage.
    loaded.reserve(int(qMin<qint64>(count, data.size() / 16)));
    for (qint32 i = 0; i < count; ++i) {
        LibraryEntry entry;
        if (!LibraryEntry::read(in, &entry)) {
            qCWarning(lcLibrary) << "index not used, damaged at entry" << i << indexFile;
            return false;
        }
        loaded.append(entry);
    }
    *entries = loaded;
    return true;
}

void saveIndexFile(const QString &indexFile, const QString &libraryDir, const QVector<LibraryEntry> &entries)
{
    if (indexFile.isEmpty())
        return;
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    out << indexMagic << absoluteDir(libraryDir) << qint32(entries.size());
    for (const LibraryEntry &entry : entries)
        entry.write(out);
    QString error;
    if (!QDir().mkpath(QFileInfo(indexFile).absolutePath()) || !WholeFile::write(indexFile, data, &error))
        qCWarning(lcLibrary) << "index not saved:" << indexFile << error;
}

bool sameFiles(const QVector<LibraryEntry> &a, const QVector<LibraryEntry> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a.at(i).folder != b.at(i).folder || a.at(i).file != b.at(i).file
            || !a.at(i).sameVersion(b.at(i).size, b.at(i).modified))
            return false;
    }
    return true;
}

} // namespace

LibraryIndex::LibraryIndex(const QString &libraryDir, const QString &indexFile, QObject *parent)
    : QObject(parent), m_libraryDir(QDir::cleanPath(libraryDir)), m_indexFile(indexFile)
{
}

LibraryIndex::~LibraryIndex()
{
    if (m_scan) {
        m_cancel->store(true);
        m_scan->wait();
        delete m_scan;
    }
}

void LibraryIndex::refresh()
{
    if (m_scan) {
        m_again = true;
        return;
    }
    startScan();
}

void LibraryIndex::startScan()
{
    m_again = false;
    m_cancel = std::make_shared<std::atomic_bool>(false);
    const std::shared_ptr<std::atomic_bool> cancel = m_cancel;
    const QString libraryDir = m_libraryDir, indexFile = m_indexFile;
    const QVector<LibraryEntry> known = m_entries;
    const bool load = !m_known;
    const bool save = std::exchange(m_unsaved, false);
    const int generation = m_generation;

    // Runs on the scan's thread; what it finds is handed to this object's thread.
    m_scan = QThread::create([this, cancel, libraryDir, indexFile, known, load, save, generation]() {
        QVector<LibraryEntry> previous = known;
        bool fromFile = false;
        if (load && loadIndexFile(indexFile, libraryDir, &previous)) {
            fromFile = true;
            QMetaObject::invokeMethod(
                this, [this, generation, previous]() { takeLoaded(generation, previous); }, Qt::QueuedConnection);
        }
        QHash<QString, int> byKey;
        for (int i = 0; i < previous.size(); ++i)
            byKey.insert(keyOf(previous.at(i).folder, previous.at(i).file), i);

        if (cancel->load())
            return;
        const QFileInfoList files = IoddLibrary::descriptionFiles(libraryDir);
        if (cancel->load())
            return;
        QVector<LibraryEntry> entries(files.size());
        QVector<int> unknown;
        for (int i = 0; i < files.size(); ++i) {
            const QFileInfo &info = files.at(i);
            const QString folder = info.dir().dirName();
            const int at = byKey.value(keyOf(folder, info.fileName()), -1);
            if (at >= 0 && previous.at(at).sameVersion(info.size(), info.lastModified().toMSecsSinceEpoch())) {
                entries[i] = previous.at(at);
            } else {
                entries[i].folder = folder;
                entries[i].file = info.fileName();
                unknown.append(i);
            }
        }
        QElapsedTimer sinceReport;
        sinceReport.start();
        const auto report = [this](int done, int total) {
            QMetaObject::invokeMethod(
                this, [this, done, total]() { emit progress(done, total); }, Qt::QueuedConnection);
        };
        if (!unknown.isEmpty())
            report(0, unknown.size());
        for (int n = 0; n < unknown.size(); ++n) {
            if (cancel->load())
                return;
            LibraryEntry &entry = entries[unknown.at(n)];
            entry = LibraryEntries::read(libraryDir, entry.folder, entry.file);
            if (n + 1 == unknown.size() || sinceReport.elapsed() >= 100) {
                report(n + 1, unknown.size());
                sinceReport.restart();
            }
        }
        if (cancel->load())
            return;
        // Written when the dialog changed the library, when there was no
        // usable file, or when the folder is not what the index knew.
        if (save || (load && !fromFile) || !sameFiles(entries, previous))
            saveIndexFile(indexFile, libraryDir, entries);
        QMetaObject::invokeMethod(
            this, [this, generation, entries]() { takeScan(generation, entries); }, Qt::QueuedConnection);
    });
    m_scan->start();
}

void LibraryIndex::takeLoaded(int generation, const QVector<LibraryEntry> &entries)
{
    // Saved entries are only a head start: a scan or a change of the dialog's wins.
    if (m_known || generation != m_generation)
        return;
    m_entries = entries;
    m_known = true;
    emit changed();
}

void LibraryIndex::takeScan(int generation, const QVector<LibraryEntry> &entries)
{
    m_scan->wait();
    delete std::exchange(m_scan, nullptr);
    bool changedNow = false;
    if (generation == m_generation) {
        changedNow = !m_known || !sameFiles(entries, m_entries);
        m_entries = entries;
        m_known = true;
    } else {
        m_again = true; // the dialog changed the library meanwhile: look again
    }
    // The next scan is under way before anyone hears of this one, so that a
    // refresh() from a slot of changed() only asks for one more.
    if (m_again)
        startScan();
    if (changedNow)
        emit changed();
    if (!m_scan)
        emit idle();
}

QString LibraryIndex::newestFile(quint16 vendorId, quint32 deviceId) const
{
    const QPair<QString, QString> wanted{QString::number(vendorId), QString::number(deviceId)};
    const LibraryEntry *best = nullptr;
    QStringList matches;
    for (const LibraryEntry &entry : m_entries) {
        if (!entry.parsed || !entry.identities.contains(wanted))
            continue;
        // As it was read, still a regular file in a real folder of the library.
        const QFileInfo folder(m_libraryDir + QLatin1Char('/') + entry.folder);
        const QFileInfo file(entry.path(m_libraryDir));
        if (folder.isSymLink() || !folder.isDir() || file.isSymLink() || !file.isFile()
            || !entry.sameVersion(file.size(), file.lastModified().toMSecsSinceEpoch())) {
            qCDebug(lcLibrary) << "lookup: skipping" << file.filePath() << "changed since the library was scanned";
            continue;
        }
        matches << entry.path(m_libraryDir);
        if (!best || entry.releaseDate > best->releaseDate)
            best = &entry;
    }
    if (matches.size() > 1)
        qCDebug(lcLibrary).noquote() << "lookup: vendor" << wanted.first << "device" << wanted.second << "matches"
                                     << matches.join(QStringLiteral(", ")) << "- taking the newest release"
                                     << best->releaseDate << best->path(m_libraryDir);
    return best ? best->path(m_libraryDir) : QString();
}

void LibraryIndex::addFile(const QString &folder, const QString &file)
{
    const LibraryEntry entry = LibraryEntries::read(m_libraryDir, folder, file);
    // In the scan's order: folders, then files, by name ignoring case.
    const auto before = [&entry](const LibraryEntry &e) {
        const int byFolder = e.folder.compare(entry.folder, Qt::CaseInsensitive);
        return byFolder < 0 || (byFolder == 0 && e.file.compare(entry.file, Qt::CaseInsensitive) < 0);
    };
    int at = 0;
    while (at < m_entries.size() && before(m_entries.at(at)))
        ++at;
    m_entries.insert(at, entry);
    ++m_generation;
    m_unsaved = true;
    emit changed();
}

void LibraryIndex::removeFolder(const QString &folder)
{
    const auto gone = std::remove_if(m_entries.begin(), m_entries.end(),
                                     [&folder](const LibraryEntry &e) { return e.folder == folder; });
    if (gone == m_entries.end())
        return;
    m_entries.erase(gone, m_entries.end());
    ++m_generation;
    m_unsaved = true;
    emit changed();
}
