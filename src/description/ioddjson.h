#ifndef IODDJSON_H
#define IODDJSON_H

// Serialises a parsed description as the ordered JSON that iodd-inspect
// prints: keys in declaration order of the records, every leaf a string,
// 2-space indent, UTF-8. (QJsonDocument would sort the keys.)

#include <QByteArray>
#include <QString>

class analyIODD;
class analyIoddFile;

namespace ioddJson {

// The role menu sets, in the order they are printed.
const char *const roleMenuSets[] = {"ObserverRoleMenuSet", "MaintenanceRoleMenuSet", "SpecialistRoleMenuSet"};

// The whole description: identity from `header`, variants, role menus and
// process data from `file`.
QByteArray describe(const analyIODD &header, analyIoddFile &file);

// A JSON string literal, quotes included.
QByteArray quoted(const QString &text);

} // namespace ioddJson

#endif // IODDJSON_H
