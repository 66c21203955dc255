#ifndef LINKLOG_H
#define LINKLOG_H

#include <QLoggingCategory>

// hub8.link: the tool's own messages about the adapter link (on by default).
// hub8.link.raw: frames and reports as hex dumps; off unless asked for with
// QT_LOGGING_RULES="hub8.link.raw.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcLinkRaw)

#endif // LINKLOG_H
