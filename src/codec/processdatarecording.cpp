#include "processdatarecording.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool isType(const ValueItem &item, const char *kind)
{
    return item.editor.typeName == QLatin1String(kind);
}

ProcessDataRecording::Channel::Kind kindOf(const ProcessDataCodec::Field &f)
{
    using Kind = ProcessDataRecording::Channel::Kind;
    const ValueItem &item = f.item;
    if (isType(item, IoddKind::StringT) || isType(item, IoddKind::OctetStringT) || isType(item, IoddKind::TimeT)
        || isType(item, IoddKind::TimeSpanT))
        return Kind::Text;
    if (isType(item, IoddKind::BooleanT) || f.bitLength == 1)
        return Kind::Bit;
    if (isType(item, IoddKind::IntegerT) || isType(item, IoddKind::UIntegerT) || isType(item, IoddKind::Float32T))
        return Kind::Number;
    return Kind::Text;
}

} // namespace

QString ProcessDataRecording::Channel::title() const
{
    return unit.isEmpty() ? name : QStringLiteral("%1 [%2]").arg(name, unit);
}

ProcessDataRecording::ProcessDataRecording(const ProcessDataCodec::Layout &layout, const QString &wholeName,
                                           int capacity)
    : m_layout(layout), m_capacity(std::max(1, capacity))
{
    const bool single = layout.fields.size() == 1;
    for (int i = 0; i < layout.fields.size(); ++i) {
        const ProcessDataCodec::Field &f = layout.fields.at(i);
        Channel c;
        c.field = i;
        c.name = single && !wholeName.isEmpty() ? wholeName : f.item.label;
        if (c.name.trimmed().isEmpty())
            c.name = f.item.subindex.isEmpty() ? QStringLiteral("#%1").arg(i + 1) : f.item.subindex;
        c.unit = f.item.unit;
        c.kind = kindOf(f);
        c.presentation = NumberText::presentationOf(f.item);
        m_channels.append(c);
    }
}

void ProcessDataRecording::append(qint64 msecsSinceEpoch, const QByteArray &registers)
{
    if (m_capacity <= 0)
        return;
    const QByteArray pd = ProcessDataCodec::processDataOctets(m_layout, registers);
    Sample s;
    s.msecs = msecsSinceEpoch;
    s.length = quint8(std::min(int(pd.size()), ProcessDataCodec::maxOctets));
    std::copy_n(pd.constData(), s.length, reinterpret_cast<char *>(s.octets.data()));
    if (m_count < m_capacity) {
        m_ring.push_back(s);
        ++m_count;
        return;
    }
    m_ring[size_t(m_first)] = s;
    m_first = (m_first + 1) % m_capacity;
    ++m_dropped;
}

QByteArray ProcessDataRecording::octetsAt(int i) const
{
    const Sample &s = sample(i);
    return QByteArray(reinterpret_cast<const char *>(s.octets.data()), s.length);
}

QVector<ProcessDataCodec::ItemValue> ProcessDataRecording::valuesAt(int i) const
{
    return ProcessDataCodec::decode(m_layout, octetsAt(i));
}

int ProcessDataRecording::indexAtOrAfter(qint64 msecs) const
{
    int low = 0;
    int high = m_count;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (timeAt(mid) < msecs)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

double ProcessDataRecording::plotValue(const Channel &channel, const ProcessDataCodec::ItemValue &value)
{
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    if (!value.ok)
        return none;
    switch (channel.kind) {
    case Channel::Kind::Bit:
        return value.bit ? 1.0 : 0.0;
    case Channel::Kind::Number: {
        // raw is the unscaled value in decimal (a float as read), whether or
        // not an entry names it.
        bool ok = false;
        const double raw = value.raw.toDouble(&ok);
        const double shown = NumberText::displayValue(raw, channel.presentation);
        return ok && std::isfinite(shown) ? shown : none;
    }
    case Channel::Kind::Text:
        break;
    }
    return none;
}
