#include "standarddefinitions.h"

#include "datatypereader.h"
#include "ioddevents.h"
#include "ioddxml.h"

#include <QDateTime>
#include <QDomNodeList>
#include <QFileInfo>
#include <QHash>

namespace {

// The standard definition files are the same for every description a process
// reads: each is parsed once and its document shared, read only, by every
// reader. A file that changed on disk (time or size) is parsed again. The
// tool reads descriptions on its GUI thread only.
struct SharedFile
{
    QDateTime modified;
    qint64 size = 0;
    QByteArray content;
    QDomDocument document;
    // The file's events by text language, read on first use.
    QHash<QString, QList<EventItem>> events;
};

QHash<QString, SharedFile> &sharedFiles()
{
    static QHash<QString, SharedFile> files;
    return files;
}

int readShared(const QString &path, QFile &file, QString &storedPath, QByteArray &content, QDomDocument &document,
               QDomElement &root)
{
    QHash<QString, SharedFile> &files = sharedFiles();
    const QFileInfo info(path);
    const auto found = files.constFind(path);
    if (found != files.constEnd() && info.isFile() && found->modified == info.lastModified()
        && found->size == info.size()) {
        storedPath = path;
        content = found->content;
        document = found->document;
        root = document.documentElement();
        return 0;
    }
    const int result = IoddXml::readFile(path, file, storedPath, content, document, root, nullptr);
    if (result == 0 && !root.isNull())
        files.insert(path, SharedFile{info.lastModified(), info.size(), content, document, {}});
    return result;
}

} // namespace

StandardDefinitions::StandardDefinitions(const QString &path, QObject *parent) : QObject(parent)
{
    if (!path.isEmpty())
        loadDefinitions(path);
}

StandardDefinitions::~StandardDefinitions() = default;

int StandardDefinitions::loadDefinitions(const QString &path)
{
    const int result = readShared(path, m_file, m_path, m_content, m_document, m_root);
    m_index.reset(m_root);
    return result;
}

int StandardDefinitions::loadUnitDefinitions(const QString &path)
{
    const int result = readShared(path, m_unitFile, m_unitPath, m_unitContent, m_unitDocument, m_unitRoot);
    m_unitIndex.reset(m_unitRoot);
    return result;
}

QString StandardDefinitions::textById(const QString &textId, const QString &language) const
{
    return m_index.text(textId, language);
}

QString StandardDefinitions::text(const QString &textId) const
{
    const QString english = QStringLiteral("en");
    if (m_textLanguage.isEmpty())
        return m_index.text(textId, english);
    const QString shown = m_index.text(textId, m_textLanguage);
    const QString primary = m_index.primaryLanguage();
    const QString fallback = primary.isEmpty() ? english : primary;
    if (!shown.isEmpty() || fallback == m_textLanguage)
        return shown;
    return m_index.text(textId, fallback);
}

DatatypePtr StandardDefinitions::findDatatype(const QString &id) const
{
    DatatypeReader reader(m_index, [this](const QString &t) { return text(t); });
    return reader.findDatatype(id);
}

DatatypePtr StandardDefinitions::parseDatatype(const QDomElement &element) const
{
    DatatypeReader reader(m_index, [this](const QString &t) { return text(t); });
    return reader.parseDatatype(element);
}

VariablePtr StandardDefinitions::findVariable(const QString &id) const
{
    for (const QDomElement &e : m_index.variables(id)) {
        if (e.nodeName() == QLatin1String("Variable")) {
            DatatypeReader reader(m_index, [this](const QString &t) { return text(t); });
            return reader.readVariable(e);
        }
    }
    return nullptr;
}

QString StandardDefinitions::unitAbbreviation(const QString &code) const
{
    if (code.isEmpty())
        return code;
    return m_unitIndex.unit(code);
}

QList<EventItem> StandardDefinitions::events() const
{
    const auto read = [this]() { return IoddEvents::read(m_index, [this](const QString &t) { return text(t); }); };
    auto shared = sharedFiles().find(m_path);
    if (m_path.isEmpty() || shared == sharedFiles().end() || shared->document != m_document)
        return read();
    auto known = shared->events.find(m_textLanguage);
    if (known == shared->events.end())
        known = shared->events.insert(m_textLanguage, read());
    return known.value();
}

EventItem StandardDefinitions::findEvent(quint16 code) const
{
    const QList<EventItem> all = events();
    const EventItem *found = IoddEvents::find(all, code);
    return found ? *found : EventItem();
}
