#include "descriptioncache.h"

#include <QFileInfo>

std::shared_ptr<IoddFile> DescriptionCache::load(const QString &path, const QString &language, bool *readable)
{
    const QFileInfo info(path);
    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry &entry = m_entries.at(i);
        if (entry.path != path || entry.language != language)
            continue;
        if (info.isFile() && entry.modified == info.lastModified() && entry.size == info.size()) {
            m_entries.move(i, 0);
            *readable = true;
            return m_entries.first().description;
        }
        m_entries.removeAt(i);
        break;
    }
    auto description = std::make_shared<IoddFile>();
    description->setTextLanguage(language);
    *readable = description->load(path) == 0;
    if (*readable) {
        m_entries.prepend(Entry{path, language, info.lastModified(), info.size(), description});
        while (m_entries.size() > m_capacity)
            m_entries.removeLast();
    }
    return description;
}
