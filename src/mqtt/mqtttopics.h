#ifndef MQTTTOPICS_H
#define MQTTTOPICS_H

// The topic tree of the publisher (docs/mqtt.md). Every topic lies below a
// root of the prefix and the adapter's id: "vanto-hub8/VH8-24-000417".

#include <QString>

namespace MqttTopics {

// "prefix/adapterId"; characters MQTT gives a meaning in topics ('/', '+',
// '#') and control characters in the id become '_', so that one adapter is
// always one level of the tree.
QString root(const QString &prefix, const QString &adapterId);

// The publisher's own state: retained, and its last will.
QString publisherState(const QString &root);
// The adapter: on USB and answering, or not.
QString adapterState(const QString &root);
// Port 0..7 is "port1".."port8" in the tree.
QString portState(const QString &root, int port);
QString deviceIdentification(const QString &root, int port);
QString processDataIn(const QString &root, int port);
QString processDataOut(const QString &root, int port);
QString deviceEvents(const QString &root, int port);
// Writes from the broker (only with writes allowed) and their replies.
QString parameterWrite(const QString &root, int port);
QString processDataOutWrite(const QString &root, int port);
QString writeReply(const QString &root, int port);
// The filters that take the writes of every port.
QString parameterWriteFilter(const QString &root);
QString processDataOutWriteFilter(const QString &root);
// The last levels of the write topics below a port, for portOf().
extern const char parameterWriteTail[];
extern const char processDataOutWriteTail[];

// Port 0..7 of a topic below `root` with the last levels `tail`
// ("processdata/out/set"); -1 when the topic is not such a one.
int portOf(const QString &root, const QString &topic, const QString &tail);

} // namespace MqttTopics

#endif // MQTTTOPICS_H
