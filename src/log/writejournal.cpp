#include "writejournal.h"

#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace WriteJournal {

namespace {

QString replacedPath;

QString rotated(int n)
{
    QString name = path();
    if (n > 0)
        name.replace(name.lastIndexOf(QLatin1String(".jsonl")), 6, QStringLiteral(".%1.jsonl").arg(n));
    return name;
}

QString hexOf(const QByteArray &octets)
{
    return QString::fromLatin1(octets.toHex(' '));
}

// Moves journal.jsonl to journal.1.jsonl and each older one up; the oldest goes.
bool rotate(QString *error)
{
    QFile::remove(rotated(keptFiles - 1));
    for (int n = keptFiles - 2; n >= 0; --n) {
        if (QFileInfo::exists(rotated(n)) && !QFile::rename(rotated(n), rotated(n + 1))) {
            *error = QStringLiteral("cannot rotate %1").arg(rotated(n));
            return false;
        }
    }
    return true;
}

} // namespace

Record now(const QString &program, int port, const QString &kind)
{
    Record r;
    r.time = QDateTime::currentDateTime();
    r.program = program;
    r.user = userName();
    r.port = port;
    r.kind = kind;
    return r;
}

QString path()
{
    if (!replacedPath.isEmpty())
        return replacedPath;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/vanto-hub8/journal.jsonl");
}

void setPath(const QString &path)
{
    replacedPath = path;
}

QString userName()
{
    for (const char *variable : {"USER", "LOGNAME", "USERNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    return QString();
}

QByteArray toJsonLine(const Record &r)
{
    const QJsonObject o{
        {QStringLiteral("time"), r.time.toOffsetFromUtc(r.time.offsetFromUtc()).toString(Qt::ISODateWithMs)},
        {QStringLiteral("program"), r.program},
        {QStringLiteral("user"), r.user},
        {QStringLiteral("port"), r.port},
        {QStringLiteral("vendorId"), double(r.vendorId)},
        {QStringLiteral("deviceId"), double(r.deviceId)},
        {QStringLiteral("serialNumber"), r.serialNumber},
        {QStringLiteral("kind"), r.kind},
        {QStringLiteral("index"), r.index},
        {QStringLiteral("subindex"), r.subindex},
        {QStringLiteral("label"), r.label},
        {QStringLiteral("before"), hexOf(r.before)},
        {QStringLiteral("after"), hexOf(r.after)},
        {QStringLiteral("outcome"), r.outcome}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

bool append(const Record &record, QString *error)
{
    const QString file = path();
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        *error = QStringLiteral("cannot create %1").arg(QFileInfo(file).absolutePath());
        return false;
    }
    if (!WholeFile::writableHere(file, error))
        return false;
    if (QFileInfo(file).size() >= maxBytes && !rotate(error))
        return false;
    QFile out(file);
    const QByteArray line = toJsonLine(record);
    // One write of the whole line, appended: another program's lines never
    // cut into it.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append) || out.write(line) != line.size() || !out.flush()) {
        *error = QStringLiteral("%1: %2").arg(file, out.errorString());
        return false;
    }
    return true;
}

QList<Record> read(int limit)
{
    QList<Record> records;
    for (int n = keptFiles - 1; n >= 0; --n) {
        QByteArray data;
        if (!QFileInfo::exists(rotated(n)) || !WholeFile::read(rotated(n), 2 * maxBytes, &data, nullptr))
            continue;
        for (const QByteArray &line : data.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.isEmpty())
                continue;
            Record r;
            r.time = QDateTime::fromString(o.value(QLatin1String("time")).toString(), Qt::ISODateWithMs);
            r.program = o.value(QLatin1String("program")).toString();
            r.user = o.value(QLatin1String("user")).toString();
            r.port = o.value(QLatin1String("port")).toInt();
            r.vendorId = qint64(o.value(QLatin1String("vendorId")).toDouble(-1));
            r.deviceId = qint64(o.value(QLatin1String("deviceId")).toDouble(-1));
            r.serialNumber = o.value(QLatin1String("serialNumber")).toString();
            r.kind = o.value(QLatin1String("kind")).toString();
            r.index = o.value(QLatin1String("index")).toInt(-1);
            r.subindex = o.value(QLatin1String("subindex")).toInt(-1);
            r.label = o.value(QLatin1String("label")).toString();
            r.before = QByteArray::fromHex(o.value(QLatin1String("before")).toString().toLatin1());
            r.after = QByteArray::fromHex(o.value(QLatin1String("after")).toString().toLatin1());
            r.outcome = o.value(QLatin1String("outcome")).toString();
            records.append(r);
        }
    }
    if (limit > 0 && records.size() > limit)
        records = records.mid(records.size() - limit);
    return records;
}

} // namespace WriteJournal
