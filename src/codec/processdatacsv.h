#ifndef PROCESSDATACSV_H
#define PROCESSDATACSV_H

// A process-data recording as a CSV file (Qt Core only): UTF-8, comma
// separated, CRLF line ends, fields quoted where they hold a comma, a quote
// or a line break. The header row is "time", "octets" and every item's name
// with its unit ("Pressure [bar]"); then one row per poll, oldest first: the
// local time in ISO 8601 with milliseconds and the UTC offset, the process
// data octets in hex ("06 67 00 02"), and every item's value as the page
// shows it without the unit (an entry's name where one matches, empty where
// the read did not reach the item).

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QIODevice;
class ProcessDataRecording;

namespace ProcessDataCsv {

QByteArray headerLine(const ProcessDataRecording &recording);
// Row i of the recording, 0 the oldest.
QByteArray rowLine(const ProcessDataRecording &recording, int i);
// 2026-12-06T08:45:28.123+01:00
QString timeText(qint64 msecsSinceEpoch);

// The header and every row; false when the device refuses a write.
bool write(const ProcessDataRecording &recording, QIODevice *out);
// The same into a file, replaced as a whole only when every row was written;
// *error says why not.
bool writeFile(const ProcessDataRecording &recording, const QString &path, QString *error);

} // namespace ProcessDataCsv

#endif // PROCESSDATACSV_H
