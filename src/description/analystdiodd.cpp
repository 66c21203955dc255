#include "analystdiodd.h"

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
    const int result = ioddXml::readFile(path, file, storedPath, content, document, root, nullptr);
    if (result == 0 && !root.isNull())
        files.insert(path, SharedFile{info.lastModified(), info.size(), content, document, false, {}});
    return result;
}

} // namespace

analyStdIodd::analyStdIodd(const QString &path, QObject *parent) : QObject(parent)
{
    if (!path.isEmpty())
        loadDefinitions(path);
}

analyStdIodd::~analyStdIodd() = default;

int analyStdIodd::loadDefinitions(const QString &path)
{
    const int result = readShared(path, file, this->path, content, document, root);
    index.reset(root);
    return result;
}

int analyStdIodd::loadUnitDefinitions(const QString &path)
{
    const int result = readShared(path, unitFile, unitPath, unitContent, unitDocument, unitRoot);
    unitIndex.reset(unitRoot);
    return result;
}

QString analyStdIodd::textById(const QString &textId, const QString &language) const
{
    return index.text(textId, language);
}

datatypePtr analyStdIodd::findDatatype(const QString &id) const
{
    datatypeReader reader(index, [this](const QString &t) { return textById(t, QStringLiteral("en")); });
    return reader.findDatatype(id);
}

datatypePtr analyStdIodd::parseDatatype(const QDomElement &element) const
{
    datatypeReader reader(index, [this](const QString &t) { return textById(t, QStringLiteral("en")); });
    return reader.parseDatatype(element);
}

variablePtr analyStdIodd::findVariable(const QString &id) const
{
    for (const QDomElement &e : index.variables(id)) {
        if (e.nodeName() == QLatin1String("Variable")) {
            datatypeReader reader(index, [this](const QString &t) { return textById(t, QStringLiteral("en")); });
            return reader.readVariable(e);
        }
    }
    return nullptr;
}

QString analyStdIodd::unitAbbreviation(const QString &code) const
{
    if (code.isEmpty())
        return code;
    return unitIndex.unit(code);
}

QList<eventItem> analyStdIodd::events() const
{
    const auto read = [this]() {
        return ioddEvents::read(index, [this](const QString &t) { return textById(t, QStringLiteral("en")); });
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

eventItem analyStdIodd::findEvent(quint16 code) const
{
    const QList<eventItem> all = events();
    const eventItem *found = ioddEvents::find(all, code);
    return found ? *found : eventItem();
}
