#include "analystdiodd.h"

#include "datatypereader.h"
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
};

int readShared(const QString &path, QFile &file, QString &storedPath, QByteArray &content, QDomDocument &document,
               QDomElement &root)
{
    static QHash<QString, SharedFile> files;
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
        files.insert(path, SharedFile{info.lastModified(), info.size(), content, document});
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
