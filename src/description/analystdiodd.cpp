#include "analystdiodd.h"

#include "datatypereader.h"
#include "ioddxml.h"

#include <QDomNodeList>

analyStdIodd::analyStdIodd(const QString &path, QObject *parent)
    : QObject(parent)
{
    if (!path.isEmpty())
        loadDefinitions(path);
}

analyStdIodd::~analyStdIodd() = default;

int analyStdIodd::loadDefinitions(const QString &path)
{
    const int result = ioddXml::readFile(path, file, this->path, content, document, root, nullptr);
    index.reset(root);
    return result;
}

int analyStdIodd::loadUnitDefinitions(const QString &path)
{
    const int result = ioddXml::readFile(path, unitFile, unitPath, unitContent, unitDocument, unitRoot, nullptr);
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
