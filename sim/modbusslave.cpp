#include "modbusslave.h"

#include "protocol/modbusframe.h"

int ModbusSlave::frameLength(const QByteArray &payload)
{
    if (payload.size() < 4)
        return 0;
    const quint8 fn = quint8(payload.at(1));
    auto valid = [&payload](int len) { return len <= payload.size() && ModbusFrame::crcValid(payload.left(len)); };
    if (fn == ModbusFrame::fnReadHolding)
        return valid(8) ? 8 : 0;
    if (fn == ModbusFrame::fnWriteMultiple) {
        if (payload.size() < 7)
            return 0;
        const int len = 9 + quint8(payload.at(6));
        return len <= maxFrame && valid(len) ? len : 0;
    }
    // Unknown function: the frame ends where its CRC fits.
    for (int len = 4; len <= qMin(maxFrame, int(payload.size())); ++len)
        if (valid(len))
            return len;
    return 0;
}

QByteArray ModbusSlave::exceptionAnswer(quint8 function, quint8 code)
{
    QByteArray a;
    a.append(char(address));
    a.append(char(function | 0x80));
    a.append(char(code));
    ModbusFrame::appendCrc(a);
    return a;
}

QByteArray ModbusSlave::handle(const QByteArray &payload)
{
    const int len = frameLength(payload);
    if (len == 0 || quint8(payload.at(0)) != address)
        return QByteArray();
    const QByteArray frame = payload.left(len);
    const quint8 fn = quint8(frame.at(1));
    const quint16 start = quint16((quint8(frame.at(2)) << 8) | quint8(frame.at(3)));
    const int count = (quint8(frame.at(4)) << 8) | quint8(frame.at(5));

    if (fn == ModbusFrame::fnReadHolding) {
        if (count < 1 || count > maxReadCount)
            return exceptionAnswer(fn, ModbusException::illegalDataValue);
        QByteArray values;
        if (const quint8 ex = m_bank.readHolding(start, count, values))
            return exceptionAnswer(fn, ex);
        values = values.left(2 * count);
        values.append(QByteArray(2 * count - values.size(), '\0'));
        QByteArray a;
        a.append(char(address));
        a.append(char(fn));
        a.append(char(2 * count));
        a.append(values);
        ModbusFrame::appendCrc(a);
        return a;
    }
    if (fn == ModbusFrame::fnWriteMultiple) {
        const int byteCount = quint8(frame.at(6));
        if (count < 1 || count > maxWriteCount || byteCount != 2 * count)
            return exceptionAnswer(fn, ModbusException::illegalDataValue);
        if (const quint8 ex = m_bank.writeHolding(start, frame.mid(7, byteCount)))
            return exceptionAnswer(fn, ex);
        QByteArray a = frame.left(6);
        ModbusFrame::appendCrc(a);
        return a;
    }
    return exceptionAnswer(fn, ModbusException::illegalFunction);
}
