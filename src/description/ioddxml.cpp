#include "ioddxml.h"

#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QVector>
#include <QXmlStreamReader>

namespace IoddXml {

namespace {

enum class Verdict { Good, Doctype, Entities, TooDeep, Malformed };

// One streaming pass over the content. QXmlStreamReader detects the encoding
// the way the DOM parser does (byte-order mark, the first bytes, then the
// encoding declaration through QTextCodec), so what it finds is what the DOM
// parser would see. It stops at the first document type declaration: the DOM
// parser would expand the entities declared there while it builds the tree.
Verdict scan(const QByteArray &content, QString *message,
             const std::function<void(const QXmlStreamReader &, int)> &visit = {})
{
    QXmlStreamReader xml(content);
    // Prefixes are plain names to the DOM parser as it is used here.
    xml.setNamespaceProcessing(false);
    int depth = 0;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > maxDepth) {
                *message = QStringLiteral("elements nested deeper than %1 levels refused (line %2)")
                               .arg(maxDepth)
                               .arg(xml.lineNumber());
                return Verdict::TooDeep;
            }
            if (visit)
                visit(xml, depth);
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::DTD:
            if (!xml.entityDeclarations().isEmpty()) {
                *message = QStringLiteral("document type declaration with entities refused");
                return Verdict::Entities;
            }
            *message = QStringLiteral("document type declaration refused");
            return Verdict::Doctype;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        // A document this pass cannot read is not handed to the DOM parser,
        // which might read further (an unknown encoding, for one, it takes
        // for UTF-8) and so past both checks.
        *message = QStringLiteral("%1 (line %2, column %3)")
                       .arg(xml.errorString())
                       .arg(xml.lineNumber())
                       .arg(xml.columnNumber());
        return Verdict::Malformed;
    }
    message->clear();
    return Verdict::Good;
}

// Contents that passed the scan lately, each by its size and two hashes under
// seeds drawn at start-up: a click reads a file's identity for the library
// lookup (a whole scan) just before it parses the same content.
class PassedScans
{
public:
    bool contains(const QByteArray &content)
    {
        const Key key = keyOf(content);
        QMutexLocker locked(&m_lock);
        return m_keys.contains(key);
    }
    void insert(const QByteArray &content)
    {
        const Key key = keyOf(content);
        QMutexLocker locked(&m_lock);
        if (m_keys.contains(key))
            return;
        if (m_keys.size() >= kept)
            m_keys.removeFirst();
        m_keys.append(key);
    }

private:
    struct Key
    {
        qsizetype size = 0;
        uint first = 0;
        uint second = 0;
        bool operator==(const Key &o) const { return size == o.size && first == o.first && second == o.second; }
    };
    static constexpr int kept = 16;

    Key keyOf(const QByteArray &content) const
    {
        return {content.size(), qHashBits(content.constData(), size_t(content.size()), m_seeds[0]),
                qHashBits(content.constData(), size_t(content.size()), m_seeds[1])};
    }

    const uint m_seeds[2] = {QRandomGenerator::system()->generate(), QRandomGenerator::system()->generate()};
    QMutex m_lock;
    QVector<Key> m_keys;
};

PassedScans &passedScans()
{
    static PassedScans scans;
    return scans;
}

} // namespace

bool declaresEntities(const QByteArray &content)
{
    QString message;
    return scan(content, &message) == Verdict::Entities;
}

bool readElements(const QByteArray &content, const std::function<void(const QXmlStreamReader &, int)> &visit,
                  QString *error)
{
    QString message;
    const bool good = scan(content, &message, visit) == Verdict::Good;
    if (good)
        passedScans().insert(content);
    if (error)
        *error = message;
    return good;
}

bool parse(const QByteArray &content, QDomDocument &document, QString *error)
{
    document = QDomDocument();
    QString message;
    if (passedScans().contains(content) || scan(content, &message) == Verdict::Good) {
        int line = 0;
        int column = 0;
        if (document.setContent(content, &message, &line, &column)) {
            message.clear();
        } else {
            document = QDomDocument();
            message = QStringLiteral("%1 (line %2, column %3)").arg(message).arg(line).arg(column);
        }
    }
    if (error)
        *error = message;
    return message.isEmpty();
}

int readFile(const QString &path, QFile &file, QString &storedPath, QByteArray &content, QDomDocument &document,
             QDomElement &root, QString *error)
{
    if (path.isEmpty())
        return -1;
    file.setFileName(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        file.close();
        return -1;
    }
    const qint64 size = file.size();
    if (size > maxFileSize) {
        file.close();
        return -1;
    }
    storedPath = path;
    // What the file holds when it was opened: the buffer is as large as the
    // file, not as large as the limit.
    content = file.read(size);
    file.close();

    parse(content, document, error);
    root = document.documentElement();
    return 0;
}

} // namespace IoddXml
