// The zip reader on archives made here: what it takes from a good one, and the
// hostile archives it refuses whole, each with its reason.

#include "archive/zipreader.h"
#include "zipbuilder.h"

#include <QtTest>

namespace {
using ZipBuilder::Entry;

void patch32(QByteArray &data, int at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        data[at + i] = char(value >> (8 * i) & 0xff);
}

void patch16(QByteArray &data, int at, quint32 value)
{
    data[at] = char(value & 0xff);
    data[at + 1] = char(value >> 8 & 0xff);
}

const QByteArray xml = "<IODevice>" + QByteArray(3000, 'x') + "</IODevice>";

// A good archive of two files, for the cases that damage its records.
QByteArray twoFiles()
{
    return ZipBuilder::archive({{"a.xml", xml}, {"b.png", "png", false}});
}

// Offsets in twoFiles(): the central directory follows the local records.
int directoryOffset(const QByteArray &zip)
{
    const QByteArray end = zip.right(22);
    return int(quint8(end[16]) | quint8(end[17]) << 8 | quint8(end[18]) << 16 | quint8(end[19]) << 24);
}

} // namespace

class tst_zipreader : public QObject
{
    Q_OBJECT
private slots:
    // Stored and deflated files, in sub-folders and with UTF-8 names, come out as they went in, in the order of
    // the archive; folder entries are left out; a comment after the end record is no obstacle.
    void readsWhatGoodArchivesHold()
    {
        const QByteArray zeros(200000, '\0');
        const QByteArray zip = ZipBuilder::archive({{"pkg/", {}, false, 0, 0xffff, 040755},
                                                    {"pkg/dev.xml", xml},
                                                    {"pkg/sub/pic.png", "\x89PNG\r\n", false},
                                                    {"pkg/\xe4\xba\xa7\xe5\x93\x81.png", zeros, true, 0x0800},
                                                    {"empty.txt", {}, false},
                                                    {"empty-deflated.txt", {}, true}},
                                                   "made by hand");
        QVector<ZipReader::File> files;
        QString why;
        QVERIFY2(ZipReader::read(zip, &files, &why), qPrintable(why));
        QStringList names;
        for (const auto &f : files)
            names << f.name;
        QCOMPARE(names,
                 QStringList({"pkg/dev.xml", "pkg/sub/pic.png", QString::fromUtf8("pkg/产品.png"), "empty.txt",
                              "empty-deflated.txt"}));
        QCOMPARE(files.at(0).data, xml);
        QCOMPARE(files.at(1).data, QByteArray("\x89PNG\r\n"));
        QCOMPARE(files.at(2).data, zeros);
        QVERIFY(files.at(3).data.isEmpty() && files.at(4).data.isEmpty());
    }

    void refusesHostileArchives_data()
    {
        QTest::addColumn<QByteArray>("zip");
        QTest::addColumn<QString>("reason"); // a part of the one reason given
        QTest::addColumn<int>("maxEntries");
        QTest::addColumn<int>("maxFileSize");
        QTest::addColumn<int>("maxTotalSize");
        const ZipReader::Limits usual;
        const auto row = [&usual](const char *name, const QByteArray &zip, const char *reason, int entries = -1,
                                  int file = -1, int total = -1) {
            QTest::newRow(name) << zip << QString::fromUtf8(reason) << (entries < 0 ? usual.maxEntries : entries)
                                << (file < 0 ? int(usual.maxFileSize) : file)
                                << (total < 0 ? int(usual.maxTotalSize) : total);
        };
        const auto one = [](const Entry &e) { return ZipBuilder::archive({e}); };

        row("not a zip", "<IODevice/>", "不是zip压缩包");
        row("cut short", twoFiles().chopped(5), "不是zip压缩包");

        // Names that would lead a write elsewhere.
        row("parent folder", one({"../evil.xml", xml}), "上级目录");
        row("parent inside", one({"pkg/../../evil.xml", xml}), "上级目录");
        row("absolute", one({"/tmp/evil.xml", xml}), "绝对路径");
        row("backslash", one({"pkg\\..\\evil.xml", xml}), "反斜杠");
        row("drive letter", one({"C:evil.xml", xml}), "盘符");
        row("control character", one({"a\x01.xml", xml}), "控制字符");
        row("nul in name", one({QByteArray("a\0b.xml", 7), xml}), "控制字符");
        row("empty part", one({"pkg//a.xml", xml}), "名称不可用");
        row("dot part", one({"./a.xml", xml}), "名称不可用");
        row("no name", one({"", xml}), "没有名称");
        row("part too long", one({QByteArray(256, 'a') + ".xml", xml}), "名称不可用");
        row("name not UTF-8", one({"\xff\xfe.xml", xml}), "编码");
        row("name flagged UTF-8 but not", one({"\xc3(.xml", xml, true, 0x0800}), "UTF-8");
        row("duplicate name", ZipBuilder::archive({{"a.xml", xml}, {"a.xml", "other"}}), "名称重复");
        row("duplicate ignoring case", ZipBuilder::archive({{"pkg/A.xml", xml}, {"pkg/a.xml", xml}}), "名称重复");

        // Entries that are no plain files, or cannot be read as such.
        row("symbolic link", one({"link.png", "/etc/passwd", false, 0, 0xffff, 0120777}), "符号链接");
        row("fifo", one({"fifo.png", {}, false, 0, 0xffff, 0010644}), "不是普通文件");
        row("folder with content", one({"dir/", "x", false, 0, 0xffff, 040755}), "文件夹条目");
        row("encrypted", one({"a.xml", xml, true, 0x0001}), "已加密");
        row("strong encryption", one({"a.xml", xml, true, 0x0040}), "已加密");
        row("AES", one({"a.xml", xml, false, 0, 99}), "已加密");
        row("bzip2", one({"a.xml", xml, false, 0, 12}), "压缩方式");
        row("bad CRC", one({"a.xml", xml, true, 0, 0xffff, 0100644, -1, 1}), "CRC");
        row("inflates larger than declared", one({"a.xml", xml, true, 0, 0xffff, 0100644, xml.size() - 1}), "无法解压");
        row("inflates smaller than declared", one({"a.xml", xml, true, 0, 0xffff, 0100644, xml.size() + 1}),
            "无法解压");
        QByteArray damaged = one({"a.xml", xml});
        damaged[30 + 5] = char(0xff); // the first block of a reserved type
        row("damaged deflate stream", damaged, "无法解压");
        row("stored size lies", one({"a.png", "png", false, 0, 0xffff, 0100644, 4}), "声明的大小不可能");
        row("impossible ratio", one({"a.xml", "abc", true, 0, 0xffff, 0100644, 10 << 20}), "声明的大小不可能");

        // Bombs: sizes are bounded before anything is inflated.
        const QByteArray zeros(600 * 1024, '\0');
        row("one file too large", one({"bomb.xml", zeros + zeros}), "解压后太大", -1, 1 << 20, -1);
        row("too large together", ZipBuilder::archive({{"1.xml", zeros}, {"2.xml", zeros}, {"3.xml", zeros}}), "总大小",
            -1, -1, 1 << 20);
        row("too many entries", ZipBuilder::archive({{"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "4"}}), "条目太多", 3);

        // Records that lie about where things are.
        {
            // b's local record lies inside a's data: both inflate from the same octets.
            const ZipBuilder::Packed b = ZipBuilder::pack({"b.png", "png", false});
            const ZipBuilder::Packed a = ZipBuilder::pack({"a.png", ZipBuilder::localRecord(b), false});
            const QByteArray body = ZipBuilder::localRecord(a);
            const QByteArray dir = ZipBuilder::centralRecord(a, 0) + ZipBuilder::centralRecord(b, 30 + 5);
            row("overlapping entries", body + dir + ZipBuilder::endRecord(2, dir.size(), body.size()), "重叠");
        }
        {
            const ZipBuilder::Packed a = ZipBuilder::pack({"a.png", "png", false});
            const ZipBuilder::Packed b = ZipBuilder::pack({"b.png", "png", false});
            const QByteArray body = ZipBuilder::localRecord(b), dir = ZipBuilder::centralRecord(a, 0);
            row("local name differs", body + dir + ZipBuilder::endRecord(1, dir.size(), body.size()), "不符");
            row("local header missing", QByteArray(64, 'x') + dir + ZipBuilder::endRecord(1, dir.size(), 64),
                "本地文件头已损坏");
        }
        QByteArray zip = twoFiles();
        const int directory = directoryOffset(zip), end = zip.size() - 22;
        QByteArray changed = zip;
        patch16(changed, end + 10, 0xffff);
        row("zip64", changed, "Zip64");
        changed = zip;
        patch16(changed, end + 4, 1);
        row("split archive", changed, "分卷");
        changed = zip;
        patch32(changed, end + 16, quint32(end));
        row("directory past its end", changed, "中央目录超出");
        changed = zip;
        patch16(changed, end + 8, 3);
        patch16(changed, end + 10, 3);
        row("more entries than the directory holds", changed, "中央目录已损坏");
        changed = zip;
        patch32(changed, directory + 20, quint32(directory)); // a's compressed size
        row("data past the directory", changed, "数据超出");
        changed = zip;
        patch32(changed, directory + 42, 0x7fffffff); // a's local header offset
        row("local header far away", changed, "本地文件头已损坏");
    }

    // Each refusal gives one reason and no file.
    void refusesHostileArchives()
    {
        QFETCH(QByteArray, zip);
        QFETCH(QString, reason);
        ZipReader::Limits limits;
        QFETCH(int, maxEntries);
        QFETCH(int, maxFileSize);
        QFETCH(int, maxTotalSize);
        limits.maxEntries = maxEntries;
        limits.maxFileSize = maxFileSize;
        limits.maxTotalSize = maxTotalSize;
        QVector<ZipReader::File> files{{"untouched", "x"}};
        QString why;
        QVERIFY(!ZipReader::read(zip, &files, &why, limits));
        QVERIFY2(why.contains(reason), qPrintable(why));
        QCOMPARE(files.size(), 1);
        QCOMPARE(files.at(0).name, "untouched");
    }
};

QTEST_GUILESS_MAIN(tst_zipreader)
#include "tst_zipreader.moc"
