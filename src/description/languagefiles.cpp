#include "languagefiles.h"

#include "ioddxml.h"

#include "log/hub8log.h"
#include "log/wholefile.h"

#include <QDir>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace LanguageFiles {

namespace {

const QString xmlSuffix = QStringLiteral(".xml");

// "de", "zh", "pt-br": two or three letters, then optional subtags.
const QRegularExpression &languageTail()
{
    static const QRegularExpression tail(QStringLiteral("^-([a-z]{2,3}(?:-[a-z0-9]{1,8})*)\\.xml$"),
                                         QRegularExpression::CaseInsensitiveOption);
    return tail;
}

QString withoutXml(const QString &fileName)
{
    return fileName.endsWith(xmlSuffix, Qt::CaseInsensitive) ? fileName.left(fileName.size() - xmlSuffix.size())
                                                             : QString();
}

} // namespace

QString languageOf(const QString &fileName, const QString &descriptionFileName)
{
    const QString stem = withoutXml(descriptionFileName);
    if (stem.isEmpty() || fileName.size() <= stem.size() || !fileName.startsWith(stem))
        return QString();
    const QRegularExpressionMatch match = languageTail().match(fileName.mid(stem.size()));
    return match.hasMatch() ? match.captured(1).toLower() : QString();
}

QList<Sibling> siblings(const QString &descriptionPath)
{
    QList<Sibling> found;
    const QFileInfo description(descriptionPath);
    const QString stem = withoutXml(description.fileName());
    if (stem.isEmpty())
        return found;
    const QDir dir = description.absoluteDir();
    // No name filter: the stem may hold wildcard characters.
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::Hidden, QDir::Name);
    for (const QFileInfo &file : files) {
        const QString language = languageOf(file.fileName(), description.fileName());
        if (!language.isEmpty() && !file.isSymLink() && file.isFile())
            found.append({language, file.absoluteFilePath()});
    }
    return found;
}

QHash<QString, QString> readTexts(const QString &path, const QString &language)
{
    QHash<QString, QString> texts;
    const QFileInfo info(path);
    QByteArray content;
    QString why;
    if (info.isSymLink())
        why = QStringLiteral("a symbolic link");
    else if (!WholeFile::read(path, maxFileSize, &content, &why))
        content.clear();
    if (content.isEmpty()) {
        qCDebug(lcDescription) << "language file" << path
                               << "not read:" << (why.isEmpty() ? QStringLiteral("empty") : why);
        return texts;
    }
    bool textDocument = false;
    bool inLanguage = false;
    const QString lang = QStringLiteral("xml:lang");
    const bool good = IoddXml::readElements(
        content,
        [&](const QXmlStreamReader &xml, int depth) {
            const QStringRef name = xml.name();
            if (depth == 1)
                textDocument = name == QLatin1String("ExternalTextDocument");
            else if (depth == 2)
                inLanguage = textDocument && name == QLatin1String("Language")
                    && xml.attributes().value(lang).compare(language, Qt::CaseInsensitive) == 0;
            else if (depth == 3 && inLanguage && name == QLatin1String("Text")) {
                const QString id = xml.attributes().value(QStringLiteral("id")).toString();
                if (!id.isEmpty() && !texts.contains(id))
                    texts.insert(id, xml.attributes().value(QStringLiteral("value")).toString());
            }
        },
        &why);
    if (!good || !textDocument) {
        qCDebug(lcDescription) << "language file" << path
                               << "ignored:" << (good ? QStringLiteral("not a text document") : why);
        texts.clear();
    }
    return texts;
}

} // namespace LanguageFiles
