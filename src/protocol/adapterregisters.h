#ifndef ADAPTERREGISTERS_H
#define ADAPTERREGISTERS_H

#include <QtGlobal>

// Holding-register map of the adapter (docs/adapter-registers.md).
namespace AdapterRegisters {

constexpr quint16 isduRequest = 0x3500;  // 20 registers, write
constexpr quint16 isduResponse = 0x3600; // 20 registers, read
constexpr int isduBlockRegisters = 20;

constexpr quint16 portStatus = 0x3000; // 3 registers per port, read
constexpr int portStatusRegistersPerPort = 3;

constexpr int portCount = 8;
constexpr int pdWindowRegisters = 32;
// IO-Link carries at most 32 octets of process data each way: 16 registers.
constexpr int pdMaxRegisters = 16;

// Registers needed to carry `bits` bits (two octets a register).
constexpr int registersForBits(int bits)
{
    return bits > 0 ? (bits + 15) / 16 : 0;
}
// Registers of process data of `bits` bits, within what IO-Link allows.
constexpr int pdRegistersForBits(int bits)
{
    return registersForBits(bits) < pdMaxRegisters ? registersForBits(bits) : pdMaxRegisters;
}

constexpr quint16 pdInWindow(int port)
{
    return quint16(0x9000 + 0x20 * port);
}
constexpr quint16 pdOutWindow(int port)
{
    return quint16(0x8000 + 0x20 * port);
}

// Port modes reported in the port-status block.
enum PortMode : quint8 {
    ModeDeactivated = 0,
    ModeDigitalIn = 1,
    ModeDigitalOut = 2,
    ModeIoLinkStarting = 3,
    ModeIoLinkOperate = 4,
    ModeCommunicationLost = 5,
};

} // namespace AdapterRegisters

#endif // ADAPTERREGISTERS_H
