// Hostile descriptions, generated at run time: each must end quickly with a bounded result.

#include "description/analyiodd.h"
#include "description/analyioddfile.h"
#include "description/ioddjson.h"
#include "description/ioddxml.h"

#include <QElapsedTimer>
#include <QTextCodec>
#include <QtTest>

#include <functional>

namespace {

const QString stdDir = QStringLiteral(HUB8_SOURCE_DIR "/tests/description/fixtures/std");

// Far above what a correct parser needs on a busy machine, far below what the unguarded one took.
constexpr qint64 timeBound = 5000;

QByteArray repeated(int count, const std::function<QByteArray(int)> &item)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += item(i);
    return out;
}

// A device description around the given collections.
struct device
{
    QByteArray datatypes, variables, processData, menus, roles;

    QByteArray bytes() const
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<IODevice xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><ProfileBody>"
               "<DeviceIdentity vendorId=\"1\" deviceId=\"2\"/><DeviceFunction>"
               "<DatatypeCollection>"
            + datatypes
            + "</DatatypeCollection>"
              "<VariableCollection>"
            + variables
            + "</VariableCollection>"
              "<ProcessDataCollection><ProcessData id=\"PD\">"
            + processData
            + "</ProcessData></ProcessDataCollection>"
              "<UserInterface><MenuCollection>"
            + menus + "</MenuCollection>" + roles
            + "</UserInterface>"
              "</DeviceFunction></ProfileBody></IODevice>\n";
    }
};

// The three role menu sets, each referring to the menus given.
QByteArray allRoles(const QByteArray &refs)
{
    QByteArray out;
    for (const char *set : ioddJson::roleMenuSets)
        out += QByteArray("<") + set + ">" + refs + "</" + set + ">";
    return out;
}

QByteArray menu(const QByteArray &id, const QByteArray &children)
{
    return "<Menu id=\"" + id + "\">" + children + "</Menu>";
}

struct counts
{
    int nodes = 0;
    int values = 0;
};

void count(const treeItem &t, counts &c)
{
    ++c.nodes;
    c.values += t.values.size();
    for (const treeItem &child : t.children)
        count(child, c);
}

struct written
{
    QTemporaryDir dir;
    QString path;
    explicit written(const QByteArray &content)
    {
        path = dir.filePath(QStringLiteral("device.xml"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            path.clear();
    }
};

} // namespace

class tst_hostile : public QObject
{
    Q_OBJECT

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
        QTest::newRow("25000 closed") << nested(25000, true) << true;
        QTest::newRow("unknown encoding")
            << QByteArray("<?xml version=\"1.0\" encoding=\"x-none\"?>") + nested(25000, true) << true;
    }

    void nesting()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, refused);
        written file(content);
        QVERIFY(!file.path.isEmpty());
        QElapsedTimer timer;
        timer.start();
        analyIODD header;
        analyIoddFile parser;
        QVERIFY(header.open(file.path) == 0 && parser.load(file.path, stdDir) == 0);
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
        const QString doctype =
            QStringLiteral("<!DOCTYPE IODevice [<!ENTITY a \"%1\">]>\n").arg(QString(10000, QLatin1Char('a')));
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
                if (!ioddXml::parse(encoded(body.arg(QStringLiteral("V1")), asciiDeclaration), document)
                    || document.documentElement().firstChildElement().attribute(QStringLiteral("version"))
                        != QLatin1String("V1"))
                    continue;
                read = true;
                const QByteArray hostile = encoded(doctype + body.arg(expansion), asciiDeclaration);
                QString error;
                QVERIFY2(!ioddXml::parse(hostile, document, &error) && document.isNull()
                             && ioddXml::declaresEntities(hostile)
                             && error.contains(QLatin1String("document type declaration")),
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

    // Limits hold for the whole description: role sets, arrays, records and process data together.
    void budgetForTheWholeDescription_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("limit");

        device arrays; // every menu expands an array of 4096 elements ten times, every role set shows all menus
        arrays.datatypes = "<Datatype id=\"D_A\" xsi:type=\"ArrayT\" count=\"4096\" subindexAccessSupported=\"false\">"
                           "<SimpleDatatype xsi:type=\"UIntegerT\" bitLength=\"8\"/></Datatype>";
        arrays.variables =
            "<Variable id=\"V_A\" index=\"100\" accessRights=\"rw\"><DatatypeRef datatypeId=\"D_A\"/></Variable>";
        arrays.menus = repeated(100, [](int i) {
            return menu("M" + QByteArray::number(i), QByteArray("<VariableRef variableId=\"V_A\"/>").repeated(10));
        });
        arrays.roles =
            allRoles(repeated(100, [](int i) { return "<MenuRef menuId=\"M" + QByteArray::number(i) + "\"/>"; }));
        QTest::newRow("arrays in many menus") << arrays.bytes() << "values";

        device fanned; // ten references to the next menu, eight levels deep, from 300 entries of every role set
        fanned.variables =
            "<Variable id=\"V\" index=\"100\"><Datatype xsi:type=\"UIntegerT\" bitLength=\"8\"/></Variable>";
        fanned.menus = repeated(8, [](int i) {
            return menu("M" + QByteArray::number(i),
                        "<VariableRef variableId=\"V\"/>"
                            + QByteArray("<MenuRef menuId=\"M" + QByteArray::number(i + 1) + "\"/>").repeated(10));
        });
        fanned.roles = allRoles(QByteArray("<MenuRef menuId=\"M0\"/>").repeated(300));
        QTest::newRow("one menu fanned out") << fanned.bytes() << "menu nodes";

        device choices; // 2000 named values copied into 5000 editors
        choices.datatypes = "<Datatype id=\"D_S\" xsi:type=\"UIntegerT\" bitLength=\"32\">"
            + repeated(2000, [](int i) { return "<SingleValue value=\"" + QByteArray::number(i) + "\"/>"; })
            + "</Datatype>";
        choices.variables = "<Variable id=\"V_S\" index=\"100\"><DatatypeRef datatypeId=\"D_S\"/></Variable>";
        choices.menus = menu("M", QByteArray("<VariableRef variableId=\"V_S\"/>").repeated(5000));
        choices.roles = allRoles("<MenuRef menuId=\"M\"/>");
        QTest::newRow("choices in many editors") << choices.bytes() << "choices";

        device dangling; // 20000 references to nothing, looked up from 300 entries of every role set
        dangling.menus = menu("M", QByteArray("<VariableRef variableId=\"V_None\"/>").repeated(20000));
        dangling.roles = allRoles(QByteArray("<MenuRef menuId=\"M\"/>").repeated(300));
        QTest::newRow("references to nothing") << dangling.bytes() << "parse steps";

        device processData; // a process data record of 255 items, each item with the same 400 named values
        processData.datatypes = "<Datatype id=\"D_S\" xsi:type=\"UIntegerT\" bitLength=\"16\">"
            + repeated(400, [](int i) { return "<SingleValue value=\"" + QByteArray::number(i) + "\"/>"; })
            + "</Datatype>";
        processData.processData =
            "<ProcessDataIn id=\"In\" bitLength=\"16\"><Datatype xsi:type=\"RecordT\" bitLength=\"16\">"
            + repeated(255,
                       [](int i) {
                           return "<RecordItem subindex=\"" + QByteArray::number(i + 1)
                               + "\" bitOffset=\"0\"><DatatypeRef datatypeId=\"D_S\"/></RecordItem>";
                       })
            + "</Datatype></ProcessDataIn>";
        QTest::newRow("process data") << processData.bytes() << "choices";
    }

    void budgetForTheWholeDescription()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, limit);
        QVERIFY(content.size() < 1024 * 1024);
        written file(content);
        QElapsedTimer timer;
        timer.start();
        analyIoddFile parser;
        QVERIFY(parser.load(file.path, stdDir) == 0 && parser.errorString().isEmpty());
        const auto build = [&parser]() {
            counts c;
            for (const char *set : ioddJson::roleMenuSets)
                for (const treeItem &t : parser.roleMenus(QString::fromLatin1(set)))
                    count(t, c);
            count(parser.processDataIn(), c);
            count(parser.processDataOut(), c);
            return c;
        };
        const counts first = build();
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(parser.truncatedNote().contains(limit), qPrintable(parser.truncatedNote()));
        QVERIFY(first.nodes <= buildBudget::maxMenuNodes + 2 && first.values <= buildBudget::maxValues);
        const counts again = build(); // the budget is spent: the same object builds nothing more
        QVERIFY(again.nodes == 2 && again.values == 0);

        analyIODD header;
        QVERIFY(header.open(file.path) == 0 && parser.load(file.path, stdDir) == 0); // a new load, a new budget
        const QByteArray json = ioddJson::describe(header, parser);
        QVERIFY2(json.size() < 64 * 1024 * 1024, qPrintable(QString::number(json.size())));
        qInfo("%lld ms to load and build, %d kB of JSON", elapsed, int(json.size() / 1024));
        QVERIFY(elapsed < timeBound);
    }

    // References into the process data are resolved from an index, not by rescanning the document.
    void processDataReferences()
    {
        device d;
        d.variables = "<StdVariableRef id=\"V_ProcessDataInput\"/>";
        d.processData = "<ProcessDataIn id=\"In\" bitLength=\"16\"><Datatype xsi:type=\"RecordT\" bitLength=\"16\" "
                        "subindexAccessSupported=\"false\">"
                        "<RecordItem subindex=\"1\" bitOffset=\"8\"><SimpleDatatype xsi:type=\"UIntegerT\" "
                        "bitLength=\"8\"/></RecordItem>"
                        "<RecordItem subindex=\"2\" bitOffset=\"0\"><SimpleDatatype xsi:type=\"UIntegerT\" "
                        "bitLength=\"8\"/></RecordItem>"
                        "</Datatype></ProcessDataIn>";
        d.menus = menu("M", repeated(10000, [](int i) {
                           return "<RecordItemRef variableId=\"V_ProcessDataInput\" subindex=\""
                               + QByteArray::number(i % 2 + 1) + "\"/>";
                       }));
        d.roles = "<ObserverRoleMenuSet><MenuRef menuId=\"M\"/></ObserverRoleMenuSet>";
        written file(d.bytes());
        QElapsedTimer timer;
        timer.start();
        analyIoddFile parser;
        QCOMPARE(parser.load(file.path, stdDir), 0);
        const QList<treeItem> menus = parser.roleMenus(QStringLiteral("ObserverRoleMenuSet"));
        qInfo("%lld ms", timer.elapsed());
        QVERIFY(timer.elapsed() < timeBound);
        QCOMPARE(menus.size(), 1);
        QCOMPARE(menus.first().values.size(), 10000);
        QCOMPARE(menus.first().values.last().editor.bitOffset + '|' + menus.first().values.last().bitLength,
                 QStringLiteral("0|16"));
        QVERIFY(parser.truncatedNote().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_hostile)
#include "tst_hostile.moc"
