#ifndef IODDJSON_H
#define IODDJSON_H

// Serialises a parsed description as the ordered JSON that iodd-inspect
// prints: keys in declaration order of the records, every leaf a string,
// 2-space indent, UTF-8. (QJsonDocument would sort the keys.) The writer
// serves hub8ctl's output too.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class IoddHeaderReader;
class IoddFile;

namespace IoddJson {

// The role menu sets, in the order they are printed.
const char *const roleMenuSets[] = {"ObserverRoleMenuSet", "MaintenanceRoleMenuSet", "SpecialistRoleMenuSet"};

// The whole description: identity from `header`, variants, role menus and
// process data from `file`.
QByteArray describe(const IoddHeaderReader &header, IoddFile &file);

// A JSON string literal, quotes included.
QByteArray quoted(const QString &text);

// Minimal pretty printer that keeps keys in the order they are written:
// objects and arrays are opened and closed explicitly; commas and the 2-space
// indentation are handled here. Keys are given without a key inside arrays.
class Writer
{
public:
    // What was written so far.
    const QByteArray &text() const { return m_out; }

    void beginObject(const char *key = nullptr) { open(key, '{'); }
    void endObject() { close('}'); }
    void beginArray(const char *key = nullptr) { open(key, '['); }
    void endArray() { close(']'); }
    void value(const char *key, const QString &text);
    void value(const QString &text) { value(nullptr, text); }
    void number(const char *key, qint64 n);
    void null(const char *key);
    void boolean(const char *key, bool b);
    void strings(const char *key, const QStringList &list);

private:
    QByteArray m_out;
    QList<bool> m_empty; // per open container: nothing written yet

    void indent();
    void item(const char *key);
    void open(const char *key, char bracket);
    void close(char bracket);
};

} // namespace IoddJson

#endif // IODDJSON_H
