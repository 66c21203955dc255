// Every IODD of the shared corpus through the parsers, and the project's standard definitions against it.

#include "description/analyiodd.h"
#include "description/analyioddfile.h"
#include "description/ioddindex.h"
#include "description/ioddjson.h"

#include <QDir>
#include <QDirIterator>
#include <QLoggingCategory>
#include <QSet>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

const QString corpusDir = QStringLiteral(HUB8_CORPUS_DIR);
const QString officialStd = corpusDir + QStringLiteral("/std");
const QString projectStd = QStringLiteral(HUB8_SOURCE_DIR "/data/std");

// What a streaming read (independent of the DOM parsers) sees in a file.
// What a streaming read (independent of the DOM parsers) sees in a file.
struct facts
{
    bool device = false;
    QString vendorId, deviceId;
    int variants = 0;
    QSet<QString> elements;   // role menu sets and process data seen
};

facts scan(const QString &path)
{
    facts f;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return f;
    QXmlStreamReader xml(&file);
    bool first = true, identity = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        f.device |= first && name == QLatin1String("IODevice");
        first = false;
        if (name == QLatin1String("DeviceIdentity") && !identity) {
            identity = true;
            f.vendorId = xml.attributes().value(QLatin1String("vendorId")).toString();
            f.deviceId = xml.attributes().value(QLatin1String("deviceId")).toString();
        } else if (name == QLatin1String("DeviceVariant")) {
            ++f.variants;
        } else if (name.endsWith(QLatin1String("RoleMenuSet")) || name.startsWith(QLatin1String("ProcessData"))) {
            f.elements.insert(name);
        }
    }
    return f;
}

QStringList corpusFiles()
{
    QStringList files;
    QDirIterator it(corpusDir, {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!QDir(corpusDir).relativeFilePath(path).startsWith(QLatin1String("std/")) && scan(path).device)
            files.append(path);
    }
    files.sort();
    return files;
}

// Menu entries as "set/menu path|index|subindex|bit offset", one per value.
void collectEntries(const treeItem &t, const QString &prefix, QStringList &out)
{
    const QString here = prefix + QLatin1Char('/') + t.name;
    for (const valueItem &v : t.values)
        out << here + QLatin1Char('|') + v.index + QLatin1Char('|') + v.subindex + QLatin1Char('|') + v.editor.bitOffset;
    for (const treeItem &c : t.children)
        collectEntries(c, here, out);
}

QStringList menuEntries(analyIoddFile &file, const QString &set)
{
    QStringList out;
    for (const treeItem &t : file.roleMenus(set))
        collectEntries(t, set, out);
    return out;
}

QStringList menuEntries(const QString &path, const QString &stdDir)
{
    analyIoddFile file;
    file.load(path, stdDir);
    QStringList out;
    for (const char *set : ioddJson::roleMenuSets)
        out += menuEntries(file, QString::fromLatin1(set));
    return out;
}

} // namespace

class tst_ioddcorpus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("hub8.description.debug=false"));
        if (!QFileInfo(corpusDir).isDir())
            QSKIP("IODD corpus not present");
    }

    void corpusFile_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString &f : corpusFiles())
            QTest::newRow(qPrintable(QDir(corpusDir).relativeFilePath(f))) << f;
    }

    void corpusFile()
    {
        QFETCH(QString, path);
        const facts expected = scan(path);

        analyIODD header;
        QCOMPARE(header.open(path), 0);
        QVERIFY2(header.errorString().isEmpty(), qPrintable(header.errorString()));
        QCOMPARE(header.vendorId(), expected.vendorId.trimmed().toInt());
        QCOMPARE(header.deviceId(), expected.deviceId.trimmed().toInt());
        const deviceInfo info = header.readDeviceInfo();
        QCOMPARE(QStringList({info.vendorId, info.deviceId, info.fileName}),
                 QStringList({expected.vendorId, expected.deviceId, QFileInfo(path).fileName()}));

        analyIoddFile file;
        QCOMPARE(file.load(path, officialStd), 0);
        const QList<variantItem> variants = file.readVariants();
        QCOMPARE(variants.size(), expected.variants);
        for (const variantItem &v : variants)
            QVERIFY(!v.productId.isEmpty());

        for (const char *set : ioddJson::roleMenuSets)   // entries exactly for the sets the file has
            QVERIFY2(menuEntries(file, QString::fromLatin1(set)).isEmpty() != expected.elements.contains(QString::fromLatin1(set)), set);
        // A DatatypeRef to a non-record type gives no entry, so only the length is certain.
        if (expected.elements.contains(QStringLiteral("ProcessDataIn")))
            QVERIFY(!file.processDataIn().text.isEmpty());
        if (expected.elements.contains(QStringLiteral("ProcessDataOut")))
            QVERIFY(!file.processDataOut().text.isEmpty());

        // The id index changes nothing in what the parsers give.
        const auto describe = [&path](bool indexed) {
            ioddIndex::setEnabled(indexed);
            analyIODD h;
            analyIoddFile f;
            h.open(path);
            f.load(path, officialStd);
            return ioddJson::describe(h, f);
        };
        const QByteArray scanned = describe(false);
        QVERIFY(scanned.size() > 100);
        QCOMPARE(describe(true), scanned);
    }

    void projectStandardDefinitions()
    {
        if (!QFileInfo::exists(projectStd + QStringLiteral("/std1.1/IODD-StandardDefinitions1.1.xml")))
            QSKIP("the project's standard definitions are not there yet");
        int official = 0, resolved = 0;
        QStringList extra;
        for (const QString &path : corpusFiles()) {
            // Entries are compared as multisets: each official entry matches once.
            QStringList remaining = menuEntries(path, officialStd);
            official += remaining.size();
            for (const QString &e : menuEntries(path, projectStd)) {
                if (remaining.removeOne(e))
                    ++resolved;
                else
                    extra << QDir(corpusDir).relativeFilePath(path) + QStringLiteral(": ") + e;
            }
        }
        qInfo("project standard definitions resolve %d of the %d menu entries the official ones resolve", resolved, official);
        for (const QString &e : extra)
            qInfo("only with the project's files: %s", qPrintable(e));
        // Whatever the project's files resolve must be what the official files resolve.
        QVERIFY2(extra.isEmpty(), "the project's standard definitions resolve entries the official ones do not");
        if (resolved == 0)
            QSKIP("the project's standard definitions resolve nothing yet");
    }
};

QTEST_GUILESS_MAIN(tst_ioddcorpus)
#include "tst_ioddcorpus.moc"
