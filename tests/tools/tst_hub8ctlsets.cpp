// hub8ctl's parameter sets on the virtual adapter: backup, diff and restore in
// one round (a set of another device refused).

#include "codec/parameterset.h"
#include "ctlrun.h"
#include "defaultsetup.h"
#include "iodddevice.h"
#include "log/writejournal.h"
#include "scenario.h"
#include "testhelpers.h"
#include "virtualadapter.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

using namespace CtlRun;

namespace {

// "index:subindex" of every object in a JSON list.
QStringList keysOf(const QJsonValue &list)
{
    QStringList keys;
    for (const QJsonValue &v : list.toArray())
        keys << QStringLiteral("%1:%2")
                    .arg(v[QStringLiteral("index")].toInt())
                    .arg(v[QStringLiteral("subindex")].toInt());
    return keys;
}

} // namespace

class tst_hub8ctlsets : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_iodd = TestHelpers::builtinDescriptionPath();

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        WriteJournal::setPath(m_dir.filePath("journal.jsonl"));
    }

    void backupDiffRestore()
    {
        applyDefaultSetup(VirtualAdapter::instance());
        VirtualAdapter::instance().faults().isduLatencyMs = 0;
        const Result backup = runHere({"backup", "Port2", "--iodd", m_iodd});
        QCOMPARE(backup.status, 0);
        ParameterSet::Set saved;
        QString why;
        QVERIFY2(ParameterSet::fromJson(backup.out, &saved, &why), qPrintable(why));
        QCOMPARE(ParameterSet::describe(saved.device), QStringLiteral("KTX-400A-M12 (vendorId 1484, deviceId 101101)"));
        QVERIFY(saved.entries.size() > 20);
        const QString path = TestHelpers::writtenIn(m_dir, "ktx.json", backup.out);

        // Damping, and one item of the switch-point record.
        QCOMPARE(runHere({"set", "2", "--iodd", m_iodd, "66", "1234"}).status, 0);
        QCOMPARE(runHere({"set", "2", "--iodd", m_iodd, "64:1", "222"}).status, 0);
        const Result diff = runHere({"diff", "2", path, "--iodd", m_iodd});
        QCOMPARE(diff.status, 0);
        // Settings that differ, and live values (read-only) that move on their own.
        QStringList settings, live;
        for (const QJsonValue &v : diff.json().value("different").toArray())
            (v[QStringLiteral("writable")].toBool() ? settings : live) << keysOf(QJsonArray{v});
        QCOMPARE(settings, (QStringList{"64:1", "66:0"}));
        QCOMPARE(diff.json().value("same").toInt() + live.size(), saved.entries.size() - 2);
        QVERIFY(diff.json().value("onlyInFile").toArray().isEmpty());
        const QJsonObject damping = diff.json().value("different").toArray().at(1).toObject();
        QCOMPARE(damping.value("device").toString(), QStringLiteral("1234"));

        const Result restore = runHere({"restore", "Port2", path, "--iodd", m_iodd});
        QCOMPARE(restore.status, 0);
        const QJsonArray written = restore.json().value("written").toArray();
        QCOMPARE(keysOf(written), (QStringList{"64:0", "66:0"})); // the record goes whole
        QCOMPARE(written.at(0)[QStringLiteral("labels")].toArray().size(), 1);
        QCOMPARE(written.at(1)[QStringLiteral("status")].toString(), QStringLiteral("0x00"));
        // Read again afterwards, the device differs from the file in live values only.
        for (const QJsonValue &v : restore.json().value("after").toObject().value("different").toArray())
            QVERIFY(!v[QStringLiteral("writable")].toBool());

        // A hand-edited set: a value the description does not allow is left out (and the restore
        // did not succeed); a lock goes after the other writes, so that it cannot refuse them.
        const QMap<QString, QString> edits{{"12:1", "Locked"}, {"64:1", "9999"}, {"66:0", "70"}};
        for (ParameterSet::Entry &e : saved.entries)
            e.value = edits.value(e.key(), e.value);
        const Result edited =
            runHere({"restore", "2", TestHelpers::writtenIn(m_dir, "edited.json", ParameterSet::toJson(saved)),
                     "--iodd", m_iodd});
        QCOMPARE(edited.status, 1);
        QCOMPARE(keysOf(edited.json().value("written")), (QStringList{"66:0", "12:0"}));
        QVERIFY(keysOf(edited.json().value("skipped")).contains("64:1"));

        // A set of another device is refused before anything is read or written.
        saved.device.deviceId = 5;
        const QString other = TestHelpers::writtenIn(m_dir, "other.json", ParameterSet::toJson(saved));
        VirtualAdapter::instance().clearLog();
        for (const char *command : {"diff", "restore"}) {
            const Result r = runHere({command, "Port2", other, "--iodd", m_iodd});
            QCOMPARE(r.status, 2);
            QVERIFY(r.out.isEmpty());
        }
        QVERIFY(VirtualAdapter::instance().log().isEmpty());
    }

    // diff names an entry as the description does, whatever label a (hand-edited) file gives it.
    void diffLabelsFromTheDescription()
    {
        applyDefaultSetup(VirtualAdapter::instance());
        VirtualAdapter::instance().faults().isduLatencyMs = 0;
        const Result backup = runHere({"backup", "Port2", "--iodd", m_iodd});
        ParameterSet::Set saved;
        QString why;
        QVERIFY2(ParameterSet::fromJson(backup.out, &saved, &why), qPrintable(why));
        for (ParameterSet::Entry &e : saved.entries) {
            e.label = QStringLiteral("from the file");
            if (e.key() == "66:0")
                e.value = QStringLiteral("77");
        }
        const QString path = TestHelpers::writtenIn(m_dir, "relabelled.json", ParameterSet::toJson(saved));
        const Result diff = runHere({"diff", "Port2", path, "--iodd", m_iodd});
        QCOMPARE(diff.status, 0);
        QStringList labels;
        for (const QJsonValue &v : diff.json().value("different").toArray())
            if (v[QStringLiteral("writable")].toBool())
                labels << v[QStringLiteral("label")].toString();
        QCOMPARE(labels, QStringList{"Damping"});
    }

    // set and restore write only to the device the description is for: another vendor's device, a DI
    // port and a port that is off are refused with status 1 and nothing is written; --force writes anyway.
    void writesGoOnlyToTheDescribedDevice()
    {
        applyDefaultSetup(VirtualAdapter::instance());
        VirtualAdapter::instance().faults().isduLatencyMs = 0;
        const Result backup = runHere({"backup", "Port2", "--iodd", m_iodd});
        QCOMPARE(backup.status, 0);
        const QString path = TestHelpers::writtenIn(m_dir, "port2.json", backup.out);
        const auto isduWrites = [] {
            int n = 0;
            for (const VirtualAdapter::Exchange &x : VirtualAdapter::instance().log())
                n += x.request.mid(2, 3) == QByteArray::fromHex("103500") && quint8(x.request.at(8)) == 0x02;
            return n;
        };
        for (const char *port : {"Port1", "Port3", "Port7"}) {
            VirtualAdapter::instance().clearLog();
            QCOMPARE(runHere({"restore", port, path, "--iodd", m_iodd}).status, 1);
            QCOMPARE(runHere({"set", port, "--iodd", m_iodd, "66", "60"}).status, 1);
            QCOMPARE(isduWrites(), 0);
        }
        const Result other = runSim({"set", "Port1", "--iodd", m_iodd, "24", "x"});
        QCOMPARE(other.status, 1);
        QVERIFY2(other.err.contains("Port1 holds vendorId 888, deviceId 257; the description is for vendorId 1484, "
                                    "deviceId 101101"),
                 other.err.constData());
        QVERIFY(runSim({"restore", "Port7", path, "--iodd", m_iodd}).err.contains("Port7: no IO-Link device"));

        VirtualAdapter::instance().clearLog();
        QCOMPARE(runHere({"set", "Port1", "--iodd", m_iodd, "24", "forced", "--force", "--no-store"}).status, 0);
        QCOMPARE(isduWrites(), 1);
        QCOMPARE(runHere({"backup", "Port2", "--iodd", m_iodd, "--force"}).status, 2);
    }

    // With a device that checks its parameters against each other (Damping must stay above the
    // temperature offset), a set whose first write alone breaks the rule is taken as one block and
    // stored; a set that breaks it, or a block with a refused write, leaves the device as it was.
    void setsAreWrittenWholeOrNotAtAll()
    {
        QString error;
        const QByteArray scenario = QStringLiteral(R"({"isduLatencyMs": 0, "ports": {"Port2": {"mode": "iolink",
            "device": {"type": "iodd", "file": "%1", "rules": [{"index": 66, "above": 68}],
                       "writeErrors": {"70": "0x8030"}}}}})")
                                        .arg(m_iodd)
                                        .toUtf8();
        QVERIFY2(applyScenarioJson(scenario, VirtualAdapter::instance(), &error), qPrintable(error));
        auto *device = dynamic_cast<IoddDevice *>(VirtualAdapter::instance().port(1).device.get());
        QVERIFY(device && !device->dataStorageUploadFlag());
        const auto raw = [](const char *index, const char *subindex = "0") {
            return runHere({"read", "Port2", index, subindex}).json().value("data").toString();
        };
        QCOMPARE(raw("3", "2"), "00"); // Data Storage state: inactive, no upload flag
        QCOMPARE(runHere({"set", "Port2", "--iodd", m_iodd, "68", "4.0", "--no-store"}).status, 0);
        QVERIFY(!device->dataStorageUploadFlag());
        QCOMPARE(runHere({"set", "Port2", "--iodd", m_iodd, "66", "30"}).json().value("error").toObject().value("code"),
                 "0x8041"); // alone, 30 is not above 40

        const QString checksum = raw("3", "4");
        const QByteArray backup = runHere({"backup", "Port2", "--iodd", m_iodd}).out;
        const auto setFile = [&](const QMap<int, QString> &values) {
            QJsonObject set = QJsonDocument::fromJson(backup).object();
            QJsonArray entries;
            for (const QJsonValue &v : set.value("entries").toArray()) {
                QJsonObject e = v.toObject();
                if (values.contains(e.value("index").toInt()))
                    e.insert("value", values.value(e.value("index").toInt()));
                entries.append(e);
            }
            set.insert("entries", entries);
            return TestHelpers::writtenIn(m_dir, "rule.json", QJsonDocument(set).toJson());
        };
        const Result taken = runHere({"restore", "Port2", setFile({{66, "30"}, {68, "2.0"}}), "--iodd", m_iodd});
        QCOMPARE(taken.status, 0);
        QCOMPARE(taken.json().value("block").toObject().value("used").toBool(), true);
        QCOMPARE(taken.json().value("stored").toString(), "stored");
        QVERIFY(device->dataStorageUploadFlag() && !device->inBlock());
        QCOMPARE(raw("66") + ' ' + raw("68"), "00 1e 14");
        // On the wire: the upload flag in the Data Storage state, a new checksum, and the master's
        // DS_UploadEnd clearing the flag once it has taken the parameters.
        QCOMPARE(raw("3", "2"), "80");
        QVERIFY(raw("3", "4") != checksum);
        QVERIFY(raw("3", "5").startsWith("00 18 00 ")); // index 24, the first of the stored parameters
        QCOMPARE(runHere({"write", "Port2", "3", "1", "02"}).status, 0);
        QCOMPARE(raw("3", "2"), "00");
        QVERIFY(!device->dataStorageUploadFlag());

        const Result inconsistent = runHere({"restore", "Port2", setFile({{66, "10"}, {68, "1.5"}}), "--iodd", m_iodd});
        QCOMPARE(inconsistent.status, 1);
        QVERIFY(inconsistent.json().value("block").toObject().value("verdict").toString().startsWith("0x8041"));
        QCOMPARE(raw("66") + ' ' + raw("68"), "00 1e 14");

        const Result refused = runHere({"restore", "Port2", setFile({{66, "35"}, {70, "Off"}}), "--iodd", m_iodd});
        QCOMPARE(refused.status, 1);
        const QJsonArray written = refused.json().value("written").toArray();
        const int at = refused.json().value("block").toObject().value("refused").toInt(-1);
        QVERIFY(at >= 0 && at < written.size() && written.at(at).toObject().value("index").toInt() == 70);
        QCOMPARE(raw("66"), "00 1e");
        QVERIFY(!device->inBlock());

        // Each write, the block's commands included, is in the journal with the device and its outcome.
        QStringList journal;
        for (const QJsonValue &v : runHere({"journal"}).json().value("records").toArray()) {
            const QJsonObject r = v.toObject();
            if (r.value("port").toInt() == 2 && r.value("deviceId").toInt() == 101101
                && !r.value("serialNumber").toString().isEmpty())
                journal << QString("%1 %2 %3")
                               .arg(r.value("index").toInt())
                               .arg(r.value("after").toString(), r.value("outcome").toString());
        }
        QVERIFY2(
            journal.join('|').endsWith("2 03 taken|66 00 23 undone: the block was not applied|68 28 undone: the "
                                       "block was not applied|70 00 0x8030 Parameter value out of range|2 06 taken"),
            qPrintable(journal.join('|')));
        QVERIFY(journal.contains("2 05 taken") && journal.contains("2 05 0x8041 Inconsistent parameter set"));

        // The parameter write lock (index 12, bit 0) refuses writes until it is released.
        QCOMPARE(runHere({"write", "Port2", "12", "0", "00 01"}).status, 0);
        QCOMPARE(runHere({"set", "Port2", "--iodd", m_iodd, "66", "40"}).json().value("error").toObject().value("code"),
                 "0x8023");
        QCOMPARE(runHere({"write", "Port2", "12", "0", "00 00"}).status, 0);
        QCOMPARE(runHere({"set", "Port2", "--iodd", m_iodd, "66", "40"}).status, 0);
        // The journal keeps what the device held before the write.
        QJsonObject last;
        for (const QJsonValue &v : runHere({"journal"}).json().value("records").toArray())
            if (v[QStringLiteral("index")].toInt() == 66)
                last = v.toObject(); // oldest first
        QCOMPARE(last.value("before").toString() + " > " + last.value("after").toString(), "00 1e > 00 28");
    }
};

QTEST_MAIN(tst_hub8ctlsets)
#include "tst_hub8ctlsets.moc"
