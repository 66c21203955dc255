#include "iodddevice.h"

#include "directparameters.h"
#include "iodddeviceitems.h"
#include "iodddeviceoctets.h"
#include "iodddevicevalues.h"
#include "isdumailbox.h"

#include "description/ioddfile.h"
#include "description/ioddxml.h"

#include <QDomElement>
#include <QFile>

#include <algorithm>
#include <cmath>

using namespace IoddDeviceData;

namespace {

using Scalar = IoddDevice::Scalar;
using Item = IoddDevice::Item;
using Variable = IoddDevice::Variable;

// An ISDU carries at most 232 octets of data; a string longer than that
// could never be read.
constexpr int maxStringOctets = 232;
// Records and arrays larger than this are left out (no real device has them;
// a hostile description could ask for megabytes).
constexpr int maxImageOctets = 8192;
// The adapter's process-data windows are 64 octets.
constexpr int maxPdOctets = 64;

bool isKind(const DatatypePtr &type, const char *kind)
{
    return type && type->type == QLatin1String(kind);
}

void addLimits(Scalar &s, const QList<SingleValueItem> &singles, const QList<ValueRangeItem> &ranges)
{
    for (const SingleValueItem &v : singles)
        addSingle(s, v.value);
    for (const ValueRangeItem &r : ranges)
        addRange(s, r.lowerValue, r.upperValue);
}

bool toScalar(const DatatypePtr &type, Scalar *s)
{
    if (!type)
        return false;
    if (isKind(type, IoddKind::BooleanT)) {
        s->kind = Scalar::Boolean;
        s->bits = 1;
    } else if (isKind(type, IoddKind::IntegerT) || isKind(type, IoddKind::UIntegerT)) {
        const auto t = std::static_pointer_cast<IntegerType>(type);
        s->kind = isKind(type, IoddKind::IntegerT) ? Scalar::Integer : Scalar::UInteger;
        bool ok = false;
        const int bits = t->bitLength.toInt(&ok);
        s->bits = ok && bits >= 1 && bits <= 64 ? bits : 8;
        addLimits(*s, t->singleValues, t->valueRanges);
    } else if (isKind(type, IoddKind::Float32T)) {
        const auto t = std::static_pointer_cast<Float32Type>(type);
        s->kind = Scalar::Float;
        s->bits = 32;
        addLimits(*s, t->singleValues, t->valueRanges);
    } else if (isKind(type, IoddKind::StringT) || isKind(type, IoddKind::OctetStringT)) {
        const bool string = isKind(type, IoddKind::StringT);
        const QString length = string ? std::static_pointer_cast<StringType>(type)->fixedLength
                                      : std::static_pointer_cast<OctetStringType>(type)->fixedLength;
        s->kind = string ? Scalar::String : Scalar::OctetString;
        const int fixed = length.toInt();
        s->fixedLength = fixed > 0 ? std::min(fixed, maxStringOctets) : (string ? maxStringOctets : 0);
        s->bits = s->fixedLength * 8;
        if (string) {
            const QString encoding = std::static_pointer_cast<StringType>(type)->encoding;
            s->utf8 = encoding.isEmpty() || encoding.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0;
        }
    } else if (isKind(type, IoddKind::TimeT) || isKind(type, IoddKind::TimeSpanT)) {
        s->kind = isKind(type, IoddKind::TimeT) ? Scalar::Time : Scalar::TimeSpan;
        s->bits = 64;
    } else {
        return false;
    }
    return s->bits > 0;
}

// IO-Link cycle time code: time base in bits 7..6, multiplier in bits 5..0.
quint8 cycleTimeCode(int us)
{
    if (us <= 0)
        return 0;
    if (us <= 6300)
        return quint8((us + 99) / 100);
    if (us <= 6400 + 63 * 400)
        return quint8(0x40 | ((us - 6400 + 399) / 400));
    if (us <= 32000 + 63 * 1600)
        return quint8(0x80 | ((us - 32000 + 1599) / 1600));
    return 0xBF;
}

// Process-data length code of the direct parameter page: up to 16 bits as a
// bit count, longer data as octet count - 1 with bit 7 set.
quint8 pdLengthCode(int bits)
{
    if (bits <= 16)
        return quint8(std::max(bits, 0));
    return quint8(0x80 | (((bits + 7) / 8 - 1) & 0x1F));
}

QDomElement firstElement(const QDomElement &root, const QString &tag)
{
    return root.elementsByTagName(tag).item(0).toElement();
}

QDomElement firstChild(const QDomElement &parent, const QString &tag)
{
    return parent.firstChildElement(tag);
}

} // namespace

// Turns the description into the device's variables and process-data layout.
// Outside the anonymous namespace: the device names it as its friend.
class IoddDeviceBuilder
{
public:
    IoddDeviceBuilder(IoddDevice &device, const IoddFile &file, const QDomElement &root,
                      const IoddDevice::Options &options)
        : m_device(device), m_file(file), m_root(root), m_options(options)
    {
    }

    void build()
    {
        const QDomElement identity = firstElement(m_root, QStringLiteral("DeviceIdentity"));
        m_device.m_vendorId = quint16(identity.attribute(QStringLiteral("vendorId")).toUInt() & 0xFFFF);
        m_device.m_deviceId = identity.attribute(QStringLiteral("deviceId")).toUInt() & 0xFFFFFF;
        buildProcessData();

        const QDomNodeList collections = m_root.elementsByTagName(QStringLiteral("VariableCollection"));
        for (int c = 0; c < collections.count(); ++c) {
            for (QDomElement e = collections.item(c).firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
                if (e.tagName() == QLatin1String("Variable"))
                    addOwnVariable(e.attribute(QStringLiteral("id")));
                else if (e.tagName() == QLatin1String("StdVariableRef"))
                    addStandardVariable(e);
            }
        }
        m_device.m_variables.insert(0, directParameterPage());
        m_device.m_fixedPdIn = m_options.processDataIn;
        // Whole values first: an item given as well then lands in the given image.
        for (auto it = m_options.parameters.begin(); it != m_options.parameters.end(); ++it) {
            const auto v = m_device.m_variables.find(it.key().first);
            if (v == m_device.m_variables.end() || !takeGiven(*v, it.key().second, it.value()))
                m_device.m_given.insert(it.key(), it.value());
        }
        m_device.m_givenFactory = m_device.m_given;
        m_device.m_writeErrors = m_options.writeErrors;
        m_device.m_rules = m_options.rules;
        buildEvents();
    }

private:
    // Events in the order they appear; the Detailed Device Status as long as
    // the description makes it, else as long as one response carries.
    void buildEvents()
    {
        m_device.m_events = m_options.events;
        std::stable_sort(
            m_device.m_events.begin(), m_device.m_events.end(),
            [](const IoddDevice::Options::Event &a, const IoddDevice::Options::Event &b) { return a.atMs < b.atMs; });
        const auto details = m_device.m_variables.constFind(DeviceEvents::detailedStatusIndex);
        const bool described = details != m_device.m_variables.constEnd() && details->kind == Variable::Array
            && details->type.octets() == DeviceEvents::entryOctets;
        m_device.m_eventSlots = described ? details->count : IsduMailbox::maxData / DeviceEvents::entryOctets;
    }

    static bool makeVariable(const VariableItem &var, Variable *v)
    {
        const QString access = var.accessRights;
        v->id = var.id;
        v->readable = access.isEmpty() || access.contains(QLatin1Char('r'));
        v->writable = access.isEmpty() || access.contains(QLatin1Char('w'));
        const DatatypePtr type = var.datatype;
        bool restricted = false;
        const int restriction = var.fixedLengthRestriction.toInt(&restricted);
        restricted = restricted && restriction > 0 && restriction != 64; // 64: not restricted

        if (isKind(type, IoddKind::RecordT)) {
            const auto record = std::static_pointer_cast<RecordType>(type);
            const int bits = record->bitLength.toInt();
            if (bits <= 0 || bits > maxImageOctets * 8)
                return false;
            v->kind = Variable::Record;
            v->size = (bits + 7) / 8;
            v->subindexAccess = record->subindexAccessSupported != QLatin1String("false");
            v->value = QByteArray(v->size, '\0');
            for (const RecordItem &ri : record->items) {
                Item item;
                bool ok = false;
                item.subindex = ri.subindex.toInt(&ok);
                item.offset = ri.bitOffset.toInt();
                if (!ok || !toScalar(ri.datatype, &item.type) || item.offset < 0
                    || item.offset + item.type.bits > v->size * 8)
                    continue;
                item.readable = ri.accessRightRestriction != QLatin1String("wo");
                item.writable = ri.accessRightRestriction != QLatin1String("ro");
                QString defaultValue;
                for (const RecordItemInfo &info : record->itemInfos) {
                    if (info.subindex == ri.subindex)
                        defaultValue = info.defaultValue;
                }
                insertBits(v->value, item.offset, item.type.bits, encodeDefault(item.type, defaultValue, true));
                v->items.append(item);
            }
        } else if (isKind(type, IoddKind::ArrayT)) {
            const auto array = std::static_pointer_cast<ArrayType>(type);
            if (!toScalar(array->elementType ? array->elementType : array->elementTypeRef, &v->type))
                return false;
            v->kind = Variable::Array;
            v->count = std::min(array->count.toInt(), IoddFile::maxArrayElements);
            if (restricted)
                v->count = std::min(v->count, restriction);
            if (v->count <= 0 || qint64(v->count) * v->type.bits > qint64(maxImageOctets) * 8)
                return false;
            v->size = (v->count * v->type.bits + 7) / 8;
            v->subindexAccess = array->subindexAccessSupported != QLatin1String("false");
            v->value = QByteArray(v->size, '\0');
            const QByteArray element = encodeDefault(v->type, QString(), true);
            for (int k = 1; k <= v->count; ++k)
                insertBits(v->value, arrayElement(*v, k).offset, v->type.bits, element);
        } else {
            if (!toScalar(type, &v->type))
                return false;
            if (restricted && v->type.kind == Scalar::String)
                v->type.fixedLength = std::min(v->type.fixedLength, restriction);
            v->kind = Variable::Simple;
            v->size = v->type.kind == Scalar::String ? 0 : v->type.octets();
            v->value = encodeDefault(v->type, var.defaultValue, false);
        }
        v->factory = v->value;
        return true;
    }

    // Makes given octets the value (or item) at that subindex, and its
    // default, when they have its length; false when they do not fit it.
    static bool takeGiven(Variable &v, int subindex, const QByteArray &octets)
    {
        if (!v.readable || (v.kind != Variable::Simple && v.kind != Variable::Record && v.kind != Variable::Array))
            return false;
        if (subindex == 0) {
            if (v.kind == Variable::Simple ? checkLength(v.type, octets.size()) != 0 : octets.size() != v.size)
                return false;
            v.value = v.factory = octets;
            return true;
        }
        Item item;
        if (v.kind == Variable::Simple || !v.subindexAccess || !findItem(v, subindex, &item) || !item.readable
            || checkLength(item.type, octets.size()) != 0)
            return false;
        QByteArray value = octets;
        if (item.type.kind == Scalar::String)
            value.append(QByteArray(item.type.fixedLength - value.size(), '\0'));
        insertBits(v.value, item.offset, item.type.bits, value);
        v.factory = v.value;
        return true;
    }

    bool insert(const VariableItem &var, const Variable &v)
    {
        bool ok = false;
        const uint index = var.index.toUInt(&ok);
        if (!ok || index > 0xFFFF || m_device.m_variables.contains(quint16(index)))
            return false;
        m_device.m_variables.insert(quint16(index), v);
        return true;
    }

    void addOwnVariable(const QString &id)
    {
        const VariablePtr var = m_file.findVariable(id, QString());
        Variable v;
        if (var && makeVariable(*var, &v))
            insert(*var, v);
    }

    void addStandardVariable(const QDomElement &ref)
    {
        const QString id = ref.attribute(QStringLiteral("id"));
        const VariablePtr var = m_file.standardDefinitions().findVariable(id);
        if (!var)
            return;
        const QString defaultValue = ref.attribute(QStringLiteral("defaultValue"));
        if (!defaultValue.trimmed().isEmpty())
            var->defaultValue = defaultValue;
        const QString fixedLength = ref.attribute(QStringLiteral("fixedLengthRestriction"));
        if (!fixedLength.trimmed().isEmpty())
            var->fixedLengthRestriction = fixedLength;

        Variable v;
        v.id = id;
        // Process data at indexes 40 and 41, as IODD 1.1 and 1.0.1 name the variables.
        const bool pdIn = id == QLatin1String("V_ProcessDataInput") || id == QLatin1String("V_ProcessDataIn");
        const bool pdOut = id == QLatin1String("V_ProcessDataOutput") || id == QLatin1String("V_ProcessDataOut");
        if (pdIn || pdOut) {
            v.kind = pdIn ? Variable::ProcessIn : Variable::ProcessOut;
            v.writable = false;
            insert(*var, v);
            return;
        }
        if (id == QLatin1String("V_DirectParameters_1"))
            return; // made from the identity below
        const QString text = identificationText(id, var->defaultValue);
        if (!text.isNull())
            var->defaultValue = text;
        if (!makeVariable(*var, &v))
            return;
        restrict(ref, v);
        if (id == QLatin1String("V_SystemCommand")) {
            v.kind = Variable::Command;
            v.readable = false;
        }
        insert(*var, v);
    }

    // The values and record-item defaults a StdVariableRef narrows its
    // standard variable to.
    void restrict(const QDomElement &ref, Variable &v)
    {
        Scalar listed = v.type;
        listed.singles.clear();
        listed.ranges.clear();
        for (QDomElement e = ref.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            const QString tag = e.tagName();
            if (tag == QLatin1String("StdSingleValueRef") || tag == QLatin1String("SingleValue")) {
                addSingle(listed, e.attribute(QStringLiteral("value")));
            } else if (tag == QLatin1String("StdValueRangeRef") || tag == QLatin1String("ValueRange")) {
                addRange(listed, e.attribute(QStringLiteral("lowerValue")), e.attribute(QStringLiteral("upperValue")));
            } else if (tag == QLatin1String("StdRecordItemRef") && v.kind == Variable::Record) {
                const int subindex = e.attribute(QStringLiteral("subindex")).toInt();
                for (const Item &item : qAsConst(v.items)) {
                    if (item.subindex == subindex)
                        insertBits(v.value, item.offset, item.type.bits,
                                   encodeDefault(item.type, e.attribute(QStringLiteral("defaultValue")), true));
                }
                v.factory = v.value;
            }
        }
        v.commandRange = v.type;
        if (v.kind == Variable::Simple && hasLimits(listed))
            v.type = listed;
    }

    // Text of a standard identification variable that the description leaves
    // open; a null string for any other variable.
    QString identificationText(const QString &id, const QString &given) const
    {
        const auto pick = [&given](const QString &option, const QString &fallback) {
            if (!option.isEmpty())
                return option;
            return given.isEmpty() ? fallback : given;
        };
        const QDomElement identity = firstElement(m_root, QStringLiteral("DeviceIdentity"));
        const QDomElement variant = firstElement(m_root, QStringLiteral("DeviceVariant"));
        const auto text = [this](const QDomElement &e) {
            return m_file.textById(e.attribute(QStringLiteral("textId")), QStringLiteral("en"));
        };
        if (id == QLatin1String("V_VendorName"))
            return pick(QString(), identity.attribute(QStringLiteral("vendorName")));
        if (id == QLatin1String("V_VendorText"))
            return pick(QString(), text(firstChild(identity, QStringLiteral("VendorText"))));
        if (id == QLatin1String("V_ProductName"))
            return pick(QString(), text(firstChild(identity, QStringLiteral("DeviceName"))));
        if (id == QLatin1String("V_ProductID"))
            return pick(QString(), variant.attribute(QStringLiteral("productId")));
        if (id == QLatin1String("V_ProductText"))
            return pick(QString(), text(firstChild(variant, QStringLiteral("Description"))));
        if (id == QLatin1String("V_SerialNumber"))
            return pick(m_options.serialNumber,
                        QStringLiteral("SN%1").arg(m_device.m_deviceId, 8, 10, QLatin1Char('0')));
        if (id == QLatin1String("V_HardwareRevision"))
            return pick(m_options.hardwareRevision, QStringLiteral("HW 1.0"));
        if (id == QLatin1String("V_FirmwareRevision"))
            return pick(m_options.firmwareRevision, QStringLiteral("FW 1.0.0"));
        if (id == QLatin1String("V_ApplicationSpecificTag") || id == QLatin1String("V_FunctionTag")
            || id == QLatin1String("V_LocationTag"))
            return pick(QString(), QStringLiteral("***"));
        return QString();
    }

    Variable directParameterPage() const
    {
        const QDomElement physical = firstElement(m_root, QStringLiteral("PhysicalLayer"));
        const QDomElement profile = firstElement(m_root, QStringLiteral("CommNetworkProfile"));
        DirectParameterPage1 page;
        page.minCycleTime = cycleTimeCode(physical.attribute(QStringLiteral("minCycleTime")).toInt());
        page.masterCycleTime = page.minCycleTime; // the master runs at the device's minimum
        page.mSequenceCapability = quint8(physical.attribute(QStringLiteral("mSequenceCapability")).toUInt() & 0xFF);
        QString revision = profile.attribute(QStringLiteral("iolinkRevision"));
        revision.remove(QLatin1Char('V'), Qt::CaseInsensitive);
        const int major = revision.section(QLatin1Char('.'), 0, 0).toInt();
        const int minor = revision.section(QLatin1Char('.'), 1, 1).toInt();
        page.revisionId = quint8(((major & 0xF) << 4) | (minor & 0xF));
        const bool sio = physical.attribute(QStringLiteral("sioSupported")) == QLatin1String("true");
        page.processDataIn = quint8(pdLengthCode(m_pdInBits) | (sio ? 0x40 : 0));
        page.processDataOut = pdLengthCode(m_pdOutBits);
        page.vendorId = m_device.m_vendorId;
        page.deviceId = m_device.m_deviceId;

        Variable v;
        v.id = QStringLiteral("V_DirectParameters_1");
        v.kind = Variable::Record;
        v.writable = false;
        v.size = 16;
        for (int k = 1; k <= 16; ++k) {
            Item item;
            item.subindex = k;
            item.offset = 8 * (16 - k);
            item.type.kind = Scalar::UInteger;
            item.type.bits = 8;
            v.items.append(item);
        }
        v.value = v.factory = page.octets();
        return v;
    }

    void buildProcessData()
    {
        const TreeItem in = m_file.processDataIn();
        m_pdInBits = std::clamp(in.text.toInt(), 0, maxPdOctets * 8);
        m_pdOutBits = std::clamp(m_file.processDataOut().text.toInt(), 0, maxPdOctets * 8);
        m_device.m_pdInOctets = (m_pdInBits + 7) / 8;
        m_device.m_pdOutOctets = (m_pdOutBits + 7) / 8;
        QList<QPair<int, int>> taken;
        for (const ValueItem &value : in.values) {
            const EditorItem &e = value.editor;
            IoddDevice::PdItem item;
            if (e.typeName == QLatin1String(IoddKind::BooleanT)) {
                item.kind = IoddDevice::PdItem::Flag;
                item.width = 1;
            } else if (e.typeName == QLatin1String(IoddKind::IntegerT)
                       || e.typeName == QLatin1String(IoddKind::UIntegerT)) {
                const bool isSigned = e.typeName == QLatin1String(IoddKind::IntegerT);
                item.kind = isSigned ? IoddDevice::PdItem::Signed : IoddDevice::PdItem::Unsigned;
                bool ok = false;
                item.width = e.bitLength.toInt(&ok);
                if (!ok || item.width < 1 || item.width > 64)
                    item.width = 8;
            } else if (e.typeName == QLatin1String(IoddKind::Float32T)) {
                item.kind = IoddDevice::PdItem::Float;
                item.width = 32;
            } else {
                continue; // strings and octet strings stay zero
            }
            item.offset = e.bitOffset.toInt();
            if (item.offset < 0 || item.offset + item.width > m_device.m_pdInOctets * 8
                || taken.contains(qMakePair(item.offset, item.width)))
                continue;
            taken.append(qMakePair(item.offset, item.width));
            if (item.kind != IoddDevice::PdItem::Flag)
                limitsOf(e, &item);
            m_device.m_pdItems.append(item);
        }
    }

    // The range a process-data number moves in: its value range, else the
    // whole range of its bit length (floats: 0..100).
    static void limitsOf(const EditorItem &e, IoddDevice::PdItem *item)
    {
        const double span = std::ldexp(1.0, item->width);
        QString lower = e.lowerValue;
        QString upper = e.upperValue;
        if (lower.isEmpty() && upper.isEmpty() && !e.ranges.isEmpty()) {
            lower = e.ranges.first().lowerValue;
            upper = e.ranges.first().upperValue;
        }
        bool okLower = false, okUpper = false;
        item->lower = lower.toDouble(&okLower);
        item->upper = upper.toDouble(&okUpper);
        if (!okLower || !okUpper || !std::isfinite(item->lower) || !std::isfinite(item->upper)) {
            switch (item->kind) {
            case IoddDevice::PdItem::Signed:
                item->lower = -span / 2;
                item->upper = span / 2 - 1;
                break;
            case IoddDevice::PdItem::Unsigned:
                item->lower = 0;
                item->upper = span - 1;
                break;
            default:
                item->lower = 0;
                item->upper = 100;
                break;
            }
        }
        if (item->lower > item->upper)
            std::swap(item->lower, item->upper);
        // Never more than the bits can carry.
        if (item->kind == IoddDevice::PdItem::Signed) {
            item->lower = std::clamp(item->lower, -span / 2, span / 2 - 1);
            item->upper = std::clamp(item->upper, -span / 2, span / 2 - 1);
        } else if (item->kind == IoddDevice::PdItem::Unsigned) {
            item->lower = std::clamp(item->lower, 0.0, span - 1);
            item->upper = std::clamp(item->upper, 0.0, span - 1);
        }
    }

    IoddDevice &m_device;
    const IoddFile &m_file;
    const QDomElement m_root;
    const IoddDevice::Options m_options;
    int m_pdInBits = 0;
    int m_pdOutBits = 0;
};

std::unique_ptr<IoddDevice> IoddDevice::fromFile(const QString &path, const QString &stdBaseDir, QString *error,
                                                 const Options &options)
{
    IoddFile file;
    if (file.load(path, stdBaseDir) != 0) {
        if (error)
            *error = QStringLiteral("cannot read %1").arg(path);
        return nullptr;
    }
    return fromDescription(file, error, options);
}

std::unique_ptr<IoddDevice> IoddDevice::fromDescription(const IoddFile &file, QString *error, const Options &options)
{
    const auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return std::unique_ptr<IoddDevice>();
    };
    const QString path = file.filePath();
    if (!file.errorString().isEmpty())
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    // The parser answers lookups by id; the list of variables comes from
    // the document itself.
    const QDomElement root = file.rootElement();
    if (root.isNull())
        return fail(QStringLiteral("cannot read %1").arg(path));
    if (firstElement(root, QStringLiteral("DeviceIdentity")).isNull())
        return fail(QStringLiteral("%1 is no IO-Link device description (no DeviceIdentity)").arg(path));

    std::unique_ptr<IoddDevice> device(new IoddDevice);
    IoddDeviceBuilder(*device, file, root, options).build();
    return device;
}
