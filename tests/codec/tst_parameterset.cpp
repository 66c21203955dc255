// Parameter set files: what a saved set holds after reading it back, which
// files are refused, how a set compares with a device's values, and that a
// file the tool writes is whole or not written at all.

#include "codec/parameterset.h"
#include "codec/processdatacsv.h"
#include "codec/processdatarecording.h"
#include "testhelpers.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

ParameterSet::Entry entry(int index, int subindex, const QString &value, bool writable = true,
                          const QByteArray &raw = QByteArray())
{
    ParameterSet::Entry e;
    e.index = index;
    e.subindex = subindex;
    e.label = QStringLiteral("E%1").arg(index);
    e.raw = raw;
    e.value = value;
    e.writable = writable;
    return e;
}

// While it lives, this process may write files of at most `bytes` octets: a
// write beyond fails with EFBIG, as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN); // the write fails instead of ending the process
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }
    bool isSet() const { return m_set; }

private:
    rlimit m_old{};
    bool m_set = false;
};

} // namespace

class tst_parameterset : public QObject
{
    Q_OBJECT

private slots:
    void savedSetReadsBackAsItWasWritten()
    {
        ParameterSet::Set set;
        set.device = {1484, 101101, QStringLiteral("KTX-400A-M12"), QStringLiteral("a.xml"), QStringLiteral("V1.1")};
        set.entries = {entry(65535, 255, QStringLiteral("Übergabe “2”\\n"), true, QByteArray::fromHex("0c800bb8"))};
        const QByteArray json = ParameterSet::toJson(set);
        QVERIFY(json.contains("\"raw\": \"0c 80 0b b8\""));
        ParameterSet::Set back;
        QString why;
        QVERIFY2(ParameterSet::fromJson(json, &back, &why), qPrintable(why));
        const ParameterSet::Entry &e = back.entries.value(0);
        QCOMPARE(e.key() + e.label + e.value + e.raw.toHex(), QStringLiteral("65535:255E65535Übergabe “2”\\n0c800bb8"));
        QCOMPARE(ParameterSet::describe(back.device), QStringLiteral("KTX-400A-M12 (vendorId 1484, deviceId 101101)"));

        // The same device from another version of its description; an identity nobody knows matches nothing.
        back.device.productName = QStringLiteral("KTX-400A");
        back.device.ioddVersion = QStringLiteral("V2.0");
        QVERIFY(ParameterSet::sameDevice(back.device, set.device));
        QVERIFY(!ParameterSet::sameDevice(ParameterSet::Identity(), ParameterSet::Identity()));
    }

    void filesThatAreNoSetAreRefused_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("why");
        const QByteArray head = R"({"format": "vanto-hub8 parameter set", "version": 1,
                                    "device": {"vendorId": 77, "deviceId": 7701}, "entries": )";
        QTest::newRow("not JSON") << QByteArray("{\"format\": ") << "not JSON";
        QTest::newRow("another format") << QByteArray(R"({"format": "other", "entries": []})") << "not a parameter set";
        QTest::newRow("a later version") << QByteArray(
            R"({"format": "vanto-hub8 parameter set", "version": 2, "entries": []})")
                                         << "version 2";
        QTest::newRow("index too large") << head + R"([{"index": 65536, "subindex": 0, "label": "", "raw": "",
                                                        "value": ""}]})"
                                         << "entries[0]: index";
        QTest::newRow("odd hex") << head + R"([{"index": 1, "subindex": 0, "label": "", "raw": "0a 1",
                                                "value": ""}]})"
                                 << "raw";
        QTest::newRow("entry twice") << head + R"([{"index": 1, "subindex": 2, "label": "a", "raw": "", "value": ""},
                                                    {"index": 1, "subindex": 2, "label": "b", "raw": "", "value": ""}]})"
                                     << "entries[1]: 1:2 is listed twice";
        QTest::newRow("a key twice") << head + R"([{"index": 1, "subindex": 2, "label": "a", "raw": "", "value": "1",
                                                    "value": "2"}]})"
                                     << "entries.0.value: given twice";
    }
    void filesThatAreNoSetAreRefused()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, why);
        ParameterSet::Set set;
        set.entries = {entry(1, 1, QStringLiteral("kept"))};
        QString reason;
        QVERIFY(!ParameterSet::fromJson(json, &set, &reason));
        QVERIFY2(reason.contains(why), qPrintable(reason));
        QCOMPARE(set.entries.size(), 1); // a refused file changes nothing
    }

    // A write that fails part way (a full disk) leaves the old file as it was and says why.
    void failedWriteKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString setPath = dir.filePath("device.json"), csvPath = dir.filePath("trend.csv");
        const QByteArray old = "the old file\n";
        QVERIFY(TestHelpers::writeFile(setPath, old) && TestHelpers::writeFile(csvPath, old));
        ParameterSet::Set set;
        set.device = {1484, 101101, QStringLiteral("KTX-400A-M12"), QStringLiteral("a.xml"), QStringLiteral("V1.1")};
        for (int i = 0; i < 100; ++i)
            set.entries << entry(64 + i, 0, QString(20, QChar('x')));
        ProcessDataRecording recording(ProcessDataCodec::Layout(), QStringLiteral("PD"));
        for (int i = 0; i < 200; ++i)
            recording.append(i, QByteArray(4, char(i)));

        QString setError, csvError;
        bool setWritten = true, csvWritten = true;
        {
            const FileSizeLimit limit(1000);
            QVERIFY(limit.isSet());
            setWritten = ParameterSet::writeFile(setPath, set, &setError);
            csvWritten = ProcessDataCsv::writeFile(recording, csvPath, &csvError);
        }
        QVERIFY(!setWritten && setError.startsWith("device.json: "));
        QVERIFY(!csvWritten && !csvError.isEmpty());
        QCOMPARE(TestHelpers::readFile(setPath), old);
        QCOMPARE(TestHelpers::readFile(csvPath), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no temporary file left

        // With room, both are replaced whole.
        QVERIFY(ParameterSet::writeFile(setPath, set, &setError));
        QVERIFY(ProcessDataCsv::writeFile(recording, csvPath, &csvError));
        QCOMPARE(TestHelpers::readFile(setPath), ParameterSet::toJson(set));
        QCOMPARE(TestHelpers::readFile(csvPath).count('\n'), 201);
    }

    void comparisonRows()
    {
        ParameterSet::Set file;
        file.entries = {entry(100, 1, "5"), entry(100, 2, "7"), entry(103, 0, "7"), entry(64, 0, "abc"),
                        entry(200, 0, "1")};
        // The device lists 103 read-only; it holds nothing for 200.
        const QVector<ParameterSet::Entry> device{entry(64, 0, "abd"), entry(100, 2, "9"), entry(100, 1, "5"),
                                                  entry(103, 0, "8", false)};
        const ParameterSet::Comparison c = ParameterSet::compare(file, device);
        QStringList rows;
        for (const ParameterSet::Row &r : c.rows)
            rows << QStringLiteral("%1 %2 %3%4")
                        .arg(r.file.key(), r.device.value)
                        .arg(int(r.state))
                        .arg(r.proposed() ? QStringLiteral(" proposed") : QString());
        QCOMPARE(rows,
                 (QStringList{"100:1 5 0", "100:2 9 1 proposed", "103:0 8 1", "64:0 abd 1 proposed", "200:0  2"}));
        QCOMPARE(QVector<int>({c.same, c.different, c.onlyInFile}), QVector<int>({1, 3, 1}));
    }
};

QTEST_MAIN(tst_parameterset)
#include "tst_parameterset.moc"
