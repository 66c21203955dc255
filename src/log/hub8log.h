#ifndef HUB8LOG_H
#define HUB8LOG_H

#include <QLoggingCategory>

// One logging category per layer. Each line carries its category, so messages
// need no prefix of their own; switch a layer on or off with QT_LOGGING_RULES,
// e.g. "hub8.link.raw.debug=true" for hex dumps of every frame.
Q_DECLARE_LOGGING_CATEGORY(lcLink)        // hub8.link: the adapter link's own messages
Q_DECLARE_LOGGING_CATEGORY(lcLinkRaw)     // hub8.link.raw: frames and reports in hex (off by default)
Q_DECLARE_LOGGING_CATEGORY(lcDescription) // hub8.description: reading IODD files
Q_DECLARE_LOGGING_CATEGORY(lcParams)      // hub8.params: parameter reads and writes
Q_DECLARE_LOGGING_CATEGORY(lcProcdata)    // hub8.procdata: process-data polling and writes
Q_DECLARE_LOGGING_CATEGORY(lcViews)       // hub8.views: port pages, DI/DO, events, console
Q_DECLARE_LOGGING_CATEGORY(lcLibrary)     // hub8.library: the IODD library and its lookups
Q_DECLARE_LOGGING_CATEGORY(lcApp)         // hub8.app: the main window and start-up
Q_DECLARE_LOGGING_CATEGORY(lcMqtt)        // hub8.mqtt: the MQTT publisher and its broker connection
Q_DECLARE_LOGGING_CATEGORY(lcSim)         // hub8.sim: the virtual adapter's report log

#endif // HUB8LOG_H
