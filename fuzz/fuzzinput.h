#ifndef FUZZINPUT_H
#define FUZZINPUT_H

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// Takes values from the front of a fuzzer's input; once it is used up every
// value is zero or empty, so a target never reads past the input.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }

    quint8 byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    quint32 number(int octets)
    {
        quint32 v = 0;
        for (int i = 0; i < octets; ++i)
            v = (v << 8) | byte();
        return v;
    }

    QByteArray bytes(int n)
    {
        QByteArray out;
        while (n-- > 0 && !empty())
            out.append(char(byte()));
        return out;
    }

    // One of the given texts, or (for the index past the end) a short
    // arbitrary one: the parsers hand the codec any text an IODD may hold.
    template <size_t N>
    QString pick(const char *const (&choices)[N])
    {
        const quint8 i = byte() % (N + 1);
        if (i < N)
            return QString::fromLatin1(choices[i]);
        return QString::fromLatin1(bytes(byte() % 12));
    }

    QByteArray rest()
    {
        const QByteArray out(reinterpret_cast<const char *>(m_data + m_pos), int(m_size - m_pos));
        m_pos = m_size;
        return out;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

#endif // FUZZINPUT_H
