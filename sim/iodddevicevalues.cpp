#include "iodddevicevalues.h"

#include "iodddeviceoctets.h"

#include <cmath>

namespace IoddDeviceData {

using Scalar = IoddDevice::Scalar;

namespace {

bool parseLimit(Scalar::Kind kind, const QString &text, Scalar::Limit *limit)
{
    bool ok = false;
    const QString t = text.trimmed();
    switch (kind) {
    case Scalar::Integer:
        limit->s = t.toLongLong(&ok);
        limit->d = double(limit->s);
        return ok;
    case Scalar::UInteger:
        limit->u = t.toULongLong(&ok);
        if (!ok && t.toLongLong(&ok) < 0 && ok)
            limit->u = 0; // a negative bound of an unsigned type
        limit->d = double(limit->u);
        return ok;
    case Scalar::Float:
        limit->d = t.toDouble(&ok);
        return ok;
    default:
        return false;
    }
}

// Whether v is one of the listed values or inside a listed range; `of` reads
// a limit as the scalar's kind. A scalar without a list takes every value.
template <typename T, typename Of>
bool listed(const Scalar &s, T v, Of of)
{
    if (!hasLimits(s))
        return true;
    for (const Scalar::Limit &l : s.singles) {
        if (of(l) == v)
            return true;
    }
    for (const auto &r : s.ranges) {
        if (of(r.first) <= v && v <= of(r.second))
            return true;
    }
    return false;
}

// A value the datatype accepts, for variables whose description gives none.
QString firstValid(const Scalar &s)
{
    Scalar::Limit l;
    if (!s.singles.isEmpty())
        l = s.singles.first();
    else if (!s.ranges.isEmpty())
        l = s.ranges.first().first;
    else
        return QStringLiteral("0");
    switch (s.kind) {
    case Scalar::Integer:
        return QString::number(l.s);
    case Scalar::UInteger:
        return QString::number(l.u);
    default:
        return QString::number(l.d);
    }
}

} // namespace

void addSingle(Scalar &s, const QString &value)
{
    Scalar::Limit l;
    if (parseLimit(s.kind, value, &l))
        s.singles.append(l);
}

void addRange(Scalar &s, const QString &lower, const QString &upper)
{
    Scalar::Limit lo, hi;
    if (parseLimit(s.kind, lower, &lo) && parseLimit(s.kind, upper, &hi))
        s.ranges.append(qMakePair(lo, hi));
}

bool hasLimits(const Scalar &s)
{
    return !s.singles.isEmpty() || !s.ranges.isEmpty();
}

quint16 checkValue(const Scalar &s, const QByteArray &octets)
{
    switch (s.kind) {
    case Scalar::Boolean: {
        // IO-Link's FALSE and TRUE alone are 0x00 and 0xFF; a bit of a
        // record comes here as 0 or 1.
        const quint64 v = unsignedOf(octets);
        return v <= 1 || v == 0xFF ? 0 : IsduError::valueOutOfRange;
    }
    case Scalar::Integer: {
        const qint64 v = signedOf(octets);
        if (s.bits < 64) {
            const qint64 half = qint64(1) << (s.bits - 1);
            if (v < -half || v > half - 1)
                return IsduError::valueOutOfRange;
        }
        return listed(s, v, [](const Scalar::Limit &l) { return l.s; }) ? 0 : IsduError::valueOutOfRange;
    }
    case Scalar::UInteger: {
        const quint64 v = unsignedOf(octets);
        if (s.bits < 64 && (v >> s.bits) != 0)
            return IsduError::valueOutOfRange;
        return listed(s, v, [](const Scalar::Limit &l) { return l.u; }) ? 0 : IsduError::valueOutOfRange;
    }
    case Scalar::Float:
        // NaN is never listed, so a float with a list refuses it.
        return listed(s, floatOf(octets), [](const Scalar::Limit &l) { return float(l.d); })
            ? 0
            : IsduError::valueOutOfRange;
    default:
        return 0;
    }
}

quint16 checkLength(const Scalar &s, int size)
{
    const int expected = s.kind == Scalar::String ? s.fixedLength : s.octets();
    if (size > expected)
        return IsduError::lengthOverrun;
    if (s.kind != Scalar::String && size < expected)
        return IsduError::lengthUnderrun;
    return 0;
}

quint16 checkWrite(const Scalar &s, const QByteArray &data)
{
    if (const quint16 error = checkLength(s, data.size()))
        return error;
    return checkValue(s, data);
}

QByteArray encodeDefault(const Scalar &s, const QString &given, bool inImage)
{
    const QString text = given.trimmed().isEmpty() && s.kind != Scalar::String ? firstValid(s) : given.trimmed();
    switch (s.kind) {
    case Scalar::Boolean: {
        const bool on = text == QLatin1String("true") || text == QLatin1String("1");
        return QByteArray(1, char(on ? (inImage ? 1 : 0xFF) : 0));
    }
    case Scalar::Integer: {
        bool ok = false;
        qint64 v = text.toLongLong(&ok);
        if (!ok) {
            const double d = text.toDouble();
            v = std::isfinite(d) && std::abs(d) < 9.2e18 ? qint64(d) : 0;
        }
        return toOctets(quint64(v), s.octets());
    }
    case Scalar::UInteger: {
        bool ok = false;
        quint64 v = text.toULongLong(&ok);
        if (!ok && text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            v = text.mid(2).toULongLong(&ok, 16);
        return toOctets(v, s.octets());
    }
    case Scalar::Float:
        return floatOctets(text.toDouble());
    case Scalar::String: {
        QByteArray octets = (s.utf8 ? given.toUtf8() : given.toLatin1()).left(s.fixedLength);
        if (inImage)
            octets.append(QByteArray(s.fixedLength - octets.size(), '\0'));
        return octets;
    }
    case Scalar::OctetString: {
        QString hex = text;
        hex.remove(QLatin1String("0x"), Qt::CaseInsensitive).remove(QLatin1Char(',')).remove(QLatin1Char(' '));
        QByteArray octets = QByteArray::fromHex(hex.toLatin1()).left(s.fixedLength);
        return octets.append(QByteArray(s.fixedLength - octets.size(), '\0'));
    }
    case Scalar::Time:
    case Scalar::TimeSpan:
        return QByteArray(8, '\0');
    }
    return QByteArray();
}

} // namespace IoddDeviceData
