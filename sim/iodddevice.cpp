#include "iodddevice.h"

#include "iodddeviceitems.h"
#include "iodddeviceoctets.h"
#include "iodddevicevalues.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

using namespace IoddDeviceData;

IoddDevice::IoddDevice()
{
    m_clock.start();
}

IoddDevice::~IoddDevice() = default;

IsduAnswer IoddDevice::readIsdu(quint16 index, quint8 subindex)
{
    if (!m_events.isEmpty()
        && (index == DeviceEvents::deviceStatusIndex || index == DeviceEvents::detailedStatusIndex)) {
        if (subindex != 0)
            return IsduAnswer::fail(IsduError::subindexNotAvailable);
        const qint64 now = m_clock.elapsed();
        return IsduAnswer::withData(index == DeviceEvents::deviceStatusIndex ? QByteArray(1, char(deviceStatus(now)))
                                                                             : detailedDeviceStatus(now));
    }
    const auto given = m_given.constFind({index, subindex});
    if (given != m_given.constEnd())
        return IsduAnswer::withData(given.value());
    if (index == dataStorageIndex && !m_variables.contains(index))
        return readDataStorage(subindex);
    const auto it = m_variables.constFind(index);
    if (it == m_variables.constEnd())
        return IsduAnswer::fail(missing(index));
    const Variable &v = it.value();
    if (!v.readable)
        return IsduAnswer::fail(IsduError::accessDenied);
    if (v.kind != Variable::Record && v.kind != Variable::Array) {
        if (subindex != 0)
            return IsduAnswer::fail(IsduError::subindexNotAvailable);
        if (v.kind == Variable::ProcessIn)
            return IsduAnswer::withData(processDataIn(m_clock.elapsed()));
        if (v.kind == Variable::ProcessOut) {
            QByteArray out = processDataOut().left(m_pdOutOctets);
            return IsduAnswer::withData(out.append(QByteArray(m_pdOutOctets - out.size(), '\0')));
        }
        return IsduAnswer::withData(v.value);
    }
    if (subindex == 0)
        return IsduAnswer::withData(v.value);
    Item item;
    if (!v.subindexAccess || !findItem(v, subindex, &item))
        return IsduAnswer::fail(IsduError::subindexNotAvailable);
    if (!item.readable)
        return IsduAnswer::fail(IsduError::accessDenied);
    return IsduAnswer::withData(itemOctets(v.value, item));
}

// Given octets take what is written; at an index of the description only
// what the description accepts. A whole variable written replaces octets
// given for its items.
IsduAnswer IoddDevice::writeIsdu(quint16 index, quint8 subindex, const QByteArray &data)
{
    if (const quint16 refused = m_writeErrors.value(index))
        return IsduAnswer::fail(refused);
    if (!m_events.isEmpty() && (index == DeviceEvents::deviceStatusIndex || index == DeviceEvents::detailedStatusIndex))
        return IsduAnswer::fail(IsduError::accessDenied);
    // The parameter write lock (Device Access Locks, index 12, bit 0) refuses
    // every write but the locks' own, system commands and the master's Data
    // Storage commands.
    constexpr quint16 locksIndex = 12, systemCommandIndex = 2;
    const auto locks = m_variables.constFind(locksIndex);
    const bool storageObject =
        index == dataStorageIndex && !m_variables.contains(index) && !m_given.contains({index, subindex});
    if (index != locksIndex && index != systemCommandIndex && !storageObject && locks != m_variables.constEnd()
        && !locks->value.isEmpty() && (quint8(locks->value.back()) & 0x01))
        return IsduAnswer::fail(IsduError::accessDenied);
    const bool given = m_given.contains({index, subindex});
    if (index == dataStorageIndex && !given && !m_variables.contains(index))
        return writeDataStorage(subindex, data);
    if (!m_variables.contains(index)) {
        if (!given)
            return IsduAnswer::fail(missing(index));
        m_given[{index, subindex}] = data;
        return IsduAnswer();
    }
    // Outside a block a write that breaks a rule is refused and undone.
    std::optional<Variable> before;
    if (!m_rules.isEmpty() && !m_block)
        before = m_variables.value(index);
    const IsduAnswer answer = writeDescribed(index, subindex, data);
    if (!answer.ok())
        return answer;
    if (before && m_variables.value(index).kind != Variable::Command && brokenRule()) {
        m_variables[index] = *before;
        return IsduAnswer::fail(IsduError::inconsistentParameterSet);
    }
    if (given)
        m_given[{index, subindex}] = data;
    if (subindex == 0) {
        auto it = m_given.lowerBound({index, 1});
        while (it != m_given.end() && it.key().first == index)
            it = m_given.erase(it);
    }
    return answer;
}

// The error for an address neither the description nor the given octets
// have: an index with given octets at other subindexes exists.
quint16 IoddDevice::missing(quint16 index) const
{
    const auto next = m_given.lowerBound({index, 0});
    return next != m_given.constEnd() && next.key().first == index ? IsduError::subindexNotAvailable
                                                                   : IsduError::indexNotAvailable;
}

IsduAnswer IoddDevice::writeDescribed(quint16 index, quint8 subindex, const QByteArray &data)
{
    const auto it = m_variables.find(index);
    if (it == m_variables.end())
        return IsduAnswer::fail(IsduError::indexNotAvailable);
    Variable &v = it.value();
    if (!v.writable)
        return IsduAnswer::fail(IsduError::accessDenied);
    switch (v.kind) {
    case Variable::Record:
    case Variable::Array: {
        if (subindex == 0)
            return writeImage(v, data);
        Item item;
        if (!v.subindexAccess || !findItem(v, subindex, &item))
            return IsduAnswer::fail(IsduError::subindexNotAvailable);
        return writeItem(v, item, data);
    }
    case Variable::Command:
        if (subindex != 0)
            return IsduAnswer::fail(IsduError::subindexNotAvailable);
        return systemCommand(v, data);
    default: {
        if (subindex != 0)
            return IsduAnswer::fail(IsduError::subindexNotAvailable);
        if (const quint16 error = checkWrite(v.type, data))
            return IsduAnswer::fail(error);
        v.value = v.type.kind == Scalar::String ? usedOctets(data) : data;
        return IsduAnswer();
    }
    }
}

IsduAnswer IoddDevice::writeItem(Variable &v, const Item &item, const QByteArray &data)
{
    if (!item.writable)
        return IsduAnswer::fail(IsduError::accessDenied);
    if (const quint16 error = checkWrite(item.type, data))
        return IsduAnswer::fail(error);
    QByteArray octets = data;
    if (item.type.kind == Scalar::String)
        octets = usedOctets(data).append(QByteArray(item.type.fixedLength - usedOctets(data).size(), '\0'));
    insertBits(v.value, item.offset, item.type.bits, octets);
    return IsduAnswer();
}

// A whole record or array: the length must match; every writable item must
// hold an acceptable value; read-only items keep theirs.
IsduAnswer IoddDevice::writeImage(Variable &v, const QByteArray &data)
{
    if (data.size() != v.size)
        return IsduAnswer::fail(data.size() > v.size ? IsduError::lengthOverrun : IsduError::lengthUnderrun);
    QByteArray image = data;
    const QList<Item> items = itemsOf(v);
    for (const Item &item : items) {
        if (!item.writable) {
            insertBits(image, item.offset, item.type.bits, extractBits(v.value, item.offset, item.type.bits));
            continue;
        }
        if (const quint16 error = checkValue(item.type, itemOctets(image, item)))
            return IsduAnswer::fail(error);
    }
    v.value = image;
    return IsduAnswer();
}

// Commands the description offers are taken; other commands of the standard
// are "function not available", anything else "value out of range".
IsduAnswer IoddDevice::systemCommand(const Variable &v, const QByteArray &data)
{
    constexpr quint8 downloadStart = 0x03, downloadEnd = 0x04, downloadStore = 0x05, paramBreak = 0x06;
    if (const quint16 error = checkLength(v.type, data.size()))
        return IsduAnswer::fail(error);
    if (checkValue(v.type, data) != 0) {
        return IsduAnswer::fail(checkValue(v.commandRange, data) == 0 ? IsduError::functionNotAvailable
                                                                      : IsduError::valueOutOfRange);
    }
    const quint8 command = quint8(data.at(0));
    if (command == 0x82 || command == 0x83) // restore factory settings, back-to-box
        restoreFactorySettings();
    if (command == downloadStart && !m_block)
        m_block = Snapshot{m_variables, m_given};
    if (command == paramBreak && m_block) {
        m_variables = m_block->variables;
        m_given = m_block->given;
        m_block.reset();
    }
    if (command == downloadEnd || command == downloadStore) {
        // The block's set is checked as a whole: all of it or none.
        if (m_block && brokenRule()) {
            m_variables = m_block->variables;
            m_given = m_block->given;
            m_block.reset();
            return IsduAnswer::fail(IsduError::inconsistentParameterSet);
        }
        m_block.reset();
        if (command == downloadStore)
            m_uploadFlag = true;
    }
    return IsduAnswer();
}

double IoddDevice::numberAt(quint16 index) const
{
    const Variable v = m_variables.value(index);
    switch (v.type.kind) {
    case Scalar::Integer:
        return double(signedOf(v.value));
    case Scalar::Float:
        return double(floatOf(v.value));
    default:
        return double(unsignedOf(v.value));
    }
}

const IoddDevice::Options::Rule *IoddDevice::brokenRule() const
{
    for (const Options::Rule &rule : m_rules) {
        if (!(numberAt(rule.index) > numberAt(rule.above)))
            return &rule;
    }
    return nullptr;
}

QString IoddDevice::ruleProblem(const Options::Rule &rule) const
{
    for (const quint16 index : {rule.index, rule.above}) {
        const auto it = m_variables.constFind(index);
        if (it == m_variables.constEnd())
            return QStringLiteral("the device has no index %1").arg(index);
        const Scalar::Kind kind = it->type.kind;
        if (it->kind != Variable::Simple
            || (kind != Scalar::Integer && kind != Scalar::UInteger && kind != Scalar::Float))
            return QStringLiteral("index %1 is not a simple number").arg(index);
    }
    return QString();
}

void IoddDevice::restoreFactorySettings()
{
    for (Variable &v : m_variables) {
        if (v.writable && (v.kind == Variable::Simple || v.kind == Variable::Record || v.kind == Variable::Array))
            v.value = v.factory;
    }
    m_given = m_givenFactory;
}

// Input given to the device stays as it is. Otherwise numbers follow slow
// sine waves of different periods between 10 % and 90 % of their range;
// one-bit flags switch as the first number crosses thresholds spread over
// that band, like switching outputs of a sensor (without a number they
// toggle every few seconds).
QByteArray IoddDevice::processDataIn(qint64 ms) const
{
    if (m_fixedPdIn)
        return *m_fixedPdIn;
    QByteArray image(m_pdInOctets, '\0');
    const double t = double(ms) / 1000.0;
    int numbers = 0;
    int flags = 0;
    for (const PdItem &item : m_pdItems) {
        if (item.kind == PdItem::Flag)
            ++flags;
    }
    double primary = -1;
    int flag = 0;
    for (const PdItem &item : m_pdItems) {
        if (item.kind == PdItem::Flag)
            continue;
        const double position = 0.5 + 0.4 * std::sin(2 * M_PI * t / (20.0 + 7.0 * numbers));
        if (numbers++ == 0)
            primary = position;
        const double value = item.lower + (item.upper - item.lower) * position;
        QByteArray octets;
        switch (item.kind) {
        case PdItem::Signed:
            octets = toOctets(quint64(qint64(std::llround(value))), 8);
            break;
        case PdItem::Unsigned:
            octets = toOctets(quint64(std::clamp(value, 0.0, 18446744073709549568.0) + 0.5), 8);
            break;
        default:
            octets = floatOctets(value);
            break;
        }
        insertBits(image, item.offset, item.width, octets);
    }
    for (const PdItem &item : m_pdItems) {
        if (item.kind != PdItem::Flag)
            continue;
        bool on;
        if (primary >= 0)
            on = primary > 0.15 + 0.7 * (flag + 1) / (flags + 1);
        else
            on = (ms / ((2 + flag) * 1000)) % 2 == 1;
        ++flag;
        setBit(image, item.offset, on);
    }
    return image;
}
