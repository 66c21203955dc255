#ifndef IODDEVENTS_H
#define IODDEVENTS_H

// The EventCollection of a parsed IODD-family document (a device description
// or the standard definitions): the events a device may report and their texts.

#include "ioddindex.h"
#include "ioddrecords.h"

#include <QList>
#include <QString>

#include <functional>

namespace IoddEvents {

// The Event children of every EventCollection in document order; `text`
// turns a textId into its English text.
QList<EventItem> read(IoddIndex &index, const std::function<QString(const QString &)> &text);
// The codes of the StdEventRef children of every EventCollection, as written.
QStringList standardRefs(IoddIndex &index);
// The first event of `events` with this code; null when there is none.
const EventItem *find(const QList<EventItem> &events, quint16 code);

} // namespace IoddEvents

#endif // IODDEVENTS_H
