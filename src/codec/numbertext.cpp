#include "numbertext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

namespace NumberText {

namespace {

constexpr int maxDecimals = 15;
constexpr double two63 = 9223372036854775808.0;
constexpr double two64 = 18446744073709551616.0;

// Decimals that show x exactly (up to maxDecimals): 0.1 needs 1, 0.25 needs 2.
int decimalsOf(double x)
{
    for (int d = 0; d < maxDecimals; ++d) {
        const double scaled = x * std::pow(10.0, d);
        if (std::fabs(scaled - std::round(scaled)) <= 1e-9 * std::max(1.0, std::fabs(scaled)))
            return d;
    }
    return maxDecimals;
}

int decimalsFor(const Presentation &p)
{
    if (p.decimals >= 0)
        return p.decimals;
    return std::max(decimalsOf(p.gradient), decimalsOf(p.offset));
}

// The texts of this file, translated in the context "NumberText".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(NumberText)
};

// Lowest and highest raw value of the range, as doubles for comparisons.
double lowest(const IntegerRange &r)
{
    return r.isSigned ? -std::ldexp(1.0, r.bits - 1) : 0.0;
}
double highest(const IntegerRange &r)
{
    return r.isSigned ? std::ldexp(1.0, r.bits - 1) - 1 : std::ldexp(1.0, r.bits) - 1;
}

int clampedBits(int bits)
{
    return std::clamp(bits, 1, 64);
}

qint64 signExtended(quint64 raw, int bits)
{
    if (bits >= 64)
        return qint64(raw);
    const quint64 sign = quint64(1) << (bits - 1);
    raw &= (quint64(1) << bits) - 1;
    return qint64(raw ^ sign) - qint64(sign);
}

// The raw range's ends, exactly.
QString lowestText(const IntegerRange &r)
{
    return r.isSigned
        ? QString::number(r.bits >= 64 ? std::numeric_limits<qint64>::min() : -(qint64(1) << (r.bits - 1)))
        : QStringLiteral("0");
}
QString highestText(const IntegerRange &r)
{
    if (r.isSigned)
        return QString::number(r.bits >= 64 ? std::numeric_limits<qint64>::max() : (qint64(1) << (r.bits - 1)) - 1);
    return QString::number(r.bits >= 64 ? ~quint64(0) : (quint64(1) << r.bits) - 1);
}

QString outOfRange(const IntegerRange &r, const Presentation &p)
{
    return Texts::tr("超出范围 %1 … %2").arg(limitText(lowestText(r), false, p), limitText(highestText(r), false, p));
}

} // namespace

Presentation presentationOf(const ValueItem &entry)
{
    Presentation p;
    bool ok = false;
    const double g = entry.gradient.trimmed().toDouble(&ok);
    if (ok && std::isfinite(g) && g != 0)
        p.gradient = g;
    const double o = entry.offset.trimmed().toDouble(&ok);
    if (ok && std::isfinite(o))
        p.offset = o;
    const QString format = entry.displayFormat.trimmed();
    const int point = format.indexOf(QLatin1Char('.'));
    if (format.startsWith(QLatin1String("Dec")) && point > 0) {
        const int d = format.mid(point + 1).toInt(&ok);
        if (ok)
            p.decimals = std::clamp(d, 0, maxDecimals);
    }
    return p;
}

bool displayLimits(const ValueItem &entry, QString *low, QString *high)
{
    const Presentation p = presentationOf(entry);
    const bool isFloat = entry.editor.typeName == QLatin1String(IoddKind::Float32T);
    *low = limitText(entry.editor.lowerValue, isFloat, p);
    *high = limitText(entry.editor.upperValue, isFloat, p);
    return !low->isEmpty() && !high->isEmpty();
}

double displayValue(double raw, const Presentation &p)
{
    return raw * p.gradient + p.offset;
}

QString integerText(quint64 raw, const IntegerRange &range, const Presentation &p)
{
    const int bits = clampedBits(range.bits);
    const qint64 s = signExtended(raw, bits);
    const quint64 u = bits >= 64 ? raw : raw & ((quint64(1) << bits) - 1);
    if (!p.scaled() && p.decimals <= 0)
        return range.isSigned ? QString::number(s) : QString::number(u);
    const double value = displayValue(range.isSigned ? double(s) : double(u), p);
    return QString::number(value, 'f', decimalsFor(p));
}

QString floatText(float value, const Presentation &p)
{
    if (!std::isfinite(value))
        return QString::number(double(value));
    if (p.scaled() || p.decimals >= 0) {
        const double shown = displayValue(double(value), p);
        if (p.decimals >= 0)
            return QString::number(shown, 'f', p.decimals);
        return QString::number(shown, 'g', QLocale::FloatingPointShortest);
    }
    for (int precision = 1; precision < 9; ++precision) {
        const QString text = QString::number(double(value), 'g', precision);
        if (text.toFloat() == value)
            return text;
    }
    return QString::number(double(value), 'g', 9);
}

Parsed parseInteger(const QString &text, const IntegerRange &rangeIn, const Presentation &p)
{
    const IntegerRange range{rangeIn.isSigned, clampedBits(rangeIn.bits)};
    const QString t = text.trimmed();
    Parsed out;
    bool ok = false;
    if (!p.scaled()) {
        // Whole numbers are taken exactly, all 64 bits of them.
        if (range.isSigned) {
            const qint64 v = t.toLongLong(&ok);
            if (ok) {
                if (double(v) < lowest(range) || double(v) > highest(range)) {
                    out.error = outOfRange(range, p);
                    return out;
                }
                out.ok = true;
                out.raw = quint64(v);
                return out;
            }
        } else {
            const quint64 v = t.startsWith(QLatin1Char('-')) ? 0 : t.toULongLong(&ok);
            if (ok) {
                if (range.bits < 64 && v > (quint64(1) << range.bits) - 1) {
                    out.error = outOfRange(range, p);
                    return out;
                }
                out.ok = true;
                out.raw = v;
                return out;
            }
        }
    }
    const double x = t.toDouble(&ok);
    if (!ok || !std::isfinite(x)) {
        out.error = Texts::tr("不是数字");
        return out;
    }
    const double r = std::round((x - p.offset) / p.gradient);
    if (!std::isfinite(r) || r < lowest(range) || r > highest(range) || r >= two64 || (range.isSigned && r >= two63)) {
        out.error = outOfRange(range, p);
        return out;
    }
    out.ok = true;
    out.raw = r >= two63 ? quint64(r) : quint64(qint64(r));
    return out;
}

Parsed parseFloat(const QString &text, const Presentation &p)
{
    Parsed out;
    bool ok = false;
    const double x = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(x)) {
        out.error = Texts::tr("不是数字");
        return out;
    }
    const double v = (x - p.offset) / p.gradient;
    if (!(std::fabs(v) <= double(FLT_MAX))) {
        out.error = Texts::tr("超出 Float32 范围");
        return out;
    }
    out.ok = true;
    out.value = float(v);
    return out;
}

QString limitText(const QString &rawLimit, bool isFloat, const Presentation &p)
{
    const QString t = rawLimit.trimmed();
    bool ok = false;
    if (isFloat) {
        const double v = t.toDouble(&ok);
        return ok ? floatText(float(v), p) : QString();
    }
    if (!p.scaled() && p.decimals <= 0) {
        // Exact whole limits, up to 64 bits.
        const qint64 s = t.toLongLong(&ok);
        if (ok)
            return QString::number(s);
        const quint64 u = t.toULongLong(&ok);
        if (ok)
            return QString::number(u);
    }
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return QString();
    return QString::number(displayValue(v, p), 'f', decimalsFor(p));
}

QString patternText(quint64 raw, int bits, const QString &displayFormat)
{
    const QString format = displayFormat.trimmed();
    const int n = clampedBits(bits);
    const quint64 u = n >= 64 ? raw : raw & ((quint64(1) << n) - 1);
    if (format == QLatin1String("Hex"))
        return QStringLiteral("0x") + QString::number(u, 16).toUpper();
    if (format == QLatin1String("Bin"))
        return QStringLiteral("0b") + QString::number(u, 2);
    return QString();
}

bool parsePattern(const QString &text, int bits, quint64 *raw)
{
    const QString t = text.trimmed();
    int base = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        base = 16;
    else if (t.startsWith(QLatin1String("0b"), Qt::CaseInsensitive))
        base = 2;
    if (base == 0 || t.size() < 3)
        return false;
    bool ok = false;
    const quint64 v = t.mid(2).toULongLong(&ok, base);
    const int n = clampedBits(bits);
    if (!ok || (n < 64 && v > (quint64(1) << n) - 1))
        return false;
    *raw = v;
    return true;
}

namespace {

constexpr qint64 twoTo32 = qint64(1) << 32;

QDateTime timeEpoch(bool wrapped)
{
    const QDateTime start(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC);
    return wrapped ? start.addSecs(twoTo32) : start;
}

} // namespace

QString timeText(quint64 raw)
{
    const quint64 seconds = raw >> 32;
    const quint64 fraction = raw & 0xFFFFFFFFu;
    // Microseconds, rounded half to even.
    const quint64 scaled = fraction * 1000000u;
    quint64 micro = scaled >> 32;
    const quint64 rest = scaled & 0xFFFFFFFFu;
    if (rest > 0x80000000u || (rest == 0x80000000u && (micro & 1)))
        ++micro;
    QDateTime t = timeEpoch((seconds & 0x80000000u) == 0).addSecs(qint64(seconds));
    if (micro >= 1000000) {
        t = t.addSecs(1);
        micro -= 1000000;
    }
    QString text = t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    if (micro != 0)
        text += QStringLiteral(".%1").arg(micro, 6, 10, QLatin1Char('0'));
    return text;
}

bool parseTime(const QString &text, quint64 *raw)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})(\\.\\d{1,9})?Z?$"));
    const QRegularExpressionMatch m = pattern.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return false;
    qint64 seconds = timeEpoch(false).secsTo(QDateTime(date, time, Qt::UTC));
    if (seconds >= twoTo32)
        seconds -= twoTo32; // the era after the wrap, top bit clear
    else if (seconds < 0x80000000LL)
        return false; // before 1968: not a time the type holds
    if (seconds < 0 || seconds >= twoTo32)
        return false;
    const double part = m.captured(7).isEmpty() ? 0.0 : m.captured(7).toDouble();
    quint64 fraction = quint64(std::llround(part * double(twoTo32)));
    if (fraction > 0xFFFFFFFFu)
        fraction = 0xFFFFFFFFu;
    *raw = (quint64(seconds) << 32) | fraction;
    return true;
}

QString timeSpanText(qint64 raw)
{
    const bool negative = raw < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(raw) : quint64(raw);
    QString text = QString::number(magnitude >> 32);
    quint64 fraction = magnitude & 0xFFFFFFFFu;
    if (fraction != 0) {
        text += QLatin1Char('.');
        // 2^-32 has 32 decimals: the expansion ends.
        while (fraction != 0) {
            fraction *= 10;
            text += QChar(u'0' + char16_t(fraction >> 32));
            fraction &= 0xFFFFFFFFu;
        }
    }
    return QStringLiteral("PT%1%2S").arg(negative ? QStringLiteral("-") : QString(), text);
}

bool parseTimeSpan(const QString &text, qint64 *raw)
{
    QString t = text.trimmed();
    if (t.startsWith(QLatin1String("PT"), Qt::CaseInsensitive) && t.endsWith(QLatin1Char('S'), Qt::CaseInsensitive))
        t = t.mid(2, t.size() - 3);
    static const QRegularExpression number(QStringLiteral("^(-?)(\\d{1,10})(\\.\\d{1,32})?$"));
    const QRegularExpressionMatch m = number.match(t);
    if (!m.hasMatch())
        return false;
    const qint64 whole = m.captured(2).toLongLong();
    const double part = m.captured(3).isEmpty() ? 0.0 : m.captured(3).toDouble();
    const qint64 magnitude = whole * twoTo32 + std::llround(part * double(twoTo32));
    if (whole >= 0x80000000LL || magnitude < 0)
        return false;
    *raw = m.captured(1).isEmpty() ? magnitude : -magnitude;
    return true;
}

} // namespace NumberText
