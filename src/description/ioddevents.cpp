#include "ioddevents.h"

#include <QDomElement>

namespace {

bool inEventCollection(const QDomElement &e)
{
    return e.parentNode().nodeName() == QLatin1String("EventCollection");
}

} // namespace

namespace IoddEvents {

QList<eventItem> read(IoddIndex &index, const std::function<QString(const QString &)> &text)
{
    QList<eventItem> events;
    for (const QDomElement &e : index.elements(QStringLiteral("Event"))) {
        if (!inEventCollection(e))
            continue;
        eventItem event;
        event.code = e.attribute(QStringLiteral("code"));
        event.type = e.attribute(QStringLiteral("type"));
        event.name = text(e.firstChildElement(QStringLiteral("Name")).attribute(QStringLiteral("textId")));
        event.description =
            text(e.firstChildElement(QStringLiteral("Description")).attribute(QStringLiteral("textId")));
        events.append(event);
    }
    return events;
}

QStringList standardRefs(IoddIndex &index)
{
    QStringList codes;
    for (const QDomElement &e : index.elements(QStringLiteral("StdEventRef"))) {
        if (inEventCollection(e))
            codes.append(e.attribute(QStringLiteral("code")));
    }
    return codes;
}

const eventItem *find(const QList<eventItem> &events, quint16 code)
{
    for (const eventItem &e : events) {
        bool ok = false;
        const uint c = e.code.trimmed().toUInt(&ok);
        if (ok && c == code)
            return &e;
    }
    return nullptr;
}

} // namespace IoddEvents
