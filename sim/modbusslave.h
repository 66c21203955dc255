#ifndef MODBUSSLAVE_H
#define MODBUSSLAVE_H

#include <QByteArray>
#include <QtGlobal>

namespace ModbusException {
constexpr quint8 illegalFunction = 0x01;
constexpr quint8 illegalDataAddress = 0x02;
constexpr quint8 illegalDataValue = 0x03;
} // namespace ModbusException

// Storage behind the slave: returns 0 or a Modbus exception code.
class RegisterBank
{
public:
    virtual ~RegisterBank() = default;
    virtual quint8 readHolding(quint16 address, int count, QByteArray &out) = 0;
    virtual quint8 writeHolding(quint16 address, const QByteArray &values) = 0;
};

// Modbus RTU slave 0x01 serving functions 0x03 and 0x10. A frame with a bad
// CRC or for another slave gets no answer (empty result), as on a serial line;
// anything else it does not serve gets an exception answer.
class ModbusSlave
{
public:
    explicit ModbusSlave(RegisterBank &bank) : m_bank(bank) {}

    static constexpr quint8 address = 0x01;
    static constexpr int maxFrame = 64;
    static constexpr int maxReadCount = 29; // answer must fit one report
    static constexpr int maxWriteCount = 27;

    // `frame` is the report payload (frame followed by zero fill).
    QByteArray handle(const QByteArray &payload);

    static QByteArray exceptionAnswer(quint8 function, quint8 code);
    // Length of the frame at the start of payload, or 0 when no valid frame is there.
    static int frameLength(const QByteArray &payload);

private:
    RegisterBank &m_bank;
};

#endif // MODBUSSLAVE_H
