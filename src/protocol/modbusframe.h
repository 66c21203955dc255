#ifndef MODBUSFRAME_H
#define MODBUSFRAME_H

#include <QByteArray>
#include <QtGlobal>

// Modbus RTU frames as the adapter expects them inside its HID reports.
// Pure functions: what a request looks like and how an answer is checked,
// apart from the transport that carries it.
namespace ModbusFrame {

constexpr quint8 slaveAddress = 0x01;
constexpr quint8 fnReadHolding = 0x03;
constexpr quint8 fnWriteMultiple = 0x10;
constexpr int reportSize = 65;

// CRC-16/MODBUS (init 0xFFFF, reflected poly 0xA001) with its two bytes
// swapped: appending the high byte then the low byte of the result puts the
// CRC's low byte first on the wire.
quint16 crc16(const unsigned char *data, int length);

// Appends the CRC to a frame (low byte first on the wire).
void appendCrc(QByteArray &frame);

// True when the last two bytes of the frame are its correct CRC.
bool crcValid(const QByteArray &frame);

QByteArray readRequest(quint16 address, quint16 count);
// Register values are taken from data, high byte first; bytes missing at the
// end of data are sent as 0x00.
QByteArray writeRequest(quint16 address, int count, const QByteArray &data);

// Report id 0x00 in front, zero fill to 65 bytes.
QByteArray toReport(const QByteArray &frame);

// A write answer echoes slave, function, address and count (bytes 0..5).
bool echoMatches(const QByteArray &requestFrame, const unsigned char *answer);

} // namespace ModbusFrame

#endif // MODBUSFRAME_H
