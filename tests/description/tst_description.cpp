// Parser behaviour on small hand-written IODD fixtures.

#include "description/analyiodd.h"
#include "description/analyioddfile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString fixtures = QStringLiteral(HUB8_SOURCE_DIR "/tests/description/fixtures");

QString fixture(const QString &name)
{
    return fixtures + QLatin1Char('/') + name;
}

const valueItem *findValue(const treeItem &node, const QString &label)
{
    for (const valueItem &v : node.values) {
        if (v.label == label)
            return &v;
    }
    return nullptr;
}

} // namespace

class tst_description : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void deviceInfoFields();
    void identityNumbers_data();
    void identityNumbers();
    void openKeepsPreviousDocument();
    void languageSelection_data();
    void languageSelection();

    void datatypeKinds_data();
    void datatypeKinds();
    void editorLimits_data();
    void editorLimits();
    void recordItemInfoPlacement();
    void standardVariableRestriction_data();
    void standardVariableRestriction();
    void standardVariablesNeedDefinitions();

    void roleMenuNaming();
    void arrayWithoutSubindexAccess();
    void recordReferences();
    void buttonEntries();
    void units();
    void processData();

    void badInput_data();
    void badInput();
    void recursiveDescriptionsEnd();
    void danglingReferences();

private:
    analyIoddFile m_file;
};

void tst_description::initTestCase()
{
    QCOMPARE(m_file.load(fixture(QStringLiteral("device.xml")), fixtures + QStringLiteral("/std")), 0);
}

void tst_description::deviceInfoFields()
{
    analyIODD header;
    QCOMPARE(header.open(fixture(QStringLiteral("device.xml"))), 0);
    const deviceInfo info = header.readDeviceInfo();
    QCOMPARE(info.vendorName, QStringLiteral("ACME Last"));   // the last match wins
    QCOMPARE(info.productText, QStringLiteral("Level sensor"));
    QCOMPARE(info.vendorUrl, QStringLiteral("www.acme.de"));   // first Text, whatever its language
    QCOMPARE(info.vendorId, QStringLiteral("1234"));
    QCOMPARE(info.deviceId, QStringLiteral(" 42 "));           // text as written
    QCOMPARE(info.deviceIcon, QStringLiteral("icon1.png"));
    QCOMPARE(info.deviceSymbol, QStringLiteral("sym1.png"));
    QCOMPARE(info.connectionSymbol, QStringLiteral("conn.png"));
    QCOMPARE(info.connectionType, QStringLiteral("M12-4ConnectionT"));
    QCOMPARE(info.wireColors, QStringList({"BN", "WH", "BU", "BK"}));
    QCOMPARE(info.wireFunctions, QStringList({"L+", "", "L-", "C/Q"}));
    QCOMPARE(info.bitrate, QStringLiteral("COM2"));
    QCOMPARE(info.iolinkRevision, QStringLiteral("V1.1"));
    QCOMPARE(info.fileName, QStringLiteral("device.xml"));
    QCOMPARE(info.version, QStringLiteral("V1.0.2"));
    QCOMPARE(header.version(), QStringLiteral("V1.0.2"));
    QCOMPARE(header.connectionSymbol(), QStringLiteral("conn.png"));
}

void tst_description::identityNumbers_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<QString>("productId");

    QTest::newRow("blanks around numbers") << R"(<DeviceIdentity vendorId=" 310 " deviceId="  733"/>)" << 733 << 310 << "";
    QTest::newRow("empty and missing") << R"(<DeviceIdentity deviceId=""/>)" << -1 << -1 << "";
    QTest::newRow("not decimal") << R"(<DeviceIdentity vendorId="0x10" deviceId="abc"/>)" << 0 << 0 << "";
    QTest::newRow("first identity counts") << R"(<DeviceIdentity vendorId="1" deviceId="2"/><DeviceIdentity vendorId="3" deviceId="4"/>)" << 2 << 1 << "";
    // The tests run in a fixed order and the first that matches decides.
    QTest::newRow("order of the id tests")
        << R"(<StdVariableRef id="V_ProductID_ProductText" defaultValue="a"/>)" << -1 << -1 << "a";
    QTest::newRow("last match wins")
        << R"(<StdVariableRef id="V_ProductID" defaultValue="a"/><StdVariableRef id="V_ProductID" defaultValue="b"/>)"
        << -1 << -1 << "b";
}

void tst_description::identityNumbers()
{
    QFETCH(QString, body);
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("id.xml")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("<IODevice>" + body.toUtf8() + "</IODevice>");
    f.close();

    analyIODD header(f.fileName());
    QTEST(header.deviceId(), "deviceId");
    QTEST(header.vendorId(), "vendorId");
    QTEST(header.readDeviceInfo().productId, "productId");
    QCOMPARE(header.readDeviceInfo().productText, QString());
}

void tst_description::openKeepsPreviousDocument()
{
    analyIODD header;
    QCOMPARE(header.open(QString()), -1);
    QCOMPARE(header.deviceId(), -1);
    QCOMPARE(header.open(fixture(QStringLiteral("device.xml"))), 0);
    QCOMPARE(header.open(QString()), -1);
    QCOMPARE(header.open(fixture(QStringLiteral("no-such-file.xml"))), -1);
    QCOMPARE(header.open(fixtures), -1);   // a directory
    QCOMPARE(header.fileName(), QStringLiteral("device.xml"));
    QCOMPARE(header.deviceId(), 42);

    analyIoddFile file;
    QCOMPARE(file.load(QString()), -1);
    QCOMPARE(file.load(fixture(QStringLiteral("missing.xml"))), -1);
    QVERIFY(file.readVariants().isEmpty());
}

void tst_description::languageSelection_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    // English in a Language block beats a German PrimaryLanguage.
    QTest::newRow("en in Language") << "device.xml" << "Standard sensor" << "Standard range";
    QTest::newRow("no en block") << "lang_no_en.xml" << "" << "";
}

void tst_description::languageSelection()
{
    QFETCH(QString, file);
    analyIoddFile parser;
    QCOMPARE(parser.load(fixture(file), fixtures + QStringLiteral("/std")), 0);
    const QList<variantItem> variants = parser.readVariants();
    QVERIFY(!variants.isEmpty());
    QTEST(variants.first().name, "name");
    QTEST(variants.first().description, "description");
}

void tst_description::datatypeKinds_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("kind");
    const char *kinds[][2] = {{"D_U8", "UIntegerT"},   {"D_I16", "IntegerT"},   {"D_Bool", "BooleanT"},
                              {"D_Float", "Float32T"}, {"D_Str", "StringT"},    {"D_Oct", "OctetStringT"},
                              {"D_Time", "TimeT"},     {"D_Span", "TimeSpanT"}, {"D_Rec", "RecordT"},
                              {"D_Unknown", ""},       {"D_Missing", ""}};
    for (const auto &k : kinds)
        QTest::newRow(k[0]) << k[0] << k[1];
}

void tst_description::datatypeKinds()
{
    QFETCH(QString, id);
    QFETCH(QString, kind);
    const datatypePtr type = m_file.findDatatype(id);
    if (kind.isEmpty()) {
        QVERIFY(!type);
        return;
    }
    QVERIFY(type);
    QCOMPARE(type->type, kind);
    QCOMPARE(type->id, id);
    // Each lookup builds an independent record.
    QVERIFY(m_file.findDatatype(id) != type);
}

void tst_description::editorLimits_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QString>("upper");
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("ranges");

    QTest::newRow("uint8") << "D_U8" << "QLineEdit" << "0" << "255" << 0 << 0;
    QTest::newRow("int16") << "D_I16" << "QLineEdit" << "-32768" << "32767" << 0 << 0;
    QTest::newRow("uint64") << "D_U64" << "QLineEdit" << "0" << "18446744073709551615" << 0 << 0;
    QTest::newRow("int64") << "D_I64" << "QLineEdit" << "-9223372036854775808" << "9223372036854775807" << 0 << 0;
    QTest::newRow("int values and range") << "D_IntSvRange" << "QLineEdit" << "-100" << "100" << 2 << 0;
    QTest::newRow("uint values and range") << "D_UIntSvRange" << "QComboBox" << "" << "" << 2 << 0;
    QTest::newRow("uint two ranges") << "D_URanges" << "" << "" << "" << 0 << 2;
    QTest::newRow("boolean without values") << "D_Bool" << "QComboBox" << "" << "" << 2 << 0;
    QTest::newRow("float without values") << "D_Float" << "" << "" << "" << 0 << 0;
    QTest::newRow("time") << "D_Time" << "" << "" << "" << 0 << 0;
    QTest::newRow("record, no subindex") << "D_Rec" << "" << "" << "" << 0 << 0;
}

void tst_description::editorLimits()
{
    QFETCH(QString, id);
    const editorItem e = m_file.buildEditor(m_file.findDatatype(id), QString());
    QCOMPARE(e.flag, QStringLiteral("flase"));
    QTEST(e.widgetClass, "widget");
    QTEST(e.lowerValue, "lower");
    QTEST(e.upperValue, "upper");
    QTEST(int(e.entries.size()), "entries");
    QTEST(int(e.ranges.size()), "ranges");
    if (id == QLatin1String("D_Bool"))
        QCOMPARE(e.entries.first(), valuePair("true", "true"));
    if (id == QLatin1String("D_URanges"))
        QCOMPARE(e.ranges.at(1).upperValue, QStringLiteral("29"));
}

void tst_description::recordItemInfoPlacement()
{
    const auto infosOf = [this](const QString &id) {
        const variablePtr v = m_file.findVariable(id, QString());
        return std::static_pointer_cast<recordType>(v->datatype)->itemInfos;
    };
    QCOMPARE(infosOf(QStringLiteral("V_Rec")).size(), 1);
    QCOMPARE(infosOf(QStringLiteral("V_Rec")).first().defaultValue, QStringLiteral("7"));
    QVERIFY(infosOf(QStringLiteral("V_InfoFirst")).isEmpty());   // came before the datatype
    const variablePtr notRecord = m_file.findVariable(QStringLiteral("V_InfoNotRecord"), QString());
    QCOMPARE(notRecord->datatype->type, QStringLiteral("UIntegerT"));

    // The default reaches the editor of that record item only.
    const datatypePtr rec = m_file.findVariable(QStringLiteral("V_Rec"), QString())->datatype;
    QCOMPARE(m_file.buildEditor(rec, QStringLiteral("1")).defaultValue, QStringLiteral("7"));
    QCOMPARE(m_file.buildEditor(rec, QStringLiteral("2")).defaultValue, QString());
}

void tst_description::standardVariableRestriction_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("selector");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("content");   // values or ranges or items, joined
    QTest::addColumn<QString>("defaultValue");

    QTest::newRow("std single value") << "V_SystemCommand" << "130" << "UIntegerT" << "130=Restore factory settings" << "130";
    QTest::newRow("std value inside a range") << "V_SystemCommand" << "5" << "UIntegerT" << "0..63" << "5";
    QTest::newRow("device single value") << "V_SystemCommand" << "160" << "UIntegerT" << "160=Teach-in" << "160";
    QTest::newRow("no child matches") << "V_SystemCommand" << "99" << "" << "" << "";
    QTest::newRow("record items, no selector") << "V_DeviceAccessLocks" << "" << "RecordT" << "2,3" << "";
    QTest::newRow("record item selected") << "V_DeviceAccessLocks" << "3" << "BooleanT" << "" << "";
    QTest::newRow("childless ref keeps std variable") << "V_VendorName" << "" << "StringT" << "" << "ACME First";
    QTest::newRow("process data without datatype") << "V_ProcessDataInput" << "" << "BooleanT" << "" << "";
}

void tst_description::standardVariableRestriction()
{
    QFETCH(QString, id);
    QFETCH(QString, selector);
    QFETCH(QString, kind);
    QFETCH(QString, content);
    const variablePtr v = m_file.findVariable(id, selector);
    QVERIFY(v);
    QCOMPARE(v->id, id);
    QTEST(v->defaultValue, "defaultValue");
    if (kind.isEmpty()) {
        QVERIFY(!v->datatype);
        return;
    }
    QVERIFY(v->datatype);
    QCOMPARE(v->datatype->type, kind);
    QStringList parts;
    if (kind == QLatin1String("UIntegerT")) {
        const auto t = std::static_pointer_cast<integerType>(v->datatype);
        for (const singleValueItem &s : t->singleValues)
            parts << s.value + QLatin1Char('=') + s.name;
        for (const valueRangeItem &r : t->valueRanges)
            parts << r.lowerValue + QStringLiteral("..") + r.upperValue;
    } else if (kind == QLatin1String("RecordT")) {
        for (const recordItem &r : std::static_pointer_cast<recordType>(v->datatype)->items)
            parts << r.subindex;
    }
    QCOMPARE(parts.join(QLatin1Char(',')), content);
    if (selector == QLatin1String("3"))
        QCOMPARE(v->name, QStringLiteral("Device access locks"));
}

void tst_description::standardVariablesNeedDefinitions()
{
    analyIoddFile file;
    QCOMPARE(file.load(fixture(QStringLiteral("device.xml")), fixture(QStringLiteral("nowhere"))), 0);
    QVERIFY(!file.findVariable(QStringLiteral("V_SystemCommand"), QStringLiteral("130")));
    QVERIFY(file.findVariable(QStringLiteral("V_U8"), QString()));
    const QList<treeItem> menus = file.roleMenus(QStringLiteral("SpecialistRoleMenuSet"));
    QCOMPARE(menus.size(), 2);
    QVERIFY(menus.first().values.isEmpty());   // both buttons dropped
}

void tst_description::roleMenuNaming()
{
    const QList<treeItem> observer = m_file.roleMenus(QStringLiteral("ObserverRoleMenuSet"));
    QCOMPARE(observer.size(), 2);   // the comment between the references is no menu
    QCOMPARE(observer.at(0).name, QStringLiteral("Identification"));
    QCOMPARE(observer.at(1).name, QStringLiteral("Observation"));   // Menu without Name
    const QList<treeItem> specialist = m_file.roleMenus(QStringLiteral("SpecialistRoleMenuSet"));
    QCOMPARE(specialist.at(1).name, QStringLiteral("Diagnosis"));   // no such Menu
    QVERIFY(specialist.at(1).values.isEmpty());

    // A missing variable is dropped; MenuRef becomes a child.
    const treeItem ident = observer.at(0);
    QCOMPARE(ident.values.size(), 1);
    QCOMPARE(ident.values.first().label, QStringLiteral("Vendor name"));
    QCOMPARE(ident.children.size(), 1);
    QCOMPARE(ident.children.first().values.size(), 2);
    QVERIFY(m_file.roleMenus(QStringLiteral("NoSuchRoleMenuSet")).isEmpty());
}

void tst_description::arrayWithoutSubindexAccess()
{
    const treeItem param = m_file.buildMenu(QStringLiteral("M_Param"));
    const QStringList offsets = {"24", "16", "8", "0"};
    for (int i = 0; i < 4; ++i) {
        const valueItem *v = findValue(param, QStringLiteral("Array[%1]").arg(i));
        QVERIFY2(v, qPrintable(QString::number(i)));
        QCOMPARE(v->subindex, QString::number(i + 1));
        QCOMPARE(v->bitLength, QStringLiteral("32"));
        QCOMPARE(v->editor.bitOffset, offsets.at(i));
        QCOMPARE(v->editor.upperValue, QStringLiteral("255"));
        QCOMPARE(v->index, QStringLiteral("64"));
        QCOMPARE(v->accessRightRestriction, QStringLiteral("ro"));
    }
    QVERIFY(!findValue(param, QStringLiteral("Array[4]")));
}

void tst_description::recordReferences()
{
    const treeItem param = m_file.buildMenu(QStringLiteral("M_Param"));
    // VariableRef to a record: one entry per record item.
    const valueItem *a = findValue(param, QStringLiteral("Rec.Item A"));
    const valueItem *b = findValue(param, QStringLiteral("Rec.Item B"));
    QVERIFY(a && b);
    QCOMPARE(a->subindex, QStringLiteral("1"));
    QCOMPARE(a->offset, QStringLiteral("8"));
    QCOMPARE(a->editor.bitOffset, QStringLiteral("8"));
    QCOMPARE(a->description, QStringLiteral("First item"));
    QCOMPARE(a->accessRightRestriction, QStringLiteral("rw"));
    QCOMPARE(a->bitLength, QStringLiteral("16"));
    QCOMPARE(b->editor.bitOffset, QStringLiteral("0"));

    // RecordItemRef with subindex access: the item's own name.
    const valueItem *item = findValue(param, QStringLiteral("Item A"));
    QVERIFY(item);
    QCOMPARE(item->defaultValue, QStringLiteral("7"));
    QCOMPARE(item->accessRightRestriction, QStringLiteral("ro"));
    QCOMPARE(item->index, QStringLiteral("65"));
    QCOMPARE(item->subindexAccess, QStringLiteral("true"));

    // RecordItemRef without subindex access: addressed inside the whole record.
    const valueItem *whole = findValue(param, QStringLiteral("RecNoSub.Item B"));
    QVERIFY(whole);
    QCOMPARE(whole->subindexAccess, QStringLiteral("false"));
    QCOMPARE(whole->offset, QStringLiteral("0"));
    QCOMPARE(whole->editor.bitOffset, QStringLiteral("0"));
    QCOMPARE(whole->accessRightRestriction, QStringLiteral("rw"));

    // A standard record narrowed by StdRecordItemRef.
    QVERIFY(findValue(param, QStringLiteral("Device access locks.Data storage")));
    QVERIFY(findValue(param, QStringLiteral("Device access locks.Local user interface")));
    QVERIFY(!findValue(param, QStringLiteral("Device access locks.Parameter write access")));
}

void tst_description::buttonEntries()
{
    const treeItem cmd = m_file.buildMenu(QStringLiteral("M_Cmd"));
    QCOMPARE(cmd.values.size(), 2);
    const QStringList names = {"Restore factory settings", "Teach-in"};
    const QStringList values = {"130", "160"};
    for (int i = 0; i < 2; ++i) {
        const valueItem &v = cmd.values.at(i);
        QCOMPARE(v.editor.widgetClass, QStringLiteral("QPushButton"));
        QCOMPARE(v.editor.name, names.at(i));
        QCOMPARE(v.editor.defaultValue, values.at(i));
        QCOMPARE(v.subindex, values.at(i));
        QCOMPARE(v.index, QStringLiteral("2"));
        QCOMPARE(v.label, QStringLiteral("System command"));
    }
}

void tst_description::units()
{
    const treeItem sub = m_file.buildMenu(QStringLiteral("M_Sub"));
    QCOMPARE(sub.values.size(), 2);
    QCOMPARE(sub.values.at(0).unit, QStringLiteral("°C"));
    QCOMPARE(sub.values.at(0).gradient, QStringLiteral("0.1"));
    QCOMPARE(sub.values.at(0).displayFormat, QStringLiteral("Dec.1"));
    QCOMPARE(sub.values.at(0).description, QStringLiteral("An 8-bit value"));
    QCOMPARE(sub.values.at(0).defaultValue, QStringLiteral("3"));
    QCOMPARE(sub.values.at(1).unit, QString());   // unknown code
    QCOMPARE(sub.values.at(1).accessRightRestriction, QStringLiteral("rw"));
    QCOMPARE(m_file.standardDefinitions().unitAbbreviation(QString()), QString());
}

void tst_description::processData()
{
    const treeItem in = m_file.processDataIn();
    QCOMPARE(in.text, QStringLiteral("16"));
    QCOMPARE(in.name, QStringLiteral("Input"));
    QCOMPARE(in.values.size(), 2);
    QCOMPARE(in.values.at(0).label, QStringLiteral("Level"));
    QCOMPARE(in.values.at(0).editor.bitOffset, QStringLiteral("1"));
    QCOMPARE(in.values.at(0).editor.lowerValue, QStringLiteral("-16384"));
    QCOMPARE(in.values.at(0).subindexAccess, QStringLiteral("false"));
    QCOMPARE(in.values.at(1).editor.typeName, QStringLiteral("BooleanT"));
    QCOMPARE(in.values.at(1).subindex, QStringLiteral("2"));

    const treeItem out = m_file.processDataOut();
    QCOMPARE(out.text, QStringLiteral("8"));
    QCOMPARE(out.name, QStringLiteral("Output"));
    QCOMPARE(out.values.size(), 1);
    QCOMPARE(out.values.first().editor.upperValue, QStringLiteral("255"));
}

void tst_description::badInput_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("wellFormed");
    QTest::newRow("malformed") << "malformed_bad.xml" << false;
    QTest::newRow("entity expansion") << "bomb_bad.xml" << false;
    QTest::newRow("recursive") << "recursive_bad.xml" << true;
    QTest::newRow("dangling") << "dangling_bad.xml" << true;
}

void tst_description::badInput()
{
    QFETCH(QString, file);
    QFETCH(bool, wellFormed);
    QElapsedTimer timer;
    timer.start();
    analyIODD header;
    analyIoddFile parser;
    QCOMPARE(header.open(fixture(file)), 0);
    QCOMPARE(parser.load(fixture(file), fixtures + QStringLiteral("/std")), 0);
    QCOMPARE(header.errorString().isEmpty(), wellFormed);
    QCOMPARE(parser.errorString().isEmpty(), wellFormed);
    const deviceInfo info = header.readDeviceInfo();
    for (const char *set : {"ObserverRoleMenuSet", "MaintenanceRoleMenuSet", "SpecialistRoleMenuSet"})
        parser.roleMenus(QString::fromLatin1(set));
    parser.processDataIn();
    parser.processDataOut();
    if (!wellFormed) {
        QCOMPARE(info.version, QString());
        QCOMPARE(info.fileName, file);
        QCOMPARE(header.deviceId(), -1);
        QVERIFY(parser.readVariants().isEmpty());
    }
    QVERIFY2(timer.elapsed() < 10000, "bad input must not take long");
}

void tst_description::recursiveDescriptionsEnd()
{
    analyIoddFile parser;
    QCOMPARE(parser.load(fixture(QStringLiteral("recursive_bad.xml")), fixtures + QStringLiteral("/std")), 0);

    // A record whose item refers back to the record: the inner reference is null.
    const datatypePtr self = parser.findDatatype(QStringLiteral("D_Self"));
    QVERIFY(self);
    const auto record = std::static_pointer_cast<recordType>(self);
    QCOMPARE(record->items.size(), 2);
    QVERIFY(!record->items.at(0).datatype);
    const auto array = std::static_pointer_cast<arrayType>(record->items.at(1).datatype);
    QVERIFY(array);
    QVERIFY(!array->elementTypeRef);

    // Menus that lead back to themselves end, each on-path menu once.
    const QList<treeItem> menus = parser.roleMenus(QStringLiteral("ObserverRoleMenuSet"));
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus.first().name, QStringLiteral("Loop"));
    std::function<int(const treeItem &, int)> depth = [&](const treeItem &t, int d) {
        int deepest = d;
        for (const treeItem &c : t.children)
            deepest = std::max(deepest, depth(c, d + 1));
        return deepest;
    };
    QVERIFY(depth(menus.first(), 1) <= 4);

    // An array count of a billion is capped.
    const treeItem b = parser.buildMenu(QStringLiteral("M_B"));
    QCOMPARE(int(b.values.size()), analyIoddFile::maxArrayElements);
}

void tst_description::danglingReferences()
{
    analyIoddFile parser;
    QCOMPARE(parser.load(fixture(QStringLiteral("dangling_bad.xml")), fixtures + QStringLiteral("/std")), 0);
    QVERIFY(!parser.findDatatype(QStringLiteral("D_Odd")));
    QVERIFY(!parser.findVariable(QStringLiteral("V_Missing"), QString()));
    QVERIFY(!parser.findVariable(QStringLiteral("V_NotStandard"), QString()));

    const treeItem menu = parser.buildMenu(QStringLiteral("M"));
    // Record items without a usable datatype: an editor with only the flag.
    const valueItem *a = findValue(menu, QStringLiteral("R.A"));
    QVERIFY(a);
    QCOMPARE(a->editor.typeName, QString());
    QCOMPARE(a->editor.widgetClass, QString());
    QCOMPARE(a->editor.flag, QStringLiteral("flase"));
    const valueItem *item = findValue(menu, QStringLiteral("B"));
    QVERIFY(item);
    QCOMPARE(item->editor.name, QStringLiteral("B"));
    QCOMPARE(item->editor.typeName, QString());
    // Unknown kind and dangling element type still give entries; the rest is dropped.
    QCOMPARE(menu.values.size(), 2 + 1 + 1 + 3);
    QVERIFY(parser.processDataIn().values.isEmpty());
    QCOMPARE(parser.processDataIn().text, QStringLiteral("8"));
}

QTEST_GUILESS_MAIN(tst_description)
#include "tst_description.moc"
