// The recording behind the trend and its CSV file: what each item becomes,
// the bound on the samples kept, and the file's rows worked out by hand.

#include "codec/processdatacsv.h"
#include "codec/processdatarecording.h"
#include "testhelpers.h"

#include <QBuffer>
#include <QDateTime>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using TestHelpers::hex;
using Kind = ProcessDataRecording::Channel::Kind;

namespace {

ValueItem item(const char *label, const char *type, int offset, const char *bits, const char *gradient = "",
               const char *unit = "")
{
    ValueItem v;
    v.label = label;
    v.editor.typeName = type;
    v.editor.bitOffset = QString::number(offset);
    v.editor.bitLength = bits;
    v.gradient = gradient;
    v.unit = unit;
    return v;
}

TreeItem pdNode(const QString &bits, const QList<ValueItem> &values)
{
    TreeItem n;
    n.text = bits;
    n.name = "PD";
    n.values = values;
    return n;
}

// 32 bits: a temperature in 0.1 °C at bit 16, a status with a named value at
// 8, a switching output at 1 and a one-bit unsigned at 0.
ProcessDataCodec::Layout sensor()
{
    ValueItem status = item("Status, raw", "UIntegerT", 8, "8");
    status.editor.entries = {{"ok", "52"}};
    return ProcessDataCodec::layoutOf(pdNode("32",
                                             {item("Temperature", "IntegerT", 16, "16", "0.1", "°C"), status,
                                              item("OUT1", "BooleanT", 1, ""), item("Ready", "UIntegerT", 0, "1")}));
}

QList<QByteArray> csvLines(const ProcessDataRecording &r)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!ProcessDataCsv::write(r, &buffer))
        return {};
    QList<QByteArray> lines = buffer.data().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r'))
            return {}; // every line ends with CRLF
        line.chop(1);
    }
    return lines;
}

} // namespace

class tst_processdatarecording : public QObject
{
    Q_OBJECT

private slots:
    void channelsAndPlotValues()
    {
        ProcessDataRecording r(sensor(), "PD");
        QStringList titles;
        QList<Kind> kinds;
        for (const ProcessDataRecording::Channel &c : r.channels()) {
            titles << c.title();
            kinds << c.kind;
        }
        QCOMPARE(titles, (QStringList{"Temperature [°C]", "Status, raw", "OUT1", "Ready"}));
        QCOMPARE(kinds, (QList<Kind>{Kind::Number, Kind::Number, Kind::Bit, Kind::Bit}));

        // fe 0c = -500 x 0.1 °C; 0x34 = 52 is the entry "ok" but is drawn as 52; bits 1 and 0.
        r.append(1000, hex("fe 0c 34 02"));
        const QVector<ProcessDataCodec::ItemValue> v = r.valuesAt(0);
        QList<double> plotted;
        for (const ProcessDataRecording::Channel &c : r.channels())
            plotted << ProcessDataRecording::plotValue(c, v.at(c.field));
        QCOMPARE(plotted, (QList<double>{-50.0, 52.0, 1.0, 0.0}));

        // A short read reaches only the low octets: nothing to draw for the temperature.
        r.append(1300, hex("34"));
        QVERIFY(std::isnan(ProcessDataRecording::plotValue(r.channels().at(0), r.valuesAt(1).at(0))));

        // Strings are only written (a lone item taking the data's name: tst_processtrend).
        ProcessDataRecording text(ProcessDataCodec::layoutOf(pdNode("32", {item("Code", "StringT", 0, "32")})), "PD");
        QCOMPARE(text.channels().at(0).kind, Kind::Text);
    }

    void boundKeepsTheNewest()
    {
        ProcessDataRecording r(sensor(), "PD", 3);
        for (int i = 0; i < 5; ++i)
            r.append(1000 + 300 * i, QByteArray(4, char(i)));
        QCOMPARE(r.size(), 3);
        QCOMPARE(r.dropped(), qint64(2));
        QCOMPARE(QList<qint64>({r.timeAt(0), r.timeAt(1), r.timeAt(2)}), (QList<qint64>{1600, 1900, 2200}));
        QCOMPARE(r.octetsAt(0), QByteArray(4, char(2)));
        QCOMPARE(r.octetsAt(2), QByteArray(4, char(4)));
        QCOMPARE(r.indexAtOrAfter(0), 0);
        QCOMPARE(r.indexAtOrAfter(1601), 1);
        QCOMPARE(r.indexAtOrAfter(1900), 1);
        QCOMPARE(r.indexAtOrAfter(2201), 3);
    }

    void csvRows()
    {
        ProcessDataRecording r(sensor(), "PD");
        const qint64 t0 = QDateTime(QDate(2026, 12, 6), QTime(8, 45, 28, 123)).toMSecsSinceEpoch();
        r.append(t0, hex("06 67 34 03"));
        r.append(t0 + 300, hex("fe 0c 07 00"));
        r.append(t0 + 600, hex("34")); // a short read

        const QList<QByteArray> lines = csvLines(r);
        QCOMPARE(lines.size(), 4); // header and one row per poll
        QCOMPARE(lines.at(0), QByteArray("time,octets,Temperature [°C],\"Status, raw\",OUT1,Ready"));

        QCOMPARE(lines.at(1).split(',').mid(1), (QList<QByteArray>{"06 67 34 03", "163.9", "ok", "true", "1"}));
        QCOMPARE(lines.at(2).split(',').mid(1), (QList<QByteArray>{"fe 0c 07 00", "-50.0", "7", "false", "0"}));
        QCOMPARE(lines.at(3).split(',').mid(1), (QList<QByteArray>{"34", "", "", "false", "0"}));

        // Local time with milliseconds and the offset from UTC, read back to the same instant.
        const QRegularExpression iso("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d)$");
        for (int i = 1; i < lines.size(); ++i) {
            const QString time = QString::fromLatin1(lines.at(i).split(',').at(0));
            QVERIFY2(iso.match(time).hasMatch(), qPrintable(time));
            QCOMPARE(QDateTime::fromString(time, Qt::ISODateWithMs).toMSecsSinceEpoch(), t0 + 300 * (i - 1));
        }
    }

    void oddOctetCountsAndFiles()
    {
        // A 24-bit input is read as two registers: the spare octet is not process data.
        ProcessDataRecording r(ProcessDataCodec::layoutOf(pdNode("24", {item("Level", "UIntegerT", 0, "24")})), "PD");
        r.append(0, hex("01 02 03 ee"));
        QCOMPARE(csvLines(r).at(1).split(',').mid(1), (QList<QByteArray>{"01 02 03", "66051"}));

        QTemporaryDir dir;
        const QString path = dir.filePath("run.csv");
        QString error;
        QVERIFY(ProcessDataCsv::writeFile(r, path, &error));
        QCOMPARE(TestHelpers::readFile(path).count('\n'), 2);
        QVERIFY(!ProcessDataCsv::writeFile(r, dir.filePath("missing/run.csv"), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(tst_processdatarecording)
#include "tst_processdatarecording.moc"
