#include "iodddevice.h"

#include "iodddeviceoctets.h"

using namespace IoddDeviceData;

// The Data Storage object (index 3): the command the master writes
// (subindex 1), the state with the upload flag (2), the size of the stored
// parameters (3), their checksum (4) and the list of their indexes (5).
namespace {
constexpr quint8 commandSubindex = 1, stateSubindex = 2, sizeSubindex = 3, checksumSubindex = 4, listSubindex = 5;
constexpr quint8 uploadFlagBit = 0x80;
// The adapter's mailbox carries 33 octets: the list names the first 10
// stored parameters and its end; size and checksum cover all of them.
constexpr int mailboxOctets = 33;
} // namespace

// Parameters the master keeps: the readable and writable variables of the
// description, the access locks aside (they belong to the master's own
// configuration, not to the device's parameter set).
QList<quint16> IoddDevice::storedIndexes() const
{
    constexpr quint16 locksIndex = 12;
    QList<quint16> indexes;
    for (auto it = m_variables.constBegin(); it != m_variables.constEnd(); ++it) {
        const Variable &v = it.value();
        if (it.key() == locksIndex || !v.readable || !v.writable)
            continue;
        if (v.kind == Variable::Simple || v.kind == Variable::Record || v.kind == Variable::Array)
            indexes << it.key();
    }
    return indexes;
}

quint8 IoddDevice::dataStorageState() const
{
    // The Data Storage access lock (index 12, bit 1) shows as state "locked".
    const auto locks = m_variables.constFind(12);
    const bool locked =
        locks != m_variables.constEnd() && !locks->value.isEmpty() && (quint8(locks->value.back()) & 0x02);
    const quint8 state = locked ? 3 : quint8(m_storageState);
    return quint8((m_uploadFlag ? uploadFlagBit : 0) | (state << 1));
}

IsduAnswer IoddDevice::readDataStorage(quint8 subindex) const
{
    const QList<quint16> indexes = storedIndexes();
    quint32 size = 0;
    quint32 checksum = 2166136261u; // FNV-1a over index and value of every stored parameter
    QByteArray entries;
    for (const quint16 index : indexes) {
        const QByteArray value = m_variables.value(index).value;
        size += quint32(value.size());
        const QByteArray entry = toOctets(index, 2).append('\0');
        entries += entry;
        for (const char c : entry + value)
            checksum = (checksum ^ quint8(c)) * 16777619u;
    }
    // Whole entries that fit beside the end marker (index 0).
    const auto list = [&entries](int octets) { return entries.left((octets - 3) / 3 * 3) + QByteArray(3, '\0'); };
    switch (subindex) {
    case 0: {
        const QByteArray head =
            QByteArray(1, '\0') + char(dataStorageState()) + toOctets(size, 4) + toOctets(checksum, 4);
        return IsduAnswer::withData(head + list(mailboxOctets - head.size()));
    }
    case commandSubindex:
        return IsduAnswer::fail(IsduError::accessDenied);
    case stateSubindex:
        return IsduAnswer::withData(QByteArray(1, char(dataStorageState())));
    case sizeSubindex:
        return IsduAnswer::withData(toOctets(size, 4));
    case checksumSubindex:
        return IsduAnswer::withData(toOctets(checksum, 4));
    case listSubindex:
        return IsduAnswer::withData(list(mailboxOctets));
    default:
        return IsduAnswer::fail(IsduError::subindexNotAvailable);
    }
}

// DS_Command: the master's upload and download framing. The end of either
// clears the upload flag (the master now holds the device's parameters);
// DS_Break returns to inactive without touching it.
IsduAnswer IoddDevice::writeDataStorage(quint8 subindex, const QByteArray &data)
{
    if (subindex != commandSubindex)
        return IsduAnswer::fail(subindex <= listSubindex ? IsduError::accessDenied : IsduError::subindexNotAvailable);
    if (data.size() != 1)
        return IsduAnswer::fail(data.size() > 1 ? IsduError::lengthOverrun : IsduError::lengthUnderrun);
    switch (quint8(data.at(0))) {
    case 0x01: // DS_UploadStart
        m_storageState = StorageState::Upload;
        return IsduAnswer();
    case 0x03: // DS_DownloadStart
        m_storageState = StorageState::Download;
        return IsduAnswer();
    case 0x02: // DS_UploadEnd
    case 0x04: // DS_DownloadEnd
        m_storageState = StorageState::Inactive;
        m_uploadFlag = false;
        return IsduAnswer();
    case 0x05: // DS_Break
        m_storageState = StorageState::Inactive;
        return IsduAnswer();
    default:
        return IsduAnswer::fail(IsduError::valueOutOfRange);
    }
}
