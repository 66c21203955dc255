#include "mymodbus.h"

#include "log/hub8log.h"
#include "protocol/adapterregisters.h"
#include "protocol/modbusframe.h"

#include <hidapi.h>

#include <QMutexLocker>
#include <QStringList>

#include <cstring>

namespace {
constexpr unsigned short adapterVendorId = 0x2E3C;
constexpr unsigned short adapterProductId = 0xAF01;

QByteArray hexOf(const unsigned char *data, int n)
{
    return QByteArray(reinterpret_cast<const char *>(data), n).toHex(' ');
}
} // namespace

myModbus::myModbus(QObject *parent) : QObject(parent) {}

myModbus::~myModbus()
{
    closeDevice();
}

int myModbus::openDevice()
{
    if (hid_init() < 0)
        return -1;
    device = hid_open(adapterVendorId, adapterProductId, nullptr);
    const wchar_t *err = hid_error(device);
    if (err && *err)
        qCDebug(lcLink).noquote() << QString::fromWCharArray(err);
    return device ? 0 : -1;
}

int myModbus::closeDevice()
{
    if (device) {
        hid_close(device);
        hid_exit();
        device = nullptr;
    }
    return 0;
}

int myModbus::transfer(const QByteArray &request, unsigned char reply[65])
{
    if (!device)
        return -1;
    QMutexLocker lock(&linkMutex);
    const int written = hid_write(device, reinterpret_cast<const unsigned char *>(request.constData()),
                                  size_t(request.size()));
    // A report the adapter did not take whole was not sent: its frame is cut.
    if (written < request.size()) {
        ++m_stats.failures;
        return -1;
    }
    ++m_stats.framesSent;
    std::memset(reply, 0, modbusframe::reportSize);
    const int read = hid_read_timeout(device, reply, modbusframe::reportSize, readTimeoutMs);
    if (read < 0)
        ++m_stats.failures;
    else if (read == 0)
        ++m_stats.timeouts;
    else
        ++m_stats.answers;
    return read < 0 ? -1 : 0;
}

quint16 myModbus::crc16(const unsigned char *data, int length)
{
    return modbusframe::crc16(data, length);
}

int myModbus::exchange(const QByteArray &frame, unsigned char reply[65])
{
    std::memset(reply, 0, modbusframe::reportSize);
    return transfer(modbusframe::toReport(frame), reply);
}

int myModbus::readRegister(quint16 address, quint16 &value)
{
    if (!device)
        return -1;
    unsigned char reply[modbusframe::reportSize];
    const int rc = exchange(modbusframe::readRequest(address, 1), reply);
    value = quint16((reply[3] << 8) | reply[4]);
    return rc;
}

int myModbus::readRegisters(quint16 address, int n, QByteArray &out)
{
    if (!device)
        return -1;
    const QByteArray frame = modbusframe::readRequest(address, quint16(n));
    const QByteArray report = modbusframe::toReport(frame);
    qCDebug(lcLinkRaw).noquote() << "read request:" << report.toHex(' ');
    unsigned char reply[modbusframe::reportSize];
    std::memset(reply, 0, sizeof reply);
    const int rc = transfer(report, reply);
    qCDebug(lcLinkRaw).noquote() << "read reply:" << hexOf(reply, 64);
    for (int i = 0; i < 2 * n; ++i)
        out.append(3 + i < modbusframe::reportSize ? char(reply[3 + i]) : '\0');
    return rc;
}

int myModbus::readRegistersChecked(quint16 address, int n, QByteArray &out)
{
    if (!device || n < 1 || 5 + 2 * n > modbusframe::reportSize - 1)
        return -1;
    unsigned char reply[modbusframe::reportSize];
    if (exchange(modbusframe::readRequest(address, quint16(n)), reply) != 0)
        return -1;
    const QByteArray answer(reinterpret_cast<const char *>(reply), 5 + 2 * n);
    if (reply[0] != modbusframe::slaveAddress || reply[1] != modbusframe::fnReadHolding || reply[2] != 2 * n
        || !modbusframe::crcValid(answer))
        return -1;
    out = answer.mid(3, 2 * n);
    return 0;
}

int myModbus::readRegistersText(quint16 address, int n, QString &out)
{
    if (!device)
        return -1;
    const QByteArray frame = modbusframe::readRequest(address, quint16(n));
    qCDebug(lcLink) << frame.size();
    unsigned char reply[modbusframe::reportSize];
    const int rc = exchange(frame, reply);
    out.clear();
    QStringList parts;
    for (int i = 0; i < n && 4 + 2 * i < modbusframe::reportSize; ++i)
        parts << QString::number((reply[3 + 2 * i] << 8) | reply[4 + 2 * i]);
    out = parts.join(QLatin1Char(','));
    return rc;
}

int myModbus::writeAndCheck(const QByteArray &frame, const WriteLog &log)
{
    const QByteArray report = modbusframe::toReport(frame);
    if (log.requestTag)
        qCDebug(lcLinkRaw).noquote() << log.requestTag << report.toHex(' ');
    else
        qCDebug(lcLinkRaw).noquote() << report.toHex(' ');
    unsigned char reply[modbusframe::reportSize];
    std::memset(reply, 0, sizeof reply);
    const int rc = transfer(report, reply);
    if (log.replyTag)
        qCDebug(lcLinkRaw).noquote() << log.replyTag << hexOf(reply, log.replyBytes);
    if (rc != 0)
        return -1;
    return modbusframe::echoMatches(frame, reply) ? 0 : -1;
}

int myModbus::writeRegister(quint16 address, quint16 value)
{
    if (!device)
        return -1;
    QByteArray data;
    data.append(char(value >> 8));
    data.append(char(value & 0xFF));
    return writeAndCheck(modbusframe::writeRequest(address, 1, data), {"cmd:"});
}

int myModbus::writeRegisters(quint16 address, const QByteArray &data, int n)
{
    if (!device || n < 1)
        return -1;
    return writeAndCheck(modbusframe::writeRequest(address, n, data), {"write data:"});
}

int myModbus::writeRegisterBlock(quint16 address, const unsigned char *data, int n)
{
    if (!device || n < 1 || !data)
        return -1;
    const QByteArray bytes(reinterpret_cast<const char *>(data), 2 * n);
    return writeAndCheck(modbusframe::writeRequest(address, n, bytes), {"write request:", "write reply:", 64});
}

int myModbus::writeRegistersText(quint16 address, const QString &text)
{
    if (!device)
        return -1;
    QByteArray data;
    int n = 0;
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const quint16 v = quint16(part.toUInt() & 0xFFFF);
        data.append(char(v >> 8));
        data.append(char(v & 0xFF));
        ++n;
    }
    if (n < 1)
        return -1;
    return writeAndCheck(modbusframe::writeRequest(address, n, data), {"write DO", "resp DO", modbusframe::reportSize});
}

int myModbus::writeIsduRequest(IsduRequestBlock block)
{
    if (!device)
        return -1;
    return writeAndCheck(
        modbusframe::writeRequest(adapterregs::isduRequest, adapterregs::isduBlockRegisters, block.toByteArray()), {});
}
