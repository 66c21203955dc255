// Every IODD of the shared corpus through the parsers: identity, variants,
// menus and process data; the id index against plain scans; and how much of
// the corpus the project's own standard definitions resolve.

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
struct facts
{
    bool device = false;
    QString vendorId;
    QString deviceId;
    int variants = 0;
    QSet<QString> roleSets;
    bool processDataIn = false;
    bool processDataOut = false;
};

facts scan(const QString &path)
{
    facts f;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return f;
    QXmlStreamReader xml(&file);
    bool first = true;
    bool identity = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        if (first) {
            f.device = name == QLatin1String("IODevice");
            first = false;
        }
        if (name == QLatin1String("DeviceIdentity") && !identity) {
            identity = true;
            f.vendorId = xml.attributes().value(QLatin1String("vendorId")).toString();
            f.deviceId = xml.attributes().value(QLatin1String("deviceId")).toString();
        } else if (name == QLatin1String("DeviceVariant")) {
            ++f.variants;
        } else if (name.endsWith(QLatin1String("RoleMenuSet"))) {
            f.roleSets.insert(name);
        } else if (name == QLatin1String("ProcessDataIn")) {
            f.processDataIn = true;
        } else if (name == QLatin1String("ProcessDataOut")) {
            f.processDataOut = true;
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

int countValues(const treeItem &t)
{
    int n = t.values.size();
    for (const treeItem &c : t.children)
        n += countValues(c);
    return n;
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

QStringList menuEntries(const QString &path, const QString &stdDir)
{
    analyIoddFile file;
    file.load(path, stdDir);
    QStringList out;
    for (const char *set : ioddJson::roleMenuSets) {
        for (const treeItem &t : file.roleMenus(QString::fromLatin1(set)))
            collectEntries(t, QString::fromLatin1(set), out);
    }
    return out;
}

void addFileRows()
{
    QTest::addColumn<QString>("path");
    const QStringList files = corpusFiles();
    for (const QString &f : files)
        QTest::newRow(qPrintable(QDir(corpusDir).relativeFilePath(f))) << f;
}

} // namespace

class tst_ioddcorpus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void corpusFile_data();
    void corpusFile();
    void indexGivesSameResults_data();
    void indexGivesSameResults();
    void projectStandardDefinitions();
};

void tst_ioddcorpus::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("hub8.description.debug=false"));
    if (!QFileInfo(corpusDir).isDir())
        QSKIP("IODD corpus not present");
}

void tst_ioddcorpus::cleanup()
{
    ioddIndex::setEnabled(true);
}

void tst_ioddcorpus::corpusFile_data()
{
    addFileRows();
}

void tst_ioddcorpus::corpusFile()
{
    QFETCH(QString, path);
    const facts expected = scan(path);

    analyIODD header;
    QCOMPARE(header.open(path), 0);
    QVERIFY2(header.errorString().isEmpty(), qPrintable(header.errorString()));
    QCOMPARE(header.vendorId(), expected.vendorId.trimmed().toInt());
    QCOMPARE(header.deviceId(), expected.deviceId.trimmed().toInt());
    const deviceInfo info = header.readDeviceInfo();
    QCOMPARE(info.vendorId, expected.vendorId);
    QCOMPARE(info.deviceId, expected.deviceId);
    QCOMPARE(info.fileName, QFileInfo(path).fileName());

    analyIoddFile file;
    QCOMPARE(file.load(path, officialStd), 0);
    const QList<variantItem> variants = file.readVariants();
    QCOMPARE(variants.size(), expected.variants);
    for (const variantItem &v : variants)
        QVERIFY(!v.productId.isEmpty());

    for (const char *set : ioddJson::roleMenuSets) {
        const QList<treeItem> menus = file.roleMenus(QString::fromLatin1(set));
        if (!expected.roleSets.contains(QString::fromLatin1(set))) {
            QVERIFY(menus.isEmpty());
            continue;
        }
        QVERIFY2(!menus.isEmpty(), set);
        int values = 0;
        for (const treeItem &t : menus)
            values += countValues(t);
        QVERIFY2(values > 0, set);
    }
    if (expected.processDataIn) {
        // A DatatypeRef to a non-record type gives no entry, so only the
        // length is certain.
        QVERIFY(!file.processDataIn().text.isEmpty());
    }
    if (expected.processDataOut)
        QVERIFY(!file.processDataOut().text.isEmpty());
}

void tst_ioddcorpus::indexGivesSameResults_data()
{
    addFileRows();
}

void tst_ioddcorpus::indexGivesSameResults()
{
    QFETCH(QString, path);
    const auto describe = [&path](bool indexed) {
        ioddIndex::setEnabled(indexed);
        analyIODD header;
        analyIoddFile file;
        header.open(path);
        file.load(path, officialStd);
        return ioddJson::describe(header, file);
    };
    const QByteArray scanned = describe(false);
    const QByteArray indexed = describe(true);
    QVERIFY(scanned.size() > 100);
    QCOMPARE(indexed, scanned);
}

void tst_ioddcorpus::projectStandardDefinitions()
{
    if (!QFileInfo::exists(projectStd + QStringLiteral("/std1.1/IODD-StandardDefinitions1.1.xml")))
        QSKIP("the project's standard definitions are not there yet");

    int official = 0;
    int resolved = 0;
    QStringList extra;
    for (const QString &path : corpusFiles()) {
        const QStringList byOfficial = menuEntries(path, officialStd);
        const QStringList byProject = menuEntries(path, projectStd);
        official += byOfficial.size();
        // Entries are compared as multisets: each official entry matches once.
        QStringList remaining = byOfficial;
        for (const QString &e : byProject) {
            if (remaining.removeOne(e))
                ++resolved;
            else
                extra << QDir(corpusDir).relativeFilePath(path) + QStringLiteral(": ") + e;
        }
    }
    qInfo("project standard definitions resolve %d of the %d menu entries the official ones resolve", resolved,
          official);
    for (const QString &e : extra)
        qInfo("only with the project's files: %s", qPrintable(e));
    // Whatever the project's files resolve must be what the official files resolve.
    QVERIFY2(extra.isEmpty(), "the project's standard definitions resolve entries the official ones do not");
    if (resolved == 0)
        QSKIP("the project's standard definitions resolve nothing yet");
}

QTEST_GUILESS_MAIN(tst_ioddcorpus)
#include "tst_ioddcorpus.moc"
