#ifndef CTLMQTT_H
#define CTLMQTT_H

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The options of "hub8ctl mqtt" that say how to reach the broker.
struct CtlBrokerAddress
{
    bool tls = false;
    QString host;
    int port = 1883;
};

// "mqtt://HOST[:PORT]" or "mqtts://HOST[:PORT]" (ports 1883 and 8883 unless
// given); nothing else: no path, no query, no credentials. Empty with the
// reason in *why when the text is not such a URL.
std::optional<CtlBrokerAddress> parseBrokerUrl(const QString &text, QString *why);

// Runs "mqtt" with the arguments after the command's name until SIGINT or
// SIGTERM; returns the exit status (CtlExit). Its summary goes to *output.
int runMqtt(const QString &program, const QStringList &args, QByteArray *output);

#endif // CTLMQTT_H
