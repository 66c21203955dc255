#ifndef IODDXML_H
#define IODDXML_H

// Reading of one IODD-family XML file (device description, standard
// definitions, unit definitions) into a DOM document, shared by the parsers.

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QString>

namespace ioddXml {

// Files larger than this are refused as unreadable: the largest real device
// descriptions are a few hundred kilobytes, and the DOM of a file needs many
// times its size in memory.
constexpr qint64 maxFileSize = 32 * 1024 * 1024;

// Reads `path` into file/content/document/root.
// Returns -1 (and changes nothing but `file`) when path is empty, the file
// cannot be opened or is larger than maxFileSize. Otherwise stores path,
// content, document and root and returns 0, also when the content is not
// well-formed XML: the document is then empty and the root null, and
// *error receives the reason (it is cleared on a good read).
int readFile(const QString &path, QFile &file, QString &storedPath, QByteArray &content,
             QDomDocument &document, QDomElement &root, QString *error);

// True when the content carries a document type declaration that declares
// entities. Such documents are refused before parsing (see readFile).
bool declaresEntities(const QByteArray &content);

} // namespace ioddXml

#endif // IODDXML_H
