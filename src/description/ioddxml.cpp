#include "ioddxml.h"

#include <QDomNodeList>
#include <QFileInfo>
#include <QTextCodec>

namespace ioddXml {

bool declaresEntities(const QByteArray &content)
{
    // UTF-16/32 documents would hide the markup from a byte search: decode
    // those first. A BOM or a zero byte among the first four bytes tells them.
    const bool wide = content.startsWith("\xFF\xFE") || content.startsWith("\xFE\xFF")
                      || content.left(4).contains('\0');
    if (wide) {
        QTextCodec *codec = QTextCodec::codecForUtfText(content, QTextCodec::codecForName("UTF-16"));
        const QString text = codec->toUnicode(content);
        return text.contains(QLatin1String("<!DOCTYPE")) && text.contains(QLatin1String("<!ENTITY"));
    }
    return content.contains("<!DOCTYPE") && content.contains("<!ENTITY");
}

int readFile(const QString &path, QFile &file, QString &storedPath, QByteArray &content,
             QDomDocument &document, QDomElement &root, QString *error)
{
    if (path.isEmpty())
        return -1;
    file.setFileName(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        file.close();
        return -1;
    }
    if (file.size() > maxFileSize) {
        file.close();
        return -1;
    }
    storedPath = path;
    content = file.read(maxFileSize + 1);
    file.close();

    QString message;
    int line = 0;
    int column = 0;
    document = QDomDocument();
    // QDomDocument expands internal entities while it parses, so a few lines
    // of nested entity declarations can grow into gigabytes ("billion
    // laughs"). IODD files never declare entities: a document that does is
    // treated like one that is not well-formed.
    if (declaresEntities(content)) {
        message = QStringLiteral("document type declaration with entities refused");
    } else if (!document.setContent(content, &message, &line, &column)) {
        document = QDomDocument();
        message = QStringLiteral("%1 (line %2, column %3)").arg(message).arg(line).arg(column);
    } else {
        message.clear();
    }
    root = document.documentElement();
    if (error)
        *error = message;
    return 0;
}

} // namespace ioddXml
