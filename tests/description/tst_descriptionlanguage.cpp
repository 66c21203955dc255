// Which language a description's texts come in: the wanted language where the description or a language file beside
// it has the text, else the primary language, text by text. Language files are read like every other file: a broken,
// hostile or linked one gives no texts and the description stays readable.

#include "description/descriptioncache.h"
#include "description/ioddfile.h"
#include "description/languagefiles.h"
#include "testhelpers.h"

#include <QtTest>

#include <memory>

namespace {

const QString internalDir = QStringLiteral("/40-iolc-03-internallang/");
const QString internalFile = QStringLiteral("IO-Link-03-InternalLangDevice-20240824-IODD1.1.xml");
const QString externalDir = QStringLiteral("/30-iolc-04-externallang/");
const QString externalFile = QStringLiteral("IO-Link-04-ExternalLangDevice-20240824-IODD1.1.xml");

QString corpusFile(const QString &dir, const QString &file)
{
    return TestHelpers::corpusDir() + dir + file;
}

// The names of every menu and the labels of every value, depth first.
void collect(const TreeItem &node, QStringList &out)
{
    if (!node.name.isEmpty())
        out << node.name;
    for (const ValueItem &v : node.values)
        out << v.label;
    for (const TreeItem &child : node.children)
        collect(child, out);
}

// The texts a page of the description shows: the specialist's menus, the input process data's name.
QStringList shownTexts(IoddFile &file)
{
    QStringList out;
    for (const TreeItem &menu : file.roleMenus(QStringLiteral("SpecialistRoleMenuSet")))
        collect(menu, out);
    out << file.processDataIn().name;
    return out;
}

QStringList load(const QString &path, const QString &language)
{
    IoddFile file;
    file.setTextLanguage(language);
    if (file.load(path, TestHelpers::corpusDir() + QStringLiteral("/std")) != 0)
        return {QStringLiteral("<unreadable>")};
    return shownTexts(file);
}

QByteArray textDocument(const QByteArray &language, const QByteArray &texts)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ExternalTextDocument "
           "xmlns=\"http://www.io-link.com/IODD/2010/10\"><Language xml:lang=\""
        + language + "\">" + texts + "</Language></ExternalTextDocument>\n";
}

const QByteArray exampleInChinese = "<Text id=\"TN_V_X_ExampleParameter\" value=\"样本参数\"/>";

} // namespace

class tst_descriptionlanguage : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (!TestHelpers::corpusPresent())
            QSKIP("the IODD corpus is not there");
    }

    // Languages inside the description and in files beside it; a language neither has gives the primary texts,
    // and no language set gives English as before, without looking at language files.
    void languageChoice_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("absent");
        const QString in = corpusFile(internalDir, internalFile), ex = corpusFile(externalDir, externalFile);
        // "PD Input" also names a standard variable, which has English texts only.
        const QStringList english{"General Settings", "Example Parameter"};
        const QStringList englishWithPd = english + QStringList{"PD Input"};
        const QStringList chinese{"常规设置", "样本参数", "过程数据 输入"};
        QTest::newRow("inside zh") << in << "zh" << chinese << english;
        QTest::newRow("inside de") << in << "de" << QStringList{"Allgemeine Einstellungen", "PD-Eingang"} << english;
        QTest::newRow("inside en") << in << "en" << englishWithPd << chinese;
        QTest::newRow("inside, none in fr") << in << "fr" << englishWithPd << chinese;
        QTest::newRow("beside zh") << ex << "zh" << chinese << english;
        QTest::newRow("beside de") << ex << "de" << QStringList{"Beispielparameter", "Service-Funktionen"} << english;
        QTest::newRow("beside, none in fr") << ex << "fr" << englishWithPd << chinese;
        QTest::newRow("no language set") << ex << "" << englishWithPd << chinese;
    }
    void languageChoice()
    {
        QFETCH(QString, path);
        QFETCH(QString, language);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, absent);
        const QStringList texts = load(path, language);
        for (const QString &text : expected)
            QVERIFY2(texts.contains(text), qPrintable(text + " not in " + texts.join('|')));
        for (const QString &text : absent)
            QVERIFY2(!texts.contains(text), qPrintable(text + " in " + texts.join('|')));
    }

    // A language file with some texts: those in its language, every other text in the primary language. The name's
    // language part is taken in either case; a file of another stem is not the description's.
    void missingTextsFallBack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("used");
        QTest::newRow("-zh") << "-zh.xml" << true;
        QTest::newRow("-ZH") << "-ZH.xml" << true;
        QTest::newRow("other stem") << "x-zh.xml" << false;
    }
    void missingTextsFallBack()
    {
        QFETCH(QString, name);
        QFETCH(bool, used);
        QTemporaryDir dir;
        const QString path = dir.filePath(externalFile);
        QVERIFY(QFile::copy(corpusFile(externalDir, externalFile), path));
        QVERIFY(
            TestHelpers::writeFile(dir.filePath(externalFile.chopped(4) + name), textDocument("zh", exampleInChinese)));
        const QStringList texts = load(path, QStringLiteral("zh"));
        QCOMPARE(texts.contains("样本参数"), used);
        QCOMPARE(texts.contains("Example Parameter"), !used);
        QVERIFY(texts.contains("General Settings"));
    }

    // Language files that give nothing: the description keeps its primary texts, quickly and without a crash.
    void brokenLanguageFilesGiveNoTexts_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("kind");
        const QByteArray good = textDocument("zh", exampleInChinese);
        QTest::newRow("cut short") << good.left(good.size() / 2 + 20) << "file";
        QTest::newRow("not xml") << QByteArray("\x00\xff\xfe garbage", 12) << "file";
        QTest::newRow("empty") << QByteArray() << "file";
        QTest::newRow("a description, not texts")
            << QByteArray("<IODevice><ExternalTextCollection><Language xml:lang=\"zh\">" + exampleInChinese
                          + "</Language></ExternalTextCollection></IODevice>")
            << "file";
        QTest::newRow("entities") << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"样本参数\">]>"
                                                "<ExternalTextDocument><Language xml:lang=\"zh\">"
                                                "<Text id=\"TN_V_X_ExampleParameter\" value=\"&a;\"/>"
                                                "</Language></ExternalTextDocument>")
                                  << "file";
        QTest::newRow("nested too deep") << textDocument(
            "zh", exampleInChinese + QByteArray("<a>").repeated(5000) + QByteArray("</a>").repeated(5000))
                                         << "file";
        QTest::newRow("too large") << good + QByteArray(int(LanguageFiles::maxFileSize), ' ') << "file";
        QTest::newRow("link to a good file elsewhere") << good << "link";
        QTest::newRow("a folder") << QByteArray() << "folder";
    }
    void brokenLanguageFilesGiveNoTexts()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, kind);
        QTemporaryDir dir, elsewhere;
        const QString path = dir.filePath(externalFile);
        const QString language = dir.filePath(externalFile.chopped(4) + "-zh.xml");
        QVERIFY(QFile::copy(corpusFile(externalDir, externalFile), path));
        if (kind == "file") {
            QVERIFY(TestHelpers::writeFile(language, content));
        } else if (kind == "link") {
            QVERIFY(TestHelpers::writeFile(elsewhere.filePath("texts.xml"), content));
            QVERIFY(QFile::link(elsewhere.filePath("texts.xml"), language));
        } else {
            QVERIFY(QDir().mkpath(language));
        }
        QElapsedTimer clock;
        clock.start();
        const QStringList texts = load(path, QStringLiteral("zh"));
        QVERIFY2(texts.contains("Example Parameter") && !texts.contains("样本参数"), qPrintable(texts.join('|')));
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(LanguageFiles::readTexts(language, QStringLiteral("zh")).isEmpty());
    }

    // The cache keeps a description per language: a switch and back gives the first one again, unread.
    void cacheHoldsEachLanguage()
    {
        const QString path = corpusFile(internalDir, internalFile);
        DescriptionCache cache;
        bool readable = false;
        const auto zh = cache.load(path, QStringLiteral("zh"), &readable);
        QVERIFY(readable);
        const auto en = cache.load(path, QStringLiteral("en"), &readable);
        QVERIFY(readable && en != zh);
        QVERIFY(shownTexts(*zh).contains("样本参数") && shownTexts(*en).contains("Example Parameter"));
        QCOMPARE(cache.load(path, QStringLiteral("zh"), &readable), zh);
    }
};

QTEST_GUILESS_MAIN(tst_descriptionlanguage)
#include "tst_descriptionlanguage.moc"
