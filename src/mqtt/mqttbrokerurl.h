#ifndef MQTTBROKERURL_H
#define MQTTBROKERURL_H

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

#endif // MQTTBROKERURL_H
