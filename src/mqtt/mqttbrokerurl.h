#ifndef MQTTBROKERURL_H
#define MQTTBROKERURL_H

#include "mqttclient.h"

#include <QString>

#include <optional>

// Where a broker is, as "mqtt://HOST[:PORT]" or "mqtts://HOST[:PORT]" says.
struct MqttBrokerAddress
{
    bool tls = false;
    QString host;
    int port = 1883;
};

// "mqtt://HOST[:PORT]" or "mqtts://HOST[:PORT]" (ports 1883 and 8883 unless
// given); nothing else: no path, no query, no credentials. Empty with the
// reason in *why when the text is not such a URL.
std::optional<MqttBrokerAddress> parseMqttBrokerUrl(const QString &text, QString *why);

// The connection to that broker; for mqtts:// with TLS, checked against
// caFile (else the system's CAs), with a client certificate when given.
MqttConnection brokerConnection(const MqttBrokerAddress &address, const QString &caFile, const QString &certFile,
                                const QString &keyFile);

#endif // MQTTBROKERURL_H
