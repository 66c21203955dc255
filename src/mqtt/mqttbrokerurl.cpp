#include "mqttbrokerurl.h"

#include <QUrl>

std::optional<MqttBrokerAddress> parseMqttBrokerUrl(const QString &text, QString *why)
{
    const QUrl url(text, QUrl::StrictMode);
    MqttBrokerAddress address;
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts"))) {
        *why = QStringLiteral("expected mqtt://HOST[:PORT] or mqtts://HOST[:PORT]");
        return std::nullopt;
    }
    address.tls = scheme == QLatin1String("mqtts");
    address.host = url.host();
    if (address.host.isEmpty()) {
        *why = QStringLiteral("no host");
        return std::nullopt;
    }
    if (!url.userInfo().isEmpty()) {
        *why = QStringLiteral("credentials do not belong in the URL (--credentials FILE)");
        return std::nullopt;
    }
    if (!url.path().isEmpty() && url.path() != QLatin1String("/")) {
        *why = QStringLiteral("no path expected");
        return std::nullopt;
    }
    if (url.hasQuery() || url.hasFragment()) {
        *why = QStringLiteral("no query or fragment expected");
        return std::nullopt;
    }
    address.port = url.port(address.tls ? 8883 : 1883);
    if (address.port < 1) {
        *why = QStringLiteral("port 1..65535 expected");
        return std::nullopt;
    }
    return address;
}

MqttConnection brokerConnection(const MqttBrokerAddress &address, const QString &caFile, const QString &certFile,
                                const QString &keyFile)
{
    MqttConnection c;
    c.host = address.host;
    c.port = address.port;
    if (address.tls) {
        c.caFile = caFile;
        if (caFile.isEmpty())
            c.caPath = QStringLiteral("/etc/ssl/certs");
        c.certFile = certFile;
        c.keyFile = keyFile;
    }
    return c;
}
