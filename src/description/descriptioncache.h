#ifndef DESCRIPTIONCACHE_H
#define DESCRIPTIONCACHE_H

#include "ioddfile.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

// The descriptions of the last few files the tool built pages from, kept
// parsed: the same file clicked again, unchanged on disk (time and size),
// is not read again. Role menus and process data built from a kept
// description are kept with it. A description is kept once per text
// language (IoddFile::setTextLanguage): its records hold their texts.
class DescriptionCache
{
public:
    explicit DescriptionCache(int capacity = 4) : m_capacity(capacity) {}

    // The description of `path` with the standard definitions loaded, its
    // texts in `language`; *readable tells whether the file could be read at
    // all (a file that could not is never kept).
    std::shared_ptr<IoddFile> load(const QString &path, const QString &language, bool *readable);

private:
    struct Entry
    {
        QString path;
        QString language;
        QDateTime modified;
        qint64 size = 0;
        std::shared_ptr<IoddFile> description;
    };
    QList<Entry> m_entries; // the most recently used first
    int m_capacity;
};

#endif // DESCRIPTIONCACHE_H
