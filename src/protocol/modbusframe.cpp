#include "modbusframe.h"

#include <array>
#include <cstring>

namespace ModbusFrame {

namespace {

// The CRC of every byte value, so that a byte costs one lookup instead of
// eight shifts (every exchange computes it twice on each side).
constexpr std::array<quint16, 256> crcTable()
{
    std::array<quint16, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        quint16 crc = quint16(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
        table[byte] = crc;
    }
    return table;
}

constexpr std::array<quint16, 256> crcOfByte = crcTable();

} // namespace

quint16 crc16(const unsigned char *data, int length)
{
    quint16 crc = 0xFFFF;
    for (int i = 0; i < length; ++i)
        crc = quint16((crc >> 8) ^ crcOfByte[(crc ^ data[i]) & 0xFF]);
    return quint16((crc << 8) | (crc >> 8));
}

void appendCrc(QByteArray &frame)
{
    const quint16 crc = crc16(reinterpret_cast<const unsigned char *>(frame.constData()), frame.size());
    frame.append(char(crc >> 8));
    frame.append(char(crc & 0xFF));
}

bool crcValid(const QByteArray &frame)
{
    if (frame.size() < 3)
        return false;
    const quint16 crc = crc16(reinterpret_cast<const unsigned char *>(frame.constData()), frame.size() - 2);
    return quint8(frame.at(frame.size() - 2)) == (crc >> 8) && quint8(frame.at(frame.size() - 1)) == (crc & 0xFF);
}

QByteArray readRequest(quint16 address, quint16 count)
{
    QByteArray frame;
    frame.append(char(slaveAddress));
    frame.append(char(fnReadHolding));
    frame.append(char(address >> 8));
    frame.append(char(address & 0xFF));
    frame.append(char(count >> 8));
    frame.append(char(count & 0xFF));
    appendCrc(frame);
    return frame;
}

QByteArray writeRequest(quint16 address, int count, const QByteArray &data)
{
    QByteArray frame;
    frame.append(char(slaveAddress));
    frame.append(char(fnWriteMultiple));
    frame.append(char(address >> 8));
    frame.append(char(address & 0xFF));
    frame.append(char((count >> 8) & 0xFF));
    frame.append(char(count & 0xFF));
    frame.append(char((2 * count) & 0xFF));
    for (int i = 0; i < 2 * count; ++i)
        frame.append(i < data.size() ? data.at(i) : '\0');
    appendCrc(frame);
    return frame;
}

QByteArray toReport(const QByteArray &frame)
{
    QByteArray report(1, '\0');
    report.append(frame);
    if (report.size() < reportSize)
        report.append(QByteArray(reportSize - report.size(), '\0'));
    return report;
}

bool echoMatches(const QByteArray &requestFrame, const unsigned char *answer)
{
    return requestFrame.size() >= 6 && std::memcmp(requestFrame.constData(), answer, 6) == 0;
}

} // namespace ModbusFrame
