#include "mqtttopics.h"

#include "protocol/adapterregisters.h"

namespace MqttTopics {

namespace {

QString portRoot(const QString &root, int port)
{
    return root + QStringLiteral("/port%1").arg(port + 1);
}

} // namespace

QString root(const QString &prefix, const QString &adapterId)
{
    QString id = adapterId;
    for (QChar &c : id) {
        if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#') || c.unicode() < 0x20
            || c.unicode() == 0x7f)
            c = QLatin1Char('_');
    }
    if (id.isEmpty())
        id = QStringLiteral("_");
    return prefix.isEmpty() ? id : prefix + QLatin1Char('/') + id;
}

QString publisherState(const QString &root)
{
    return root + QStringLiteral("/publisher/state");
}

QString adapterState(const QString &root)
{
    return root + QStringLiteral("/adapter/state");
}

QString portState(const QString &root, int port)
{
    return portRoot(root, port) + QStringLiteral("/state");
}

QString deviceIdentification(const QString &root, int port)
{
    return portRoot(root, port) + QStringLiteral("/device/identification");
}

QString processDataIn(const QString &root, int port)
{
    return portRoot(root, port) + QStringLiteral("/device/processdata/in");
}

QString processDataOut(const QString &root, int port)
{
    return portRoot(root, port) + QStringLiteral("/device/processdata/out");
}

QString deviceEvents(const QString &root, int port)
{
    return portRoot(root, port) + QStringLiteral("/device/events");
}

const char parameterWriteTail[] = "device/parameter/set";
const char processDataOutWriteTail[] = "device/processdata/out/set";

QString parameterWrite(const QString &root, int port)
{
    return portRoot(root, port) + QLatin1Char('/') + QLatin1String(parameterWriteTail);
}

QString processDataOutWrite(const QString &root, int port)
{
    return portRoot(root, port) + QLatin1Char('/') + QLatin1String(processDataOutWriteTail);
}

QString writeReply(const QString &root, int port)
{
    return portRoot(root, port) + QStringLiteral("/device/reply");
}

QString parameterWriteFilter(const QString &root)
{
    return root + QStringLiteral("/+/") + QLatin1String(parameterWriteTail);
}

QString processDataOutWriteFilter(const QString &root)
{
    return root + QStringLiteral("/+/") + QLatin1String(processDataOutWriteTail);
}

int portOf(const QString &root, const QString &topic, const QString &tail)
{
    const QString head = root + QStringLiteral("/port");
    if (!topic.startsWith(head) || !topic.endsWith(QLatin1Char('/') + tail))
        return -1;
    const QString number = topic.mid(head.size(), topic.size() - head.size() - tail.size() - 1);
    bool ok = false;
    const int n = number.toInt(&ok);
    return ok && number.size() == 1 && n >= 1 && n <= AdapterRegisters::portCount ? n - 1 : -1;
}

} // namespace MqttTopics
