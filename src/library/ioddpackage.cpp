#include "ioddpackage.h"

#include "ioddlibraryfolder.h"

#include "archive/zipname.h"
#include "log/hub8log.h"

#include <QXmlStreamReader>

bool IoddPackage::isDescription(const QByteArray &content)
{
    QXmlStreamReader xml(content);
    return xml.readNextStartElement() && xml.name() == QLatin1String("IODevice");
}

bool IoddPackage::descriptions(const QVector<ZipReader::File> &files, QVector<Description> *out, QString *why)
{
    const auto hasSuffix = [](const QString &name, const char *suffix) {
        return name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
    };
    QVector<Description> found;
    for (const ZipReader::File &file : files) {
        if (!hasSuffix(file.name, ".xml") || !isDescription(file.data))
            continue;
        Description description;
        description.file = {ZipName::fileName(file.name), file.data};
        const QString folder = ZipName::folder(file.name);
        for (const ZipReader::File &other : files) {
            if (&other == &file || ZipName::folder(other.name) != folder)
                continue;
            const QString name = ZipName::fileName(other.name);
            if (hasSuffix(name, ".png") || IoddLibrary::isLanguageFileOf(name, description.file.name))
                description.extras.append({name, other.data});
        }
        found.append(description);
    }
    if (found.isEmpty()) {
        *why = tr("压缩包中没有IODD描述文件");
        return false;
    }
    qCDebug(lcLibrary) << "package holds" << found.size() << "description(s)";
    *out = found;
    return true;
}
