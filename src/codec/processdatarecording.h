#ifndef PROCESSDATARECORDING_H
#define PROCESSDATARECORDING_H

// The input process data of one port over time, as the "In port" page reads
// it (Qt Core only). Every poll is kept as its time and its process-data
// octets; values are decoded from the octets when asked for, so a sample
// costs 48 bytes whatever the layout. The recording grows as polls come and
// is then a ring: when it is full the oldest sample makes room for the newest.

#include "numbertext.h"
#include "processdatacodec.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <array>
#include <vector>

class ProcessDataRecording
{
public:
    // Eight hours of polls at 300 ms: about 4.6 MB.
    static constexpr int defaultCapacity = 8 * 3600 * 1000 / 300;

    // One item of the process data as the trend and the CSV file name it.
    struct Channel
    {
        enum class Kind {
            Number, // IntegerT, UIntegerT, Float32T: a line in display units
            Bit,    // BooleanT and one-bit items: a step line 0/1
            Text,   // strings, octet strings, times: only in the CSV file
        };
        int field = 0; // index into the layout's fields
        QString name;
        QString unit;
        Kind kind = Kind::Text;
        NumberText::Presentation presentation;

        // "name [unit]", or the name alone.
        QString title() const;
    };

    ProcessDataRecording() = default;
    // `wholeName` names the item when the process data is one simple type.
    ProcessDataRecording(const ProcessDataCodec::Layout &layout, const QString &wholeName,
                         int capacity = defaultCapacity);

    const ProcessDataCodec::Layout &layout() const { return m_layout; }
    const QVector<Channel> &channels() const { return m_channels; }
    int capacity() const { return m_capacity; }

    // One read of the input window (whole registers, as decode() takes them).
    void append(qint64 msecsSinceEpoch, const QByteArray &registers);

    int size() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    // Samples the bound has dropped since the recording started.
    qint64 dropped() const { return m_dropped; }

    // Sample i, 0 the oldest kept.
    qint64 timeAt(int i) const { return sample(i).msecs; }
    QByteArray octetsAt(int i) const;
    QVector<ProcessDataCodec::ItemValue> valuesAt(int i) const;

    // The first sample at or after `msecs` (size() when none).
    int indexAtOrAfter(qint64 msecs) const;

    // What the trend draws for a channel's value: display units for a
    // number, 0 or 1 for a bit; NaN when there is nothing to draw.
    static double plotValue(const Channel &channel, const ProcessDataCodec::ItemValue &value);

private:
    struct Sample
    {
        qint64 msecs = 0;
        quint8 length = 0;
        std::array<quint8, ProcessDataCodec::maxOctets> octets{};
    };

    const Sample &sample(int i) const { return m_ring[size_t((m_first + i) % m_count)]; }

    ProcessDataCodec::Layout m_layout;
    QVector<Channel> m_channels;
    std::vector<Sample> m_ring;
    int m_capacity = 0;
    int m_first = 0; // the oldest sample once the ring is full
    int m_count = 0;
    qint64 m_dropped = 0;
};

#endif // PROCESSDATARECORDING_H
