#ifndef IODDXML_H
#define IODDXML_H

// Reading of one IODD-family XML file (device description, standard
// definitions, unit definitions) into a DOM document, shared by the parsers
// and by every other place that builds a DOM from such a file.

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QString>

#include <functional>

class QXmlStreamReader;

namespace IoddXml {

// Files larger than this are refused as unreadable: the largest real device
// descriptions are a few hundred kilobytes, and the DOM of a file needs many
// times its size in memory.
constexpr qint64 maxFileSize = 32 * 1024 * 1024;

// Elements nested deeper than this are refused before the DOM is built: the
// DOM parser recurses once per level and runs out of stack at some thousands.
// Real descriptions nest at most 11 levels.
constexpr int maxDepth = 64;

// Reads `path` into file/content/document/root.
// Returns -1 (and changes nothing but `file`) when path is empty, the file
// cannot be opened or is larger than maxFileSize. Otherwise stores path,
// content, document and root and returns 0, also when the content is not
// well-formed XML or refused by parse(): the document is then empty and the
// root null, and *error receives the reason (it is cleared on a good read).
int readFile(const QString &path, QFile &file, QString &storedPath, QByteArray &content, QDomDocument &document,
             QDomElement &root, QString *error);

// Builds the DOM of `content`, after a streaming read of the whole content
// (decoded exactly as the DOM parser decodes it) has found it well-formed,
// without a document type declaration and nested at most maxDepth levels.
// Otherwise the document is left empty, *error (when given) says why, and
// the result is false. On success *error is cleared. A content that
// readElements() took lately is not read a second time.
bool parse(const QByteArray &content, QDomDocument &document, QString *error = nullptr);

// The same streaming read as parse() does first, without building a DOM:
// `visit` sees every start element with its depth (the root at 1). True when
// parse() would take the content; otherwise *error (when given) says why.
bool readElements(const QByteArray &content, const std::function<void(const QXmlStreamReader &, int)> &visit,
                  QString *error = nullptr);

// True when the content carries a document type declaration that declares
// entities, in whatever encoding the XML parser reads it. parse() refuses
// every document type declaration, with or without entities.
bool declaresEntities(const QByteArray &content);

} // namespace IoddXml

#endif // IODDXML_H
