#include "iodddeviceoctets.h"

#include <algorithm>
#include <cstring>

namespace IoddDeviceData {

bool bitAt(const QByteArray &octets, int p)
{
    const int o = octets.size() - 1 - p / 8;
    return o >= 0 && ((quint8(octets.at(o)) >> (p % 8)) & 1) != 0;
}

void setBit(QByteArray &octets, int p, bool on)
{
    const int o = octets.size() - 1 - p / 8;
    if (o < 0)
        return;
    const quint8 mask = quint8(1u << (p % 8));
    const quint8 old = quint8(octets.at(o));
    octets[o] = char(on ? (old | mask) : (old & ~mask));
}

QByteArray extractBits(const QByteArray &image, int offset, int width)
{
    QByteArray out((width + 7) / 8, '\0');
    for (int i = 0; i < width; ++i) {
        if (bitAt(image, offset + i))
            setBit(out, i, true);
    }
    return out;
}

void insertBits(QByteArray &image, int offset, int width, const QByteArray &value)
{
    for (int i = 0; i < width; ++i)
        setBit(image, offset + i, bitAt(value, i));
}

QByteArray toOctets(quint64 value, int count)
{
    QByteArray out(count, '\0');
    for (int i = 0; i < count && i < 8; ++i)
        out[count - 1 - i] = char((value >> (8 * i)) & 0xFF);
    return out;
}

quint64 unsignedOf(const QByteArray &octets)
{
    quint64 v = 0;
    for (int i = std::max(0, int(octets.size()) - 8); i < octets.size(); ++i)
        v = (v << 8) | quint8(octets.at(i));
    return v;
}

qint64 signedOf(const QByteArray &octets)
{
    const int bits = std::min(int(octets.size()), 8) * 8;
    quint64 v = unsignedOf(octets);
    if (bits > 0 && bits < 64 && (v >> (bits - 1)) & 1)
        v |= ~quint64(0) << bits;
    return qint64(v);
}

float floatOf(const QByteArray &octets)
{
    const quint32 raw = quint32(unsignedOf(octets));
    float f;
    std::memcpy(&f, &raw, sizeof f);
    return f;
}

QByteArray floatOctets(double value)
{
    const float f = float(value);
    quint32 raw;
    std::memcpy(&raw, &f, sizeof raw);
    return toOctets(raw, 4);
}

QByteArray usedOctets(const QByteArray &text)
{
    const int zero = text.indexOf('\0');
    return zero < 0 ? text : text.left(zero);
}

} // namespace IoddDeviceData
