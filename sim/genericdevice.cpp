#include "genericdevice.h"

#include "directparameters.h"

GenericDevice::GenericDevice() : GenericDevice(Identity()) {}

GenericDevice::GenericDevice(const Identity &identity)
    : m_identity(identity), m_applicationTag(QByteArrayLiteral("***"))
{
}

QByteArray GenericDevice::directParameterPage1() const
{
    DirectParameterPage1 page;
    page.masterCycleTime = 0x1E;
    page.minCycleTime = 0x1E; // 3 ms
    page.mSequenceCapability = 0x0B;
    page.revisionId = 0x11;     // 1.1
    page.processDataIn = 0x10;  // 16 bits: the 2 octets processDataIn() sends
    page.processDataOut = 0x00; // none
    page.vendorId = m_identity.vendorId;
    page.deviceId = m_identity.deviceId;
    return page.octets();
}

IsduAnswer GenericDevice::readIsdu(quint16 index, quint8 subindex)
{
    auto text = [subindex](const QString &s) {
        return subindex == 0 ? IsduAnswer::withData(s.toUtf8()) : IsduAnswer::fail(IsduError::subindexNotAvailable);
    };
    switch (index) {
    case 0: {
        const QByteArray page = directParameterPage1();
        if (subindex == 0)
            return IsduAnswer::withData(page);
        if (subindex <= page.size())
            return IsduAnswer::withData(page.mid(subindex - 1, 1));
        return IsduAnswer::fail(IsduError::subindexNotAvailable);
    }
    case 16:
        return text(m_identity.vendorName);
    case 17:
        return text(m_identity.vendorText);
    case 18:
        return text(m_identity.productName);
    case 19:
        return text(m_identity.productId);
    case 20:
        return text(m_identity.productText);
    case 21:
        return text(m_identity.serialNumber);
    case 22:
        return text(m_identity.hardwareRevision);
    case 23:
        return text(m_identity.firmwareRevision);
    case 24:
        return subindex == 0 ? IsduAnswer::withData(m_applicationTag)
                             : IsduAnswer::fail(IsduError::subindexNotAvailable);
    case 36:
        return subindex == 0 ? IsduAnswer::withData(QByteArray(1, char(m_deviceStatus)))
                             : IsduAnswer::fail(IsduError::subindexNotAvailable);
    case 2:
        return IsduAnswer::fail(IsduError::accessDenied); // system command is write-only
    default:
        return IsduAnswer::fail(IsduError::indexNotAvailable);
    }
}

IsduAnswer GenericDevice::writeIsdu(quint16 index, quint8 subindex, const QByteArray &data)
{
    switch (index) {
    case 2: {
        if (data.size() != 1)
            return IsduAnswer::fail(data.isEmpty() ? IsduError::lengthUnderrun : IsduError::lengthOverrun);
        const quint8 cmd = quint8(data.at(0));
        if (cmd == 0x82 || cmd == 0x83) { // restore factory settings, back-to-box
            m_applicationTag = QByteArrayLiteral("***");
            return IsduAnswer();
        }
        if (cmd == 0x80 || cmd == 0x81)
            return IsduAnswer();
        return IsduAnswer::fail(IsduError::valueOutOfRange);
    }
    case 24:
        if (subindex != 0)
            return IsduAnswer::fail(IsduError::subindexNotAvailable);
        if (data.size() > applicationTagMaxLength)
            return IsduAnswer::fail(IsduError::lengthOverrun);
        m_applicationTag = data;
        return IsduAnswer();
    case 0:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
    case 22:
    case 23:
    case 36:
        return IsduAnswer::fail(IsduError::accessDenied);
    default:
        return IsduAnswer::fail(IsduError::indexNotAvailable);
    }
}

QByteArray GenericDevice::processDataIn(qint64 ms) const
{
    // A slowly rising 16-bit measurement that wraps every minute.
    const quint16 v = quint16((ms / 100) % 600);
    QByteArray pd;
    pd.append(char(v >> 8));
    pd.append(char(v & 0xFF));
    return pd;
}
