#ifndef VIRTUALDEVICE_H
#define VIRTUALDEVICE_H

#include <QByteArray>
#include <QtGlobal>

// ISDU error codes a device answers with (ErrorCode << 8 | AdditionalCode).
namespace IsduError {
constexpr quint16 applicationError = 0x8000;
constexpr quint16 indexNotAvailable = 0x8011;
constexpr quint16 subindexNotAvailable = 0x8012;
constexpr quint16 serviceTemporarilyUnavailable = 0x8020;
constexpr quint16 accessDenied = 0x8023;
constexpr quint16 valueOutOfRange = 0x8030;
constexpr quint16 aboveLimit = 0x8031;
constexpr quint16 belowLimit = 0x8032;
constexpr quint16 lengthOverrun = 0x8033;
constexpr quint16 lengthUnderrun = 0x8034;
constexpr quint16 functionNotAvailable = 0x8035;
constexpr quint16 invalidParameterSet = 0x8040;
constexpr quint16 inconsistentParameterSet = 0x8041;
} // namespace IsduError

// What a device answers to one ISDU service: data, or an error code.
struct IsduAnswer
{
    quint16 error = 0;
    QByteArray data;

    bool ok() const { return error == 0; }
    static IsduAnswer fail(quint16 code)
    {
        IsduAnswer a;
        a.error = code;
        return a;
    }
    static IsduAnswer withData(const QByteArray &d)
    {
        IsduAnswer a;
        a.data = d;
        return a;
    }
};

// An IO-Link device connected to a port of the virtual adapter.
class VirtualDevice
{
public:
    VirtualDevice() = default;
    virtual ~VirtualDevice() = default;
    VirtualDevice(const VirtualDevice &) = delete;
    VirtualDevice &operator=(const VirtualDevice &) = delete;

    virtual quint16 vendorId() const = 0;
    virtual quint32 deviceId() const = 0;

    virtual IsduAnswer readIsdu(quint16 index, quint8 subindex) = 0;
    virtual IsduAnswer writeIsdu(quint16 index, quint8 subindex, const QByteArray &data) = 0;

    // Input process data at `ms` milliseconds after power-up.
    virtual QByteArray processDataIn(qint64 ms) const
    {
        Q_UNUSED(ms)
        return QByteArray();
    }
    // Output process data as the master last wrote it.
    virtual void setProcessDataOut(const QByteArray &pd) { m_pdOut = pd; }
    QByteArray processDataOut() const { return m_pdOut; }

private:
    QByteArray m_pdOut;
};

#endif // VIRTUALDEVICE_H
