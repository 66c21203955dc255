// Parser behaviour on small hand-written IODD fixtures, and on hostile descriptions generated at run time, which
// must end quickly with a bounded result.

#include "description/ioddfile.h"
#include "description/ioddheaderreader.h"
#include "description/ioddjson.h"
#include "description/ioddxml.h"
#include "testhelpers.h"

#include <QElapsedTimer>
#include <QTextCodec>
#include <QtTest>

namespace {

const QString fixtures = QStringLiteral(HUB8_SOURCE_DIR "/tests/description/fixtures/");
const QString stdDir = fixtures + QStringLiteral("std");

const ValueItem *findValue(const TreeItem &node, const QString &label)
{
    const auto it =
        std::find_if(node.values.begin(), node.values.end(), [&](const ValueItem &v) { return v.label == label; });
    return it == node.values.end() ? nullptr : &*it;
}

// Menus as "name/values/children".
QStringList names(const QList<TreeItem> &menus)
{
    QStringList out;
    for (const TreeItem &t : menus)
        out << QStringLiteral("%1/%2/%3").arg(t.name).arg(t.values.size()).arg(t.children.size());
    return out;
}

// Where an entry is addressed: "index|subindex|offset|bit offset|bit length|access".
QString address(const ValueItem *v)
{
    return v
        ? QStringList({v->index, v->subindex, v->offset, v->editor.bitOffset, v->bitLength, v->accessRightRestriction})
              .join('|')
        : QStringLiteral("<missing>");
}

// Far above what a correct parser needs on a busy machine, far below what the unguarded one took;
// the sanitizers make the parser several times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 timeBound = 25000;
#else
constexpr qint64 timeBound = 5000;
#endif

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
    for (const char *set : IoddJson::roleMenuSets)
        roles += QByteArray("<") + set + ">" + roleRefs + "</" + set + ">";
    return "<IODevice xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><ProfileBody>"
           "<DeviceIdentity vendorId=\"1\" deviceId=\"2\"/><DeviceFunction><DatatypeCollection>"
        + datatypes + "</DatatypeCollection><VariableCollection>" + variables
        + "</VariableCollection><UserInterface><MenuCollection>" + menus + "</MenuCollection>" + roles
        + "</UserInterface></DeviceFunction></ProfileBody></IODevice>\n";
}

// Menu nodes and values of a tree.
QPair<int, int> count(const TreeItem &t)
{
    QPair<int, int> c{1, t.values.size()};
    for (const TreeItem &child : t.children) {
        const auto sub = count(child);
        c.first += sub.first, c.second += sub.second;
    }
    return c;
}

} // namespace

class tst_description : public QObject
{
    Q_OBJECT

    IoddFile m_file;
    QTemporaryDir m_dir;

    QString written(const QByteArray &content) const { return TestHelpers::writtenIn(m_dir, "hostile.xml", content); }

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("hub8.*.debug=false"));
        QCOMPARE(m_file.load(fixtures + "device.xml", stdDir), 0);
    }

    void deviceInfoFields()
    {
        const DeviceInfo i = IoddHeaderReader(fixtures + "device.xml").readDeviceInfo();
        // Vendor name: the last match wins; URL: the first Text, whatever its language; ids as written.
        QCOMPARE(
            (QStringList({i.vendorName, i.productText, i.vendorUrl, i.vendorId, i.deviceId, i.version, i.deviceIcon,
                          i.deviceSymbol, i.connectionSymbol, i.connectionType, i.bitrate, i.iolinkRevision})
             + i.wireColors + i.wireFunctions)
                .join('|'),
            "ACME Last|Level sensor|www.acme.de|1234| 42 |V1.0.2|icon1.png|sym1.png|conn.png|M12-4ConnectionT|"
            "COM2|V1.1|BN|WH|BU|BK|L+||L-|C/Q");

        // Header numbers: "body => device id|vendor id|product id".
        QTemporaryDir dir;
        for (
            const char *row :
            {R"(<DeviceIdentity vendorId=" 310 " deviceId="  733"/> => 733|310|)",
             R"(<DeviceIdentity deviceId=""/> => -1|-1|)",
             R"(<DeviceIdentity vendorId="0x10" deviceId="abc"/> => 0|0|)",
             R"(<DeviceIdentity vendorId="1" deviceId="2"/><DeviceIdentity vendorId="3" deviceId="4"/> => 2|1|)",
             R"(<StdVariableRef id="V_ProductID" defaultValue="a"/><StdVariableRef id="V_ProductID" defaultValue="b"/> => -1|-1|b)"}) {
            const QStringList f = QString(row).split(" => ");
            const QString path = dir.filePath("id.xml");
            QVERIFY(TestHelpers::writeFile(path, "<IODevice>" + f[0].toUtf8() + "</IODevice>"));
            IoddHeaderReader header(path);
            QCOMPARE(QString::number(header.deviceId()) + '|' + QString::number(header.vendorId()) + '|'
                         + header.readDeviceInfo().productId,
                     f[1]);
        }
        IoddHeaderReader header; // a failed open keeps the document read before
        QCOMPARE(header.open(fixtures + "device.xml"), 0);
        for (const QString &bad : {QString(), fixtures + "no-such-file.xml", fixtures})
            QCOMPARE(header.open(bad), -1);
        QCOMPARE(header.fileName() + QString::number(header.deviceId()), "device.xml42");
    }

    void editorLimits()
    {
        // "datatype: flag|widget|lower|upper|entries|ranges|first entry or second range's upper": named values
        // make a choice that also takes the numbers of the ranges.
        for (const char *row :
             {"D_I16: flase|QLineEdit|-32768|32767|0|0|", "D_U64: flase|QLineEdit|0|18446744073709551615|0|0|",
              "D_IntSvRange: flase|QComboBox|-100|100|2|0|", "D_UIntSvRange: flase|QComboBox|10|100|2|0|",
              "D_URanges: flase|QLineEdit|||0|2|29", "D_Bool: flase|QComboBox|||2|0|true=true",
              "D_Float: flase|QLineEdit|||0|0|"}) {
            const QString id = QString(row).section(':', 0, 0);
            const EditorItem e = m_file.buildEditor(m_file.findDatatype(id), QString());
            const QString extra = id == "D_Bool" ? e.entries.first().first + '=' + e.entries.first().second
                : id == "D_URanges"              ? e.ranges.at(1).upperValue
                                                 : QString();
            QCOMPARE(id + ": "
                         + QStringList({e.flag, e.widgetClass, e.lowerValue, e.upperValue,
                                        QString::number(e.entries.size()), QString::number(e.ranges.size()), extra})
                               .join('|'),
                     QString(row));
        }
    }

    // How a StdVariableRef narrows its standard variable: "id selector => kind|values, ranges or record
    // items|default|name". A record keeps its items whatever is asked for: the reference picks one of them.
    void standardVariableRestriction()
    {
        for (const char *row :
             {"V_SystemCommand 130 => UIntegerT|130=Restore factory settings|130|",
              "V_SystemCommand 5 => UIntegerT|0..63|5|", "V_SystemCommand 99 => |||",
              "V_DeviceAccessLocks  => RecordT|2,3||", "V_DeviceAccessLocks 3 => RecordT|2,3||Device access locks",
              "V_VendorName  => StringT||ACME First|"}) {
            const QString id = QString(row).section(' ', 0, 0), selector = QString(row).section(' ', 1, 1);
            const VariablePtr v = m_file.findVariable(id, selector);
            QVERIFY2(v, row);
            const QString kind = v->datatype ? v->datatype->type : QString();
            QStringList parts;
            if (kind == "UIntegerT") {
                const auto t = std::static_pointer_cast<IntegerType>(v->datatype);
                for (const SingleValueItem &s : t->singleValues)
                    parts << s.value + '=' + s.name;
                for (const ValueRangeItem &r : t->valueRanges)
                    parts << r.lowerValue + ".." + r.upperValue;
            } else if (kind == "RecordT") {
                for (const RecordItem &r : std::static_pointer_cast<RecordType>(v->datatype)->items)
                    parts << r.subindex;
            }
            QCOMPARE(id + ' ' + selector + " => "
                         + QStringList({kind, parts.join(','), v->defaultValue, selector == "3" ? v->name : QString()})
                               .join('|'),
                     QString(row));
        }
    }

    // Without the standard definitions the references to them go, and the button entries built on them.
    void standardVariablesNeedDefinitions()
    {
        IoddFile file;
        QCOMPARE(file.load(fixtures + "device.xml", fixtures + "nowhere"), 0);
        QVERIFY(!file.findVariable("V_SystemCommand", "130") && file.findVariable("V_U8", QString()));
        const QList<TreeItem> menus = file.roleMenus("SpecialistRoleMenuSet");
        QVERIFY(menus.size() == 2 && menus.first().values.isEmpty());
    }

    void roleMenuNaming()
    {
        // A comment between the references is no menu, a Menu without Name takes the role's name, a missing
        // Menu stays empty; a missing variable is dropped, MenuRef becomes a child.
        const QList<TreeItem> observer = m_file.roleMenus("ObserverRoleMenuSet");
        QCOMPARE(names(observer), QStringList({"Identification/1/1", "Observation/1/0"}));
        QCOMPARE(observer.at(0).values.first().label + QString::number(observer.at(0).children.first().values.size()),
                 "Vendor name2");
        QCOMPARE(names(m_file.roleMenus("SpecialistRoleMenuSet")).at(1), "Diagnosis/0/0");
        QVERIFY(m_file.roleMenus("NoSuchRoleMenuSet").isEmpty());
    }

    void arraysAndRecords()
    {
        const TreeItem param = m_file.buildMenu("M_Param");
        const auto at = [&param](const QString &label) { return findValue(param, label); };
        for (int i = 0; i < 4; ++i) { // no subindex access: one entry per element, the first in the highest bits
            QCOMPARE(address(at(QString("Array[%1]").arg(i))), QString("64|%1||%2|32|ro").arg(i + 1).arg(24 - 8 * i));
            QCOMPARE(at(QString("Array[%1]").arg(i))->editor.upperValue, "255");
        }
        QVERIFY(!at("Array[4]"));
        QCOMPARE(address(at("Rec.Item A")),
                 "65|1||8|16|ro"); // the item's own restriction // VariableRef to a record: one entry per item
        QCOMPARE(at("Rec.Item A")->description + '|' + at("Rec.Item B")->editor.bitOffset, "First item|0");
        // RecordItemRef with subindex access: the item's own name and restriction; without: inside the record.
        const ValueItem *item = at("Item A"), *whole = at("RecNoSub.Item B");
        QVERIFY(item && whole);
        QCOMPARE(
            QStringList({item->index, item->accessRightRestriction, item->subindexAccess, item->defaultValue,
                         whole->offset, whole->editor.bitOffset, whole->accessRightRestriction, whole->subindexAccess}),
            QStringList({"65", "ro", "true", "7", "", "0", "rw", "false"}));
        // A standard record narrowed by StdRecordItemRef.
        QVERIFY(at("Device access locks.Data storage") && at("Device access locks.Local user interface")
                && !at("Device access locks.Parameter write access"));
    }

    // A VariableRef carrying buttonValue itself, as older files write it, makes the same entry as a Button child;
    // with both, the child counts.
    void buttonValueOnReference()
    {
        const QString path = written(R"(<IODevice><ProfileBody><DeviceFunction>
            <VariableCollection><StdVariableRef id="V_SystemCommand"><StdSingleValueRef value="130"/>
              <SingleValue value="160"><Name textId="T_Teach"/></SingleValue></StdVariableRef></VariableCollection>
            <UserInterface><MenuCollection><Menu id="M">
              <VariableRef variableId="V_SystemCommand" buttonValue="130"/>
              <VariableRef variableId="V_SystemCommand"><Button buttonValue="130"/></VariableRef>
              <VariableRef variableId="V_SystemCommand" displayFormat="Button" buttonValue="160"/>
              <VariableRef variableId="V_SystemCommand" buttonValue="130"><Button buttonValue="160"/></VariableRef>
            </Menu></MenuCollection></UserInterface></DeviceFunction></ProfileBody>
            <ExternalTextCollection><PrimaryLanguage xml:lang="en"><Text id="T_Teach" value="Teach-in"/>
            </PrimaryLanguage></ExternalTextCollection></IODevice>)");
        IoddFile file;
        QCOMPARE(file.load(path, stdDir), 0);
        QStringList got;
        for (const ValueItem &v : file.buildMenu("M").values) {
            QStringList entries;
            for (const ValuePair &e : v.editor.entries)
                entries << e.first + '=' + e.second;
            got << QStringList({v.label, v.editor.widgetClass, v.editor.name, entries.join(','), v.editor.defaultValue,
                                v.index, v.subindex, v.buttonValue})
                       .join('|');
        }
        const QString factory =
            "System command|QPushButton|Restore factory settings|Restore factory settings=130|130|2||130";
        const QString teach = "System command|QPushButton|Teach-in|Teach-in=160|160|2||160";
        QCOMPARE(got, QStringList({factory, factory, teach, teach}));
    }

    // Malformed files, an entity bomb, recursive and dangling references: empty or null results, quickly.
    void badInput_data()
    {
        QTest::addColumn<QString>("file");
        for (const char *file : {"malformed_bad.xml", "bomb_bad.xml", "recursive_bad.xml", "dangling_bad.xml"})
            QTest::newRow(file) << QString(file);
    }
    void badInput()
    {
        QFETCH(QString, file);
        const bool wellFormed = file == "recursive_bad.xml" || file == "dangling_bad.xml";
        const QDeadlineTimer deadline(10000);
        IoddHeaderReader header;
        IoddFile parser;
        QVERIFY(header.open(fixtures + file) == 0 && parser.load(fixtures + file, stdDir) == 0);
        QCOMPARE(header.errorString().isEmpty() && parser.errorString().isEmpty(), wellFormed);
        const DeviceInfo info = header.readDeviceInfo();
        if (!wellFormed) {
            QCOMPARE(info.version + '|' + info.fileName + '|' + QString::number(header.deviceId()), '|' + file + "|-1");
            QVERIFY(parser.readVariants().isEmpty() && parser.roleMenus("ObserverRoleMenuSet").isEmpty());
        } else if (file == "recursive_bad.xml") {
            const auto record = std::static_pointer_cast<RecordType>(parser.findDatatype("D_Self"));
            QVERIFY(record && record->items.size() == 2 && !record->items.at(0).datatype); // an item refers back
            const auto array = std::static_pointer_cast<ArrayType>(record->items.at(1).datatype);
            QVERIFY(array && !array->elementTypeRef);
            const QList<TreeItem> menus = parser.roleMenus("ObserverRoleMenuSet");
            QVERIFY(menus.size() == 1 && menus.first().name == "Loop"); // menus leading back to themselves end
            QCOMPARE(count(menus.first()).first, 8);                    // each menu once on every path down
            QCOMPARE(int(parser.buildMenu("M_B").values.size()), IoddFile::maxArrayElements); // of a billion
        } else {
            QVERIFY(!parser.findDatatype("D_Odd") && !parser.findVariable("V_Missing", QString())
                    && !parser.findVariable("V_NotStandard", QString()));
            const TreeItem menu = parser.buildMenu("M");
            const ValueItem *a = findValue(menu, "R.A"), *item = findValue(menu, "B"); // no datatype: only the flag
            QVERIFY(a && item);
            QCOMPARE(a->editor.typeName + a->editor.widgetClass + a->editor.flag + '|' + item->editor.name + '|'
                         + item->editor.typeName,
                     "flase|B|");
            QCOMPARE(menu.values.size(), 2 + 1 + 1 + 3); // unknown kind and dangling element type still give entries
            QCOMPARE(parser.processDataIn().text + QString::number(parser.processDataIn().values.size()), "80");
        }
        QVERIFY2(!deadline.hasExpired(), "bad input must not take long");
    }

    // Deep nesting is refused before the DOM is built, also where the pre-read cannot follow the encoding.
    void nesting_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("refused");
        const auto nested = [](int depth, bool closed) {
            return QByteArray("<IODevice>") + QByteArray("<a>").repeated(depth - 1)
                + (closed ? QByteArray("</a>").repeated(depth - 1) + "</IODevice>" : QByteArray());
        };
        QTest::newRow("at the limit") << nested(IoddXml::maxDepth, true) << false;
        QTest::newRow("one deeper") << nested(IoddXml::maxDepth + 1, true) << true;
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
        IoddHeaderReader header;
        IoddFile parser;
        QVERIFY(header.open(path) == 0 && parser.load(path, stdDir) == 0);
        // The streaming read agrees, and what it passed is parsed without a second scan.
        QCOMPARE(IoddXml::readElements(content, [](const QXmlStreamReader &, int) {}), !refused);
        QDomDocument document;
        QCOMPARE(IoddXml::parse(content, document), !refused);
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
                if (!IoddXml::parse(encoded(body.arg("V1"), asciiDeclaration), document)
                    || document.documentElement().firstChildElement().attribute("version") != "V1")
                    continue;
                read = true;
                const QByteArray hostile = encoded(doctype + body.arg(expansion), asciiDeclaration);
                QString error;
                QVERIFY2(!IoddXml::parse(hostile, document, &error) && document.isNull()
                             && IoddXml::declaresEntities(hostile) && error.contains("document type declaration"),
                         qPrintable(QLatin1String(name) + ": " + error));
            }
            QVERIFY2(read, name);
        }
        // Without byte-order mark and without declaration, the first bytes tell UTF-16BE.
        QDomDocument document;
        QVERIFY(!IoddXml::parse(QTextCodec::codecForName("UTF-16BE")->fromUnicode(doctype + body.arg(expansion)),
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
        IoddFile parser;
        QVERIFY(parser.load(path, stdDir) == 0 && parser.errorString().isEmpty());
        const auto build = [&parser]() {
            QPair<int, int> c;
            for (const char *set : IoddJson::roleMenuSets)
                for (const TreeItem &t : parser.roleMenus(QString::fromLatin1(set))) {
                    const auto sub = count(t);
                    c.first += sub.first, c.second += sub.second;
                }
            return c;
        };
        const QPair<int, int> first = build();
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(parser.truncatedNote().contains(limit), qPrintable(parser.truncatedNote()));
        QVERIFY(first.first <= BuildBudget::maxMenuNodes && first.second <= BuildBudget::maxValues);
        QCOMPARE(build(), first); // kept from the first build: asking again costs nothing

        IoddHeaderReader header;
        QVERIFY(header.open(path) == 0 && parser.load(path, stdDir) == 0);
        QVERIFY(IoddJson::describe(header, parser).size() < 64 * 1024 * 1024);
        QVERIFY2(elapsed < timeBound, qPrintable(QString::number(elapsed)));
    }
};

QTEST_GUILESS_MAIN(tst_description)
#include "tst_description.moc"
