#include "ioddevents.h"

#include <QDomElement>

namespace {

bool inEventCollection(const QDomElement &e)
{
    return e.parentNode().nodeName() == QLatin1String("EventCollection");
}

} // namespace

namespace IoddEvents {

QList<EventItem> read(IoddIndex &index, const std::function<QString(const QString &)> &text)
{
    QList<EventItem> events;
    for (const QDomElement &e : index.elements(QStringLiteral("Event"))) {
        if (!inEventCollection(e))
            continue;
        EventItem event;
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

const EventItem *find(const QList<EventItem> &events, quint16 code)
{
    for (const EventItem &e : events) {
        bool ok = false;
        const uint c = e.code.trimmed().toUInt(&ok);
        if (ok && c == code)
            return &e;
    }
    return nullptr;
}

} // namespace IoddEvents
