#ifndef LINKTRACEFILE_H
#define LINKTRACEFILE_H

#include <QString>
#include <QtGlobal>

// Copies the link's messages (hub8.link, and the hex dump of every report on
// hub8.link.raw) with timestamps into a file a user can send to support.
// While it is open both categories are on; lines of a category that was off
// before go to the file only, so the console stays as it was. Every message
// also goes on to the handler installed before. One trace file at a time.
// Polling writes some 9 MB an hour: past `maxBytes` the file is renamed to
// "<path>.1" (replacing the one before) and a new one begun, so a trace
// never holds more than twice that.
class LinkTraceFile
{
    Q_DISABLE_COPY(LinkTraceFile)

public:
    LinkTraceFile() = default;
    // Closes the file and puts the previous handler and category filter back.
    ~LinkTraceFile();

    // Creates (or empties) the file and starts the trace; false with the
    // reason when the file cannot be written or another trace is running.
    static constexpr qint64 defaultMaxBytes = 8 * 1024 * 1024;
    bool open(const QString &path, QString *error = nullptr, qint64 maxBytes = defaultMaxBytes);
    bool isOpen() const { return m_open; }

private:
    bool m_open = false;
};

#endif // LINKTRACEFILE_H
