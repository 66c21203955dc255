// Every IODD of the shared corpus through the parsers and as a virtual device, and the project's standard
// definitions (menu entries and event codes) against the Community's.

#include "description/builtindescription.h"
#include "description/ioddfile.h"
#include "description/ioddheaderreader.h"
#include "description/ioddindex.h"
#include "description/ioddjson.h"
#include "description/standarddefinitions.h"
#include "iodddevice.h"
#include "testhelpers.h"

#include <QDir>
#include <QDirIterator>
#include <QLoggingCategory>
#include <QSet>
#include <QXmlStreamReader>
#include <QtTest>

const QString corpusDir = TestHelpers::corpusDir();
const QString officialStd = corpusDir + QStringLiteral("/std");
const QString projectStd = QStringLiteral(HUB8_SOURCE_DIR "/data/std");

// What a streaming read (independent of the DOM parsers) sees in a file.
struct Facts
{
    QString vendorId, deviceId;
    int variants = 0;
    bool device = false;
    QSet<QString> elements; // role menu sets and process data seen
};

static Facts scan(const QString &path)
{
    Facts f;
    QFile file(path);
    file.open(QIODevice::ReadOnly); // an unreadable file reads as no device
    QXmlStreamReader xml(&file);
    f.device = xml.readNextStartElement() && xml.name() == QLatin1String("IODevice");
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        if (name == QLatin1String("DeviceIdentity") && f.vendorId.isNull()) {
            f.vendorId = xml.attributes().value(QLatin1String("vendorId")).toString();
            f.deviceId = xml.attributes().value(QLatin1String("deviceId")).toString();
        }
        f.variants += name == QLatin1String("DeviceVariant");
        if (name.endsWith(QLatin1String("RoleMenuSet")) || name.startsWith(QLatin1String("ProcessData")))
            f.elements.insert(name);
    }
    return f;
}

static QStringList corpusFiles()
{
    QStringList files;
    QDirIterator it(corpusDir, {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        if (!QDir(corpusDir).relativeFilePath(it.next()).startsWith(QLatin1String("std/"))
            && scan(it.filePath()).device)
            files.append(it.filePath());
    files.sort();
    return files;
}

// Menu entries as "set/menu path|index|subindex|bit offset", one per value.
static QStringList menuEntries(const QList<TreeItem> &menus, const QString &prefix)
{
    QStringList out;
    for (const TreeItem &t : menus) {
        const QString here = prefix + QLatin1Char('/') + t.name;
        for (const ValueItem &v : t.values)
            out << here + QLatin1Char('|') + v.index + QLatin1Char('|') + v.subindex + QLatin1Char('|')
                    + v.editor.bitOffset;
        out += menuEntries(t.children, here);
    }
    return out;
}

class tst_ioddcorpus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("hub8.description.debug=false"));
        if (!TestHelpers::corpusPresent())
            QSKIP(qPrintable(QStringLiteral("no IODD corpus at ") + corpusDir));
    }

    void corpusFile_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString &f : corpusFiles())
            QTest::newRow(qPrintable(QDir(corpusDir).relativeFilePath(f))) << f;
        QTest::newRow("built-in") << QStringLiteral(HUB8_SOURCE_DIR "/data/") + BuiltinDescription::relativePath;
    }

    void corpusFile()
    {
        QFETCH(QString, path);
        const Facts expected = scan(path);

        IoddHeaderReader header;
        QVERIFY2(header.open(path) == 0 && header.errorString().isEmpty(), qPrintable(header.errorString()));
        const DeviceInfo info = header.readDeviceInfo();
        QCOMPARE(QVariantList({header.vendorId(), header.deviceId(), info.vendorId, info.deviceId, info.fileName}),
                 QVariantList({expected.vendorId.trimmed().toInt(), expected.deviceId.trimmed().toInt(),
                               expected.vendorId, expected.deviceId, QFileInfo(path).fileName()}));

        IoddFile file;
        QCOMPARE(file.load(path, officialStd), 0);
        const QList<VariantItem> variants = file.readVariants();
        QCOMPARE(variants.size(), expected.variants);
        QVERIFY(
            std::none_of(variants.begin(), variants.end(), [](const VariantItem &v) { return v.productId.isEmpty(); }));

        for (const char *set : IoddJson::roleMenuSets) // entries exactly for the sets the file has
            QVERIFY2(menuEntries(file.roleMenus(QString::fromLatin1(set)), set).isEmpty()
                         != expected.elements.contains(QString::fromLatin1(set)),
                     set);
        // A DatatypeRef to a non-record type gives no entry, so only the length is certain.
        QVERIFY(!expected.elements.contains("ProcessDataIn") || !file.processDataIn().text.isEmpty());
        QVERIFY(!expected.elements.contains("ProcessDataOut") || !file.processDataOut().text.isEmpty());

        // The id index changes nothing in what the parsers give; real descriptions use a small part of the
        // build budget.
        const auto describe = [&path](bool indexed, BuildBudget *used) {
            IoddIndex::setEnabled(indexed);
            IoddHeaderReader h;
            IoddFile f;
            h.open(path);
            f.load(path, officialStd);
            const QByteArray json = IoddJson::describe(h, f);
            *used = f.budget();
            return f.truncatedNote().isEmpty() ? json : QByteArray();
        };
        BuildBudget b;
        const QByteArray scanned = describe(false, &b);
        QVERIFY(scanned.size() > 100);
        QCOMPARE(describe(true, &b), scanned);
        QVERIFY2(b.nodes() * 10 < BuildBudget::maxMenuNodes && b.values() * 10 < BuildBudget::maxValues
                     && b.choices() * 10 < BuildBudget::maxChoices && b.steps() * 10 < BuildBudget::maxSteps,
                 qPrintable(QStringLiteral("nodes %1, values %2, choices %3, steps %4")
                                .arg(b.nodes())
                                .arg(b.values())
                                .arg(b.choices())
                                .arg(b.steps())));

        // The virtual device answers each of its indexes, by subindex 0 and 1, and takes back what it read.
        QString error;
        const auto device = IoddDevice::fromFile(path, QCoreApplication::applicationDirPath() + "/std", &error);
        QVERIFY2(device, qPrintable(error));
        for (quint16 index : device->indexes()) {
            const IsduAnswer whole = device->readIsdu(index, 0);
            device->readIsdu(index, 1);
            const IsduAnswer back =
                whole.ok() && index != 2 && index != 0 ? device->writeIsdu(index, 0, whole.data) : IsduAnswer();
            QVERIFY2(back.ok() || back.error == IsduError::accessDenied,
                     qPrintable(QStringLiteral("index %1: %2").arg(index).arg(back.error, 0, 16)));
        }
        QCOMPARE(device->processDataIn(1234).size(), device->processDataInOctets());
    }

    void projectStandardDefinitions()
    {
        const auto entries = [](const QString &path, const QString &stdDir) {
            IoddFile file;
            file.load(path, stdDir);
            QStringList out;
            for (const char *set : IoddJson::roleMenuSets)
                out += menuEntries(file.roleMenus(QString::fromLatin1(set)), QString::fromLatin1(set));
            return out;
        };
        int official = 0, resolved = 0;
        QStringList extra;
        for (const QString &path : corpusFiles()) {
            // Entries are compared as multisets: each official entry matches once.
            QStringList remaining = entries(path, officialStd);
            official += remaining.size();
            for (const QString &e : entries(path, projectStd)) {
                if (remaining.removeOne(e))
                    ++resolved;
                else
                    extra << QDir(corpusDir).relativeFilePath(path) + QStringLiteral(": ") + e;
            }
        }
        qInfo("project standard definitions resolve %d of the %d menu entries the official ones resolve", resolved,
              official);
        QVERIFY2(extra.isEmpty(),
                 qPrintable(QStringLiteral("only with the project's files: ") + extra.join(QStringLiteral("; "))));
    }

    // The Community's standard definitions name no event the project's lack.
    void projectEventCodes()
    {
        const QString definitions = QStringLiteral("/std1.1/IODD-StandardDefinitions1.1.xml");
        QSet<QString> ours;
        for (const EventItem &e : StandardDefinitions(projectStd + definitions).events())
            ours.insert(e.code);
        const QList<EventItem> community = StandardDefinitions(officialStd + definitions).events();
        QStringList missing;
        for (const EventItem &e : community)
            if (!ours.contains(e.code))
                missing << e.code;
        QVERIFY2(community.size() > 30 && missing.isEmpty(), qPrintable(missing.join(QLatin1Char(' '))));
    }
};

QTEST_GUILESS_MAIN(tst_ioddcorpus)
#include "tst_ioddcorpus.moc"
