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
    // The file's events, read on first use.
    bool eventsRead = false;
    QList<eventItem> events;
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
        files.insert(path, SharedFile{info.lastModified(), info.size(), content, document, false, {}});
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
    const int result = readShared(path, file, this->path, content, document, root);
    index.reset(root);
    return result;
}

int StandardDefinitions::loadUnitDefinitions(const QString &path)
{
    const int result = readShared(path, unitFile, unitPath, unitContent, unitDocument, unitRoot);
    unitIndex.reset(unitRoot);
    return result;
}

QString StandardDefinitions::textById(const QString &textId, const QString &language) const
{
    return index.text(textId, language);
}

DatatypePtr StandardDefinitions::findDatatype(const QString &id) const
{
    DatatypeReader reader(index, [this](const QString &t) { return textById(t, QStringLiteral("en")); });
    return reader.findDatatype(id);
}

DatatypePtr StandardDefinitions::parseDatatype(const QDomElement &element) const
{
    DatatypeReader reader(index, [this](const QString &t) { return textById(t, QStringLiteral("en")); });
    return reader.parseDatatype(element);
}

VariablePtr StandardDefinitions::findVariable(const QString &id) const
{
    for (const QDomElement &e : index.variables(id)) {
        if (e.nodeName() == QLatin1String("Variable")) {
            DatatypeReader reader(index, [this](const QString &t) { return textById(t, QStringLiteral("en")); });
            return reader.readVariable(e);
        }
    }
    return nullptr;
}

QString StandardDefinitions::unitAbbreviation(const QString &code) const
{
    if (code.isEmpty())
        return code;
    return unitIndex.unit(code);
}

QList<eventItem> StandardDefinitions::events() const
{
    const auto read = [this]() {
        return IoddEvents::read(index, [this](const QString &t) { return textById(t, QStringLiteral("en")); });
    };
    auto shared = sharedFiles().find(path);
    if (path.isEmpty() || shared == sharedFiles().end() || shared->document != document)
        return read();
    if (!shared->eventsRead) {
        shared->events = read();
        shared->eventsRead = true;
    }
    return shared->events;
}

eventItem StandardDefinitions::findEvent(quint16 code) const
{
    const QList<eventItem> all = events();
    const eventItem *found = IoddEvents::find(all, code);
    return found ? *found : eventItem();
}
