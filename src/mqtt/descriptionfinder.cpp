#include "descriptionfinder.h"

#include "description/ioddheaderreader.h"
#include "description/languagefiles.h"

#include <QDir>

#include <algorithm>

QString DescriptionFinder::find(quint16 vendorId, quint32 deviceId)
{
    if (!m_scanned)
        scan();
    const Entry *best = nullptr;
    for (const Entry &e : qAsConst(m_entries)) {
        if (e.vendorId == vendorId && e.deviceId == qint64(deviceId) && (!best || e.releaseDate > best->releaseDate))
            best = &e;
    }
    return best ? best->path : QString();
}

void DescriptionFinder::scan()
{
    m_scanned = true;
    for (const QString &dir : qAsConst(m_dirs)) {
        QStringList folders{dir};
        const QDir library(dir);
        for (const QString &sub : library.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name))
            folders << library.filePath(sub);
        for (const QString &folder : qAsConst(folders)) {
            const QDir d(folder);
            const QStringList names =
                d.entryList({QStringLiteral("*.xml")}, QDir::Files | QDir::NoSymLinks | QDir::Readable, QDir::Name);
            for (const QString &name : names) {
                // "X-de.xml" beside "X.xml" holds X's German texts.
                const bool languageFile = std::any_of(names.cbegin(), names.cend(), [&](const QString &other) {
                    return other != name && !LanguageFiles::languageOf(name, other).isEmpty();
                });
                if (!languageFile)
                    read(d.filePath(name));
            }
        }
    }
}

void DescriptionFinder::read(const QString &path)
{
    IoddHeaderReader header;
    if (header.open(path) != 0 || !header.errorString().isEmpty() || header.vendorId() < 0 || header.deviceId() < 0)
        return;
    m_entries.append({header.vendorId(), header.deviceId(), header.readDeviceInfo().releaseDate, path});
}
