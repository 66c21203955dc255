#include "processdatacsv.h"

#include "processdatarecording.h"

#include "log/wholefile.h"

#include <QDateTime>
#include <QIODevice>
#include <QSaveFile>

namespace ProcessDataCsv {

namespace {

QByteArray field(const QString &text)
{
    QByteArray f = text.toUtf8();
    if (f.contains(',') || f.contains('"') || f.contains('\n') || f.contains('\r'))
        f = '"' + f.replace('"', "\"\"") + '"';
    return f;
}

} // namespace

QString timeText(qint64 msecsSinceEpoch)
{
    const int offset = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).offsetFromUtc();
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::OffsetFromUTC, offset).toString(Qt::ISODateWithMs);
}

QByteArray headerLine(const ProcessDataRecording &recording)
{
    QByteArray line = "time,octets";
    for (const ProcessDataRecording::Channel &c : recording.channels())
        line += ',' + field(c.title());
    return line + "\r\n";
}

QByteArray rowLine(const ProcessDataRecording &recording, int i)
{
    QByteArray line = timeText(recording.timeAt(i)).toLatin1() + ',' + recording.octetsAt(i).toHex(' ');
    const QVector<ProcessDataCodec::ItemValue> values = recording.valuesAt(i);
    for (const ProcessDataRecording::Channel &c : recording.channels()) {
        line += ',';
        if (c.field < values.size() && values.at(c.field).ok)
            line += field(values.at(c.field).text);
    }
    return line + "\r\n";
}

bool write(const ProcessDataRecording &recording, QIODevice *out)
{
    if (out->write(headerLine(recording)) < 0)
        return false;
    for (int i = 0; i < recording.size(); ++i) {
        if (out->write(rowLine(recording, i)) < 0)
            return false;
    }
    return true;
}

bool writeFile(const ProcessDataRecording &recording, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!write(recording, &file)) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return WholeFile::commit(file, error);
}

} // namespace ProcessDataCsv
