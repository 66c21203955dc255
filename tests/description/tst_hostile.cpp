// Hostile descriptions, generated at run time: each must end quickly with a bounded result.

#include "description/analyiodd.h"
#include "description/analyioddfile.h"
#include "description/ioddjson.h"
#include "description/ioddxml.h"
#include "testhelpers.h"

#include <QElapsedTimer>
#include <QTextCodec>
#include <QtTest>

namespace {

const QString stdDir = QStringLiteral(HUB8_SOURCE_DIR "/tests/description/fixtures/std");

// Far above what a correct parser needs on a busy machine, far below what the unguarded one took.
constexpr qint64 timeBound = 5000;

// count copies of text, %1 in each replaced by its number and %2 by the next one.
QByteArray numbered(int count, const QByteArray &text)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += QByteArray(text).replace("%1", QByteArray::number(i)).replace("%2", QByteArray::number(i + 1));
    return out;
}

// A device description around the given collections; every role menu set refers to `roleRefs`.
QByteArray device(const QByteArray &datatypes, const QByteArray &variables, const QByteArray &menus,
                  const QByteArray &roleRefs)
{
    QByteArray roles;
    for (const char *set : ioddJson::roleMenuSets)
        roles += QByteArray("<") + set + ">" + roleRefs + "</" + set + ">";
    return "<IODevice xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><ProfileBody>"
           "<DeviceIdentity vendorId=\"1\" deviceId=\"2\"/><DeviceFunction><DatatypeCollection>"
        + datatypes + "</DatatypeCollection><VariableCollection>" + variables
        + "</VariableCollection><UserInterface><MenuCollection>" + menus + "</MenuCollection>" + roles
        + "</UserInterface></DeviceFunction></ProfileBody></IODevice>\n";
}

// Menu nodes and values of a tree.
QPair<int, int> count(const treeItem &t)
{
    QPair<int, int> c{1, t.values.size()};
    for (const treeItem &child : t.children) {
        const auto sub = count(child);
        c.first += sub.first, c.second += sub.second;
    }
    return c;
}

} // namespace

class tst_hostile : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString written(const QByteArray &content)
    {
        const QString path = m_dir.filePath("device.xml");
        return testhelpers::writeFile(path, content) ? path : QString();
    }

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("hub8.*.debug=false")); }

    // Deep nesting is refused before the DOM is built, also where the pre-read cannot follow the encoding.
    void nesting_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("refused");
        const auto nested = [](int depth, bool closed) {
            return QByteArray("<IODevice>") + QByteArray("<a>").repeated(depth - 1)
                + (closed ? QByteArray("</a>").repeated(depth - 1) + "</IODevice>" : QByteArray());
        };
        QTest::newRow("at the limit") << nested(ioddXml::maxDepth, true) << false;
        QTest::newRow("one deeper") << nested(ioddXml::maxDepth + 1, true) << true;
        QTest::newRow("25000 unclosed") << nested(25000, false) << true;
        QTest::newRow("unknown encoding")
            << QByteArray("<?xml version=\"1.0\" encoding=\"x-none\"?>") + nested(25000, true) << true;
    }
    void nesting()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, refused);
        const QString path = written(content);
        QElapsedTimer timer;
        timer.start();
        analyIODD header;
        analyIoddFile parser;
        QVERIFY(header.open(path) == 0 && parser.load(path, stdDir) == 0);
        QDomDocument document;
        QCOMPARE(ioddXml::parse(content, document), !refused);
        QCOMPARE(QList<bool>({header.errorString().isEmpty(), parser.errorString().isEmpty(), document.isNull()}),
                 QList<bool>({!refused, !refused, refused}));
        QVERIFY(timer.elapsed() < timeBound);
    }

    // A DOCTYPE is refused in every encoding the parser reads (with a linear entity expansion that took
    // the unguarded parser about a minute in UTF-16BE without byte-order mark and in UTF-7).
    void doctypeInEveryEncoding()
    {
        const QString body = QStringLiteral("<IODevice><DocumentInfo version=\"%1\"/></IODevice>\n");
        const QString doctype = QStringLiteral("<!DOCTYPE IODevice [<!ENTITY a \"%1\">]>\n").arg(QString(10000, 'a'));
        const QString expansion = QStringLiteral("&a;").repeated(10000);
        QElapsedTimer timer;
        timer.start();
        for (const char *name :
             {"UTF-8", "UTF-16", "UTF-16BE", "UTF-16LE", "UTF-32BE", "UTF-7", "ISO-8859-1", "Shift_JIS"}) {
            QTextCodec *codec = QTextCodec::codecForName(name);
            QVERIFY2(codec, name);
            const QString declaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>\n").arg(name);
            // Whole text in the encoding, or (for encodings that write ASCII differently) the declaration in ASCII.
            const auto encoded = [&](const QString &rest, bool asciiDeclaration) {
                return asciiDeclaration ? declaration.toLatin1() + codec->fromUnicode(rest)
                                        : codec->fromUnicode(declaration + rest);
            };
            bool read = false;
            for (const bool asciiDeclaration : {false, true}) {
                QDomDocument document;
                if (!ioddXml::parse(encoded(body.arg("V1"), asciiDeclaration), document)
                    || document.documentElement().firstChildElement().attribute("version") != "V1")
                    continue;
                read = true;
                const QByteArray hostile = encoded(doctype + body.arg(expansion), asciiDeclaration);
                QString error;
                QVERIFY2(!ioddXml::parse(hostile, document, &error) && document.isNull()
                             && ioddXml::declaresEntities(hostile) && error.contains("document type declaration"),
                         qPrintable(QLatin1String(name) + ": " + error));
            }
            QVERIFY2(read, name);
        }
        // Without byte-order mark and without declaration, the first bytes tell UTF-16BE.
        QDomDocument document;
        QVERIFY(!ioddXml::parse(QTextCodec::codecForName("UTF-16BE")->fromUnicode(doctype + body.arg(expansion)),
                                document));
        QVERIFY(timer.elapsed() < 2 * timeBound);
    }

    // Limits hold for the whole description, across role sets and menus; a new load gives a new budget.
    void budgetForTheWholeDescription_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("limit");
        const QByteArray variable = "<Variable id=\"V\" index=\"100\"><DatatypeRef datatypeId=\"D\"/></Variable>";
        const QByteArray ref = "<VariableRef variableId=\"V\"/>", toM0 = "<MenuRef menuId=\"M0\"/>";
        // Every menu expands an array of 4096 elements ten times, every role set shows all menus.
        QTest::newRow("arrays in many menus")
            << device("<Datatype id=\"D\" xsi:type=\"ArrayT\" count=\"4096\" subindexAccessSupported=\"false\">"
                      "<SimpleDatatype xsi:type=\"UIntegerT\" bitLength=\"8\"/></Datatype>",
                      variable, numbered(100, "<Menu id=\"M%1\">" + ref.repeated(10) + "</Menu>"),
                      numbered(100, "<MenuRef menuId=\"M%1\"/>"))
            << "values";
        // Ten references to the next menu, eight levels deep, from 300 entries of every role set.
        QTest::newRow("one menu fanned out") << device(
            "<Datatype id=\"D\" xsi:type=\"UIntegerT\" bitLength=\"8\"/>", variable,
            numbered(8, "<Menu id=\"M%1\">" + ref + QByteArray("<MenuRef menuId=\"M%2\"/>").repeated(10) + "</Menu>"),
            toM0.repeated(300)) << "menu nodes";
        // 2000 named values copied into 5000 editors.
        QTest::newRow("choices in many editors")
            << device("<Datatype id=\"D\" xsi:type=\"UIntegerT\" bitLength=\"32\">"
                          + numbered(2000, "<SingleValue value=\"%1\"/>") + "</Datatype>",
                      variable, "<Menu id=\"M0\">" + ref.repeated(5000) + "</Menu>", toM0)
            << "choices";
        // 20000 references to nothing, looked up from 300 entries of every role set.
        QTest::newRow("references to nothing") << device(
            {}, {}, "<Menu id=\"M0\">" + QByteArray("<VariableRef variableId=\"V_None\"/>").repeated(20000) + "</Menu>",
            toM0.repeated(300)) << "parse steps";
    }
    void budgetForTheWholeDescription()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, limit);
        QVERIFY(content.size() < 1024 * 1024);
        const QString path = written(content);
        QElapsedTimer timer;
        timer.start();
        analyIoddFile parser;
        QVERIFY(parser.load(path, stdDir) == 0 && parser.errorString().isEmpty());
        const auto build = [&parser]() {
            QPair<int, int> c;
            for (const char *set : ioddJson::roleMenuSets)
                for (const treeItem &t : parser.roleMenus(QString::fromLatin1(set))) {
                    const auto sub = count(t);
                    c.first += sub.first, c.second += sub.second;
                }
            return c;
        };
        const QPair<int, int> first = build();
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(parser.truncatedNote().contains(limit), qPrintable(parser.truncatedNote()));
        QVERIFY(first.first <= buildBudget::maxMenuNodes && first.second <= buildBudget::maxValues);
        QCOMPARE(build(), qMakePair(0, 0)); // the budget is spent: the same object builds nothing more

        analyIODD header;
        QVERIFY(header.open(path) == 0 && parser.load(path, stdDir) == 0);
        const QByteArray json = ioddJson::describe(header, parser);
        QVERIFY2(json.size() < 64 * 1024 * 1024, qPrintable(QString::number(json.size())));
        qInfo("%lld ms to load and build, %d kB of JSON", elapsed, int(json.size() / 1024));
        QVERIFY(elapsed < timeBound);
    }
};

QTEST_GUILESS_MAIN(tst_hostile)
#include "tst_hostile.moc"
