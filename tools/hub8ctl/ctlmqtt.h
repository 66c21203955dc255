#ifndef CTLMQTT_H
#define CTLMQTT_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs "mqtt" with the arguments after the command's name until SIGINT or
// SIGTERM; returns the exit status (CtlExit). Its summary goes to *output.
int runMqtt(const QString &program, const QStringList &args, QByteArray *output);

#endif // CTLMQTT_H
