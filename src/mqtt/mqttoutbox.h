#ifndef MQTTOUTBOX_H
#define MQTTOUTBOX_H

#include <QByteArray>
#include <QList>
#include <QString>

struct MqttMessage
{
    QString topic;
    QByteArray payload;
    int qos = 1;
    bool retain = false;
};

// The QoS 1 messages made while the broker is away, sent in order once it is
// back. It holds at most `capacity` messages: a retained message replaces a
// held retained message of its topic (the broker keeps only the last one
// anyway); when it is full, the oldest message is dropped and counted.
class MqttOutbox
{
public:
    explicit MqttOutbox(int capacity) : m_capacity(qMax(1, capacity)) {}

    void push(const MqttMessage &message);
    const MqttMessage &first() const { return m_messages.first(); }
    MqttMessage takeFirst() { return m_messages.takeFirst(); }

    bool isEmpty() const { return m_messages.isEmpty(); }
    int size() const { return int(m_messages.size()); }
    int capacity() const { return m_capacity; }
    // Messages dropped since the start because the outbox was full.
    qint64 dropped() const { return m_dropped; }

private:
    int m_capacity;
    QList<MqttMessage> m_messages;
    qint64 m_dropped = 0;
};

#endif // MQTTOUTBOX_H
