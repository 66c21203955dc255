#include "modbuslink.h"

#include "log/hub8log.h"
#include "protocol/adapterregisters.h"
#include "protocol/modbusframe.h"

#include <hidapi.h>

#include <cstring>

namespace {
constexpr unsigned short adapterVendorId = 0x2E3C;
constexpr unsigned short adapterProductId = 0xAF01;

QByteArray hexOf(const unsigned char *data, int n)
{
    return QByteArray(reinterpret_cast<const char *>(data), n).toHex(' ');
}
} // namespace

ModbusLink::~ModbusLink()
{
    releaseHandle();
}

int ModbusLink::openDevice()
{
    releaseHandle();
    if (hid_init() == 0)
        m_device = hid_open(adapterVendorId, adapterProductId, nullptr);
    if (!m_device) {
        // Said once per cause: a reconnect that keeps failing does not repeat it.
        const wchar_t *err = hid_error(nullptr);
        const QString text = err ? QString::fromWCharArray(err) : QString();
        if (text != m_lastOpenError && !text.isEmpty())
            qCDebug(lcLink).noquote() << text;
        m_lastOpenError = text;
        return -1;
    }
    m_lastOpenError.clear();
    return 0;
}

int ModbusLink::closeDevice()
{
    releaseHandle();
    return 0;
}

void ModbusLink::releaseHandle()
{
    if (m_device) {
        hid_close(m_device);
        hid_exit();
        m_device = nullptr;
    }
    m_hidFailed = false;
    m_lastAnswered = false;
    m_lastException = 0;
}

void ModbusLink::logHidError(const char *call)
{
    const wchar_t *err = hid_error(m_device);
    qCDebug(lcLink).noquote() << call << "failed:" << (err ? QString::fromWCharArray(err) : QString());
}

int ModbusLink::transfer(const QByteArray &request, unsigned char reply[65])
{
    if (!m_device)
        return -1;
    m_lastAnswered = false;
    m_lastException = 0;
    bool hidFailed = false;
    const int rc = transferReport(request, reply, hidFailed);
    if (hidFailed || rc == 0)
        m_hidFailed = hidFailed;
    return rc;
}

int ModbusLink::dropStaleAnswers()
{
    unsigned char stale[ModbusFrame::reportSize];
    for (int i = 0; i < maxStaleReports; ++i) {
        const int n = hid_read_timeout(m_device, stale, sizeof stale, 0);
        if (n <= 0)
            return n;
        ++m_stats.droppedStale;
        qCDebug(lcLink) << "dropped an answer that came after its request gave up";
        qCDebug(lcLinkRaw).noquote() << "stale:" << hexOf(stale, n);
    }
    return 0;
}

int ModbusLink::transferReport(const QByteArray &request, unsigned char *reply, bool &hidFailed)
{
    // An answer that came after its read timed out would otherwise be taken
    // for the answer to this request, and every later one would be off by one.
    if (dropStaleAnswers() < 0) {
        ++m_stats.failures;
        hidFailed = true;
        logHidError("hid_read_timeout");
        return -1;
    }
    const int written =
        hid_write(m_device, reinterpret_cast<const unsigned char *>(request.constData()), size_t(request.size()));
    if (written < 0) {
        ++m_stats.failures;
        hidFailed = true;
        logHidError("hid_write");
        return -1;
    }
    // A report the adapter did not take whole was not sent: its frame is cut.
    if (written < request.size()) {
        ++m_stats.failures;
        qCDebug(lcLink) << "the adapter took" << written << "of" << request.size() << "bytes of a report";
        return -1;
    }
    ++m_stats.framesSent;
    std::memset(reply, 0, ModbusFrame::reportSize);
    const int read = hid_read_timeout(m_device, reply, ModbusFrame::reportSize, readTimeoutMs);
    if (read < 0) {
        ++m_stats.failures;
        hidFailed = true;
        logHidError("hid_read_timeout");
        return -1;
    }
    if (read == 0) {
        ++m_stats.timeouts;
        qCDebug(lcLink) << "no answer within" << readTimeoutMs << "ms";
        return 0;
    }
    ++m_stats.answers;
    m_lastAnswered = true;
    return 0;
}

bool ModbusLink::acceptAnswer(const QByteArray &request, const unsigned char *reply)
{
    if (!m_lastAnswered)
        return false;
    // The frame's length follows from its own function code.
    int length = 0;
    if (reply[1] & 0x80)
        length = 5;
    else if (reply[1] == ModbusFrame::fnReadHolding)
        length = qMin(5 + reply[2], ModbusFrame::reportSize - 1);
    else if (reply[1] == ModbusFrame::fnWriteMultiple)
        length = 8;
    if (length > 0 && !ModbusFrame::crcValid(QByteArray(reinterpret_cast<const char *>(reply), length))) {
        ++m_stats.crcErrors;
        qCDebug(lcLink) << "refused an answer with a bad CRC";
        return false;
    }
    const quint8 function = quint8(request.at(1));
    bool belongs = length > 0 && reply[0] == ModbusFrame::slaveAddress && (reply[1] & 0x7F) == function;
    if (belongs && (reply[1] & 0x80)) {
        ++m_stats.exceptions;
        m_lastException = reply[2];
        qCDebug(lcLink).noquote()
            << QStringLiteral("the adapter answered exception %1").arg(reply[2], 2, 16, QLatin1Char('0'));
        return false;
    }
    if (belongs && function == ModbusFrame::fnReadHolding) {
        const int count = (quint8(request.at(4)) << 8) | quint8(request.at(5));
        belongs = reply[2] == 2 * count;
    } else if (belongs) {
        belongs = ModbusFrame::echoMatches(request, reply);
    }
    if (!belongs)
        qCDebug(lcLink) << "refused an answer that does not belong to the request";
    return belongs;
}

namespace {
// A read answer of n registers must fit one input report.
bool readFits(int n)
{
    return n >= 1 && 5 + 2 * n <= ModbusFrame::reportSize - 1;
}
} // namespace

int ModbusLink::readAndCheck(const QByteArray &frame, unsigned char *reply)
{
    const QByteArray report = ModbusFrame::toReport(frame);
    qCDebug(lcLinkRaw).noquote() << "read request:" << report.toHex(' ');
    std::memset(reply, 0, ModbusFrame::reportSize);
    const int rc = transfer(report, reply);
    qCDebug(lcLinkRaw).noquote() << "read reply:" << hexOf(reply, 64);
    return rc == 0 && acceptAnswer(frame, reply) ? 0 : -1;
}

int ModbusLink::readRegisters(quint16 address, int n, QByteArray &out)
{
    if (!m_device || !readFits(n))
        return -1;
    unsigned char reply[ModbusFrame::reportSize];
    if (readAndCheck(ModbusFrame::readRequest(address, quint16(n)), reply) != 0)
        return -1;
    out = QByteArray(reinterpret_cast<const char *>(reply + 3), 2 * n);
    return 0;
}

int ModbusLink::writeAndCheck(const QByteArray &frame, const WriteLog &log)
{
    const QByteArray report = ModbusFrame::toReport(frame);
    if (log.requestTag)
        qCDebug(lcLinkRaw).noquote() << log.requestTag << report.toHex(' ');
    else
        qCDebug(lcLinkRaw).noquote() << report.toHex(' ');
    unsigned char reply[ModbusFrame::reportSize];
    std::memset(reply, 0, sizeof reply);
    const int rc = transfer(report, reply);
    if (log.replyTag)
        qCDebug(lcLinkRaw).noquote() << log.replyTag << hexOf(reply, log.replyBytes);
    if (rc != 0)
        return -1;
    return acceptAnswer(frame, reply) ? 0 : -1;
}

int ModbusLink::writeRegisters(quint16 address, const QByteArray &data, int n)
{
    if (!m_device || n < 1)
        return -1;
    return writeAndCheck(ModbusFrame::writeRequest(address, n, data), {"write data:"});
}

int ModbusLink::writeIsduRequest(IsduRequestBlock block)
{
    if (!m_device)
        return -1;
    return writeAndCheck(ModbusFrame::writeRequest(AdapterRegisters::isduRequest, AdapterRegisters::isduBlockRegisters,
                                                   block.toByteArray()),
                         {});
}
