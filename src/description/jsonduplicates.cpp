#include "jsonduplicates.h"

#include <QSet>
#include <QStringList>
#include <QVector>

namespace {

class Scanner
{
public:
    explicit Scanner(const QByteArray &json) : m_json(json) {}

    QString run()
    {
        value();
        return m_duplicate;
    }

private:
    // Objects and arrays nest at most this deep before the scan gives up;
    // the JSON parser refuses deeper documents anyway.
    static constexpr int maxDepth = 512;

    bool done() const { return m_pos >= m_json.size() || !m_duplicate.isEmpty() || m_failed; }
    char peek() const { return m_pos < m_json.size() ? m_json.at(m_pos) : '\0'; }

    void skipSpace()
    {
        while (m_pos < m_json.size() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++m_pos;
    }

    // A string literal; its raw text between the quotes (escapes left as they are).
    QString string()
    {
        const int start = ++m_pos;
        while (m_pos < m_json.size() && peek() != '"')
            m_pos += peek() == '\\' ? 2 : 1;
        if (m_pos >= m_json.size()) {
            m_failed = true;
            return QString();
        }
        return QString::fromUtf8(m_json.mid(start, m_pos++ - start));
    }

    void value()
    {
        skipSpace();
        if (done())
            return;
        if (m_path.size() > maxDepth) {
            m_failed = true;
            return;
        }
        switch (peek()) {
        case '{':
            object();
            break;
        case '[':
            array();
            break;
        case '"':
            string();
            break;
        default:
            // Numbers, true, false, null: up to the next delimiter.
            while (m_pos < m_json.size() && !QByteArray(",]} \t\r\n").contains(peek()))
                ++m_pos;
        }
    }

    void object()
    {
        ++m_pos;
        QSet<QString> keys;
        while (!done()) {
            skipSpace();
            if (peek() == '}') {
                ++m_pos;
                return;
            }
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            if (peek() != '"') {
                m_failed = true;
                return;
            }
            const QString key = string();
            m_path << key;
            if (keys.contains(key)) {
                m_duplicate = m_path.join(QLatin1Char('.'));
                return;
            }
            keys.insert(key);
            skipSpace();
            if (peek() != ':') {
                m_failed = true;
                return;
            }
            ++m_pos;
            value();
            m_path.removeLast();
        }
    }

    void array()
    {
        ++m_pos;
        int i = 0;
        while (!done()) {
            skipSpace();
            if (peek() == ']') {
                ++m_pos;
                return;
            }
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            m_path << QString::number(i++);
            const int before = m_pos;
            value();
            if (m_duplicate.isEmpty())
                m_path.removeLast();
            if (m_pos == before)
                m_failed = true;
        }
    }

    const QByteArray &m_json;
    int m_pos = 0;
    QStringList m_path;
    QString m_duplicate;
    bool m_failed = false;
};

} // namespace

QString firstDuplicateKey(const QByteArray &json)
{
    return Scanner(json).run();
}
