#include "ioddfile.h"

#include "datalocations.h"
#include "datatypereader.h"
#include "ioddevents.h"
#include "ioddheaderreader.h"
#include "ioddxml.h"
#include "languagefiles.h"

#include "log/hub8log.h"

#include <QDomNodeList>
#include <QLoggingCategory>

#include <limits>

namespace {

const QString english = QStringLiteral("en");
const QString textIdAttribute = QStringLiteral("textId");

bool isKind(const DatatypePtr &type, const char *kind)
{
    return type && type->type == QLatin1String(kind);
}

qint64 toInt64(const QString &text)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    return ok ? v : 0;
}

QString unsignedMax(int bits)
{
    quint64 upper = 0;
    if (bits >= 64)
        upper = std::numeric_limits<quint64>::max();
    else if (bits > 0)
        upper = (quint64(1) << bits) - 1;
    return QString::number(upper);
}

void signedLimits(int bits, QString *lower, QString *upper)
{
    if (bits >= 64) {
        *lower = QString::number(std::numeric_limits<qint64>::min());
        *upper = QString::number(std::numeric_limits<qint64>::max());
        return;
    }
    // 2^(bits-1) in integer arithmetic: 0 for a zero bit length.
    const qint64 half = bits >= 1 ? (qint64(1) << (bits - 1)) : 0;
    *lower = QString::number(-half);
    *upper = QString::number(half - 1);
}

EditorItem rangeEditor(const ValueRangeItem &range)
{
    EditorItem e;
    e.widgetClass = QLatin1String(EditorWidget::LineEdit);
    e.lowerValue = range.lowerValue;
    e.upperValue = range.upperValue;
    e.name = range.name;
    return e;
}

void applyRanges(EditorItem &e, const QList<ValueRangeItem> &ranges)
{
    if (ranges.size() == 1) {
        e.widgetClass = QLatin1String(EditorWidget::LineEdit);
        e.lowerValue = ranges.first().lowerValue;
        e.upperValue = ranges.first().upperValue;
        e.name = ranges.first().name;
    } else {
        for (const ValueRangeItem &r : ranges)
            e.ranges.append(rangeEditor(r));
    }
}

void applySingleValues(EditorItem &e, const QList<SingleValueItem> &values)
{
    e.widgetClass = QLatin1String(EditorWidget::ComboBox);
    for (const SingleValueItem &v : values)
        e.entries.append(ValuePair(v.name, v.value));
}

// A number's editor: its named values (a choice) and its ranges; a value is
// valid when it is one of them, or anywhere in the type without either.
// With named values the editor is a choice, which also takes numbers of the
// ranges.
void applyNumberLimits(EditorItem &e, const QList<SingleValueItem> &values, const QList<ValueRangeItem> &ranges)
{
    e.widgetClass = QLatin1String(EditorWidget::LineEdit);
    applyRanges(e, ranges);
    if (!values.isEmpty())
        applySingleValues(e, values);
}

// A reference's or record item's access right restriction applied to the
// variable's own rights: it may only narrow them.
QString restrictedAccess(const QString &rights, const QString &restriction)
{
    const QString r = restriction.trimmed();
    if (r.isEmpty() || rights.isEmpty())
        return r.isEmpty() ? rights : r;
    return rights == QLatin1String("rw") ? r : rights;
}

} // namespace

IoddFile::IoddFile(const QString &path, QObject *parent) : QObject(parent)
{
    if (!path.isEmpty())
        readDocument(path);
}

IoddFile::~IoddFile() = default;

int IoddFile::readDocument(const QString &path)
{
    m_roleMenus.clear();
    m_conditions.clear();
    m_processDataChoices.reset();
    m_variants.reset();
    const int result = IoddXml::readFile(path, m_file, m_path, m_content, m_document, m_root, &m_error);
    if (result == 0) {
        m_index.reset(m_root);
        m_budget.reset();
        m_primaryLanguage = m_textLanguage.isEmpty() ? QString() : m_index.primaryLanguage();
        if (!m_textLanguage.isEmpty() && m_textLanguage != m_primaryLanguage) {
            for (const LanguageFiles::Sibling &file : LanguageFiles::siblings(path)) {
                if (file.language == m_textLanguage)
                    m_index.addTexts(m_textLanguage, LanguageFiles::readTexts(file.path, m_textLanguage));
            }
        }
    }
    return result;
}

void IoddFile::setTextLanguage(const QString &language)
{
    m_textLanguage = language;
    m_stdDefs.setTextLanguage(language);
}

QString IoddFile::text(const QString &textId) const
{
    if (m_textLanguage.isEmpty())
        return m_index.text(textId, english);
    const QString shown = m_index.text(textId, m_textLanguage);
    const QString primary = m_primaryLanguage.isEmpty() ? english : m_primaryLanguage;
    if (!shown.isEmpty() || primary == m_textLanguage)
        return shown;
    return m_index.text(textId, primary);
}

int IoddFile::load(const QString &path)
{
    return load(path, DataLocations::standardDefinitionsDir());
}

int IoddFile::load(const QString &path, const QString &stdBaseDir)
{
    if (readDocument(path) != 0)
        return -1;
    loadStandardDefinitions(standardVersion(stdBaseDir), stdBaseDir);
    return 0;
}

QString IoddFile::standardVersion(const QString &stdBaseDir) const
{
    // An IODD 1.0.1 description names the standard variables of the 1.0.1
    // definitions. Where those files are missing the 1.1 ones serve: the
    // project's own carry the few 1.0.1 names too.
    const bool v101 = m_root.attribute(QStringLiteral("xmlns")).endsWith(QLatin1String("/2009/11"))
        || m_root.namespaceURI().endsWith(QLatin1String("/2009/11"));
    const QString older = QStringLiteral("1.0.1");
    if (v101 && QFile::exists(stdBaseDir + QStringLiteral("/std%1/IODD-StandardDefinitions%1.xml").arg(older)))
        return older;
    return QStringLiteral("1.1");
}

QString IoddFile::errorString() const
{
    return m_error;
}

QString IoddFile::truncatedNote() const
{
    return m_budget.note();
}

const BuildBudget &IoddFile::budget() const
{
    return m_budget;
}

void IoddFile::loadStandardDefinitions(const QString &version)
{
    loadStandardDefinitions(version, DataLocations::standardDefinitionsDir());
}

void IoddFile::loadStandardDefinitions(const QString &version, const QString &baseDir)
{
    // Missing files are not an error: standard variables and units then
    // resolve to nothing.
    m_stdDefs.loadDefinitions(baseDir + QStringLiteral("/std%1/IODD-StandardDefinitions%1.xml").arg(version));
    m_stdDefs.loadUnitDefinitions(baseDir + QStringLiteral("/std%1/IODD-StandardUnitDefinitions%1.xml").arg(version));
}

const StandardDefinitions &IoddFile::standardDefinitions() const
{
    return m_stdDefs;
}

QString IoddFile::textById(const QString &textId, const QString &language) const
{
    return m_index.text(textId, language);
}

DeviceInfo IoddFile::readDeviceInfo() const
{
    IoddHeaderReader header;
    header.useDocument(m_path, m_document);
    return header.readDeviceInfo();
}

QList<VariantItem> IoddFile::readVariants() const
{
    if (m_variants)
        return *m_variants;
    QList<VariantItem> &result = m_variants.emplace();
    const QDomNodeList collections = m_root.elementsByTagName(QStringLiteral("DeviceVariantCollection"));
    for (int c = 0; c < collections.count(); ++c) {
        for (QDomNode n = collections.item(c).firstChild(); !n.isNull(); n = n.nextSibling()) {
            if (n.nodeName() != QLatin1String("DeviceVariant"))
                continue;
            const QDomElement e = n.toElement();
            VariantItem v;
            v.productId = e.attribute(QStringLiteral("productId"));
            v.deviceSymbol = e.attribute(QStringLiteral("deviceSymbol"));
            v.deviceIcon = e.attribute(QStringLiteral("deviceIcon"));
            for (QDomNode c2 = e.firstChild(); !c2.isNull(); c2 = c2.nextSibling()) {
                if (c2.nodeName() == QLatin1String("Name"))
                    v.name = text(c2.toElement().attribute(textIdAttribute));
                else if (c2.nodeName() == QLatin1String("Description"))
                    v.description = text(c2.toElement().attribute(textIdAttribute));
            }
            result.append(v);
        }
    }
    return result;
}

DatatypePtr IoddFile::findDatatype(const QString &id) const
{
    DatatypeReader reader(
        m_index, [this](const QString &t) { return text(t); }, &m_budget);
    return reader.findDatatype(id);
}

DatatypePtr IoddFile::parseDatatype(const QDomElement &element) const
{
    DatatypeReader reader(
        m_index, [this](const QString &t) { return text(t); }, &m_budget);
    return reader.parseDatatype(element);
}

VariablePtr IoddFile::findVariable(const QString &id, const QString &selector) const
{
    {
        for (const QDomElement &e : m_index.variables(id)) {
            if (!m_budget.takeStep())
                break;
            const QString tag = e.nodeName();
            if (tag == QLatin1String("Variable") && e.attribute(QStringLiteral("id")) == id) {
                DatatypeReader reader(
                    m_index, [this](const QString &t) { return text(t); }, &m_budget);
                return reader.readVariable(e);
            }
            if (tag != QLatin1String("StdVariableRef") || e.attribute(QStringLiteral("id")) != id)
                continue;
            VariablePtr var = m_stdDefs.findVariable(id);
            if (!var)
                continue;
            const QString defaultValue = e.attribute(QStringLiteral("defaultValue"));
            if (!defaultValue.trimmed().isEmpty())
                var->defaultValue = defaultValue;
            const QString fixedLength = e.attribute(QStringLiteral("fixedLengthRestriction"));
            if (!fixedLength.trimmed().isEmpty())
                var->fixedLengthRestriction = fixedLength;

            // Indexes 40 and 41 (1.0.1 names the variables V_ProcessDataIn and
            // V_ProcessDataOut): the device's process data with the datatype of
            // the description's first layout.
            const bool pdIn = id == QLatin1String("V_ProcessDataInput") || id == QLatin1String("V_ProcessDataIn");
            const bool pdOut = id == QLatin1String("V_ProcessDataOutput") || id == QLatin1String("V_ProcessDataOut");
            if (pdIn || pdOut) {
                const QList<QDomElement> layouts =
                    m_index.elements(pdIn ? QStringLiteral("ProcessDataIn") : QStringLiteral("ProcessDataOut"));
                if (!layouts.isEmpty()) {
                    const QDomElement pd = layouts.first();
                    var->bitLength = pd.attribute(QStringLiteral("bitLength"));
                    for (QDomElement c = pd.firstChildElement(); !c.isNull() && m_budget.takeStep();
                         c = c.nextSiblingElement()) {
                        if (c.tagName() == QLatin1String("Datatype"))
                            var->datatype = parseDatatype(c);
                        else if (c.tagName() == QLatin1String("DatatypeRef"))
                            var->datatype = findDatatype(c.attribute(QStringLiteral("datatypeId")));
                    }
                }
                if (!var->datatype) {
                    // No layout to decode it with: its octets.
                    auto octets = std::make_shared<OctetStringType>();
                    octets->type = QLatin1String(IoddKind::OctetStringT);
                    octets->fixedLength = QString::number((var->bitLength.toInt() + 7) / 8);
                    var->datatype = octets;
                }
                return var;
            }
            if (!e.hasChildNodes())
                return var;
            return restrictStandardVariable(e, var, selector);
        }
    }
    return nullptr;
}

// A StdVariableRef with children narrows the standard variable to what the
// selector picks: one standard value or range, one record item, or a value
// the device adds. The result is a new variable; only the identity fields of
// the standard variable carry over.
VariablePtr IoddFile::restrictStandardVariable(const QDomElement &ref, const VariablePtr &standard,
                                               const QString &selector) const
{
    auto var = std::make_shared<VariableItem>();
    var->name = standard->name;
    var->id = standard->id;
    var->index = standard->index;
    var->mandatory = standard->mandatory;
    var->modifiesOtherVariables = standard->modifiesOtherVariables;
    var->accessRights = standard->accessRights;
    var->dynamic = standard->dynamic;
    const DatatypePtr stdType = standard->datatype;
    bool recordMade = false;
    for (QDomNode n = ref.firstChild(); !n.isNull() && m_budget.takeStep(); n = n.nextSibling()) {
        const QString tag = n.nodeName();
        const QDomElement e = n.toElement();
        if (tag == QLatin1String("StdSingleValueRef") && e.attribute(QStringLiteral("value")) == selector) {
            if (isKind(stdType, IoddKind::UIntegerT)) {
                const auto source = std::static_pointer_cast<IntegerType>(stdType);
                auto restricted = std::make_shared<UintegerType>();
                restricted->id = stdType->id;
                restricted->type = QLatin1String(IoddKind::UIntegerT);
                const qint64 wanted = toInt64(selector);
                for (const ValueRangeItem &r : source->valueRanges) {
                    if (toInt64(r.lowerValue) <= wanted && wanted <= toInt64(r.upperValue)) {
                        restricted->valueRanges.append(r);
                        break;
                    }
                }
                if (restricted->valueRanges.isEmpty()) {
                    for (const SingleValueItem &v : source->singleValues) {
                        if (toInt64(v.value) == wanted) {
                            restricted->singleValues.append(v);
                            break;
                        }
                    }
                }
                var->datatype = restricted;
                if (var->defaultValue.isEmpty())
                    var->defaultValue = selector;
            } else if (isKind(stdType, IoddKind::RecordT)) {
                for (const RecordItem &item : std::static_pointer_cast<RecordType>(stdType)->items) {
                    if (item.subindex == selector) {
                        var->datatype = item.datatype;
                        break;
                    }
                }
            }
            break;
        }
        if (tag == QLatin1String("StdRecordItemRef") && isKind(stdType, IoddKind::RecordT)) {
            // Every StdRecordItemRef adds its item to one record, which keeps
            // the standard record's length and subindex access; a reference
            // to one item of it finds the item there.
            const QString subindex = e.attribute(QStringLiteral("subindex"));
            const auto source = std::static_pointer_cast<RecordType>(stdType);
            if (!recordMade) {
                auto record = std::make_shared<RecordType>();
                record->id = source->id;
                record->type = source->type;
                record->subindexAccessSupported = source->subindexAccessSupported;
                record->bitLength = source->bitLength;
                var->datatype = record;
                recordMade = true;
            }
            auto record = std::static_pointer_cast<RecordType>(var->datatype);
            for (const RecordItem &item : source->items) {
                if (item.subindex == subindex)
                    record->items.append(item);
            }
            const QString defaultValue = e.attribute(QStringLiteral("defaultValue"));
            if (!defaultValue.isEmpty())
                record->itemInfos.append({subindex, defaultValue, QString(), QString()});
            continue;
        }
        if (tag == QLatin1String("SingleValue") && e.attribute(QStringLiteral("value")) == selector) {
            SingleValueItem value;
            value.value = e.attribute(QStringLiteral("value"));
            for (QDomNode c = e.firstChild(); !c.isNull() && m_budget.takeStep(); c = c.nextSibling()) {
                if (c.nodeName() == QLatin1String("Name"))
                    value.name = text(c.toElement().attribute(textIdAttribute));
            }
            auto restricted = std::make_shared<UintegerType>();
            restricted->type = QLatin1String(IoddKind::UIntegerT);
            restricted->singleValues.append(value);
            var->datatype = restricted;
            if (var->defaultValue.isEmpty())
                var->defaultValue = selector;
            break;
        }
    }
    return var;
}

QList<ValueItem> IoddFile::conditionEntry(const QString &variableId, const QString &subindex) const
{
    // The variable (or its item) as a menu would list it, without text: what
    // is needed to read and decode it. Built once per variable and subindex.
    const QString key = variableId + QLatin1Char(':') + subindex;
    const auto known = m_conditions.constFind(key);
    if (known != m_conditions.constEnd())
        return known.value();
    QList<ValueItem> found;
    const VariablePtr variable = findVariable(variableId, QString());
    if (variable) {
        TreeItem node;
        ValueItem item;
        item.subindex = subindex.toInt() > 0 ? subindex : QString();
        if (item.subindex.isEmpty())
            addVariableRef(item, *variable, node);
        else
            addRecordItemRef(item, *variable, node);
        for (const ValueItem &v : qAsConst(node.values)) {
            if (v.subindex.toInt() == subindex.toInt()) {
                found.append(v);
                break;
            }
        }
    }
    m_conditions.insert(key, found);
    return found;
}

EditorItem IoddFile::buildEditor(const DatatypePtr &datatype, const QString &subindex) const
{
    EditorItem e;
    if (!datatype)
        return e; // nothing to describe: only the flag is set
    e.typeName = datatype->type;
    const QString &kind = datatype->type;

    if (kind == QLatin1String(IoddKind::BooleanT)) {
        const auto t = std::static_pointer_cast<BooleanType>(datatype);
        applySingleValues(e, t->singleValues);
        if (t->singleValues.isEmpty()) {
            e.entries.append(ValuePair(QStringLiteral("true"), QStringLiteral("true")));
            e.entries.append(ValuePair(QStringLiteral("false"), QStringLiteral("false")));
        }
    } else if (kind == QLatin1String(IoddKind::UIntegerT) || kind == QLatin1String(IoddKind::IntegerT)) {
        const auto t = std::static_pointer_cast<IntegerType>(datatype);
        e.bitLength = t->bitLength;
        applyNumberLimits(e, t->singleValues, t->valueRanges);
        if (t->singleValues.isEmpty() && t->valueRanges.isEmpty()) {
            if (kind == QLatin1String(IoddKind::UIntegerT)) {
                e.lowerValue = QStringLiteral("0");
                e.upperValue = unsignedMax(t->bitLength.toInt());
            } else {
                signedLimits(t->bitLength.toInt(), &e.lowerValue, &e.upperValue);
            }
        }
    } else if (kind == QLatin1String(IoddKind::Float32T)) {
        const auto t = std::static_pointer_cast<Float32Type>(datatype);
        applyNumberLimits(e, t->singleValues, t->valueRanges);
    } else if (kind == QLatin1String(IoddKind::TimeT) || kind == QLatin1String(IoddKind::TimeSpanT)) {
        e.widgetClass = QLatin1String(EditorWidget::LineEdit);
        e.bitLength = QStringLiteral("64");
    } else if (kind == QLatin1String(IoddKind::StringT)) {
        const auto t = std::static_pointer_cast<StringType>(datatype);
        e.widgetClass = QLatin1String(EditorWidget::LineEdit);
        e.fixedLength = t->fixedLength;
        e.encoding = t->encoding;
    } else if (kind == QLatin1String(IoddKind::OctetStringT)) {
        const auto t = std::static_pointer_cast<OctetStringType>(datatype);
        e.widgetClass = QLatin1String(EditorWidget::LineEdit);
        e.fixedLength = t->fixedLength;
    } else if (kind == QLatin1String(IoddKind::ArrayT)) {
        // Only an element type given by DatatypeRef is looked at.
        const auto t = std::static_pointer_cast<ArrayType>(datatype);
        qCDebug(lcDescription) << "array element type:" << (t->elementTypeRef ? t->elementTypeRef->type : QString());
        if (isKind(t->elementTypeRef, IoddKind::UIntegerT))
            return buildEditor(t->elementTypeRef, QString());
    } else if (kind == QLatin1String(IoddKind::RecordT)) {
        const auto t = std::static_pointer_cast<RecordType>(datatype);
        for (const RecordItem &item : t->items) {
            if (item.subindex != subindex)
                continue;
            e = buildEditor(item.datatype, QString());
            e.name = item.name;
            e.bitOffset = item.bitOffset;
            e.description = item.description;
            e.accessRightRestriction = item.accessRightRestriction;
        }
        for (const RecordItemInfo &info : t->itemInfos) {
            if (info.subindex == subindex)
                e.defaultValue = info.defaultValue;
        }
    }
    return e;
}

QList<TreeItem> IoddFile::roleMenus(const QString &setName)
{
    const auto built = m_roleMenus.constFind(setName);
    if (built != m_roleMenus.constEnd())
        return built.value();
    QList<TreeItem> &result = m_roleMenus[setName];
    const QDomNodeList sets = m_root.elementsByTagName(setName);
    for (int s = 0; s < sets.count(); ++s) {
        // Element children only: a comment is not a menu reference.
        for (QDomElement ref = sets.item(s).firstChildElement(); !ref.isNull(); ref = ref.nextSiblingElement()) {
            if (!m_budget.takeNode())
                return result;
            m_menuPath.clear();
            TreeItem node = buildMenuNode(ref.attribute(QStringLiteral("menuId")), 0);
            if (node.name.isEmpty())
                node.name = ref.nodeName().remove(QStringLiteral("Menu"));
            result.append(node);
        }
    }
    return result;
}

TreeItem IoddFile::buildMenu(const QString &menuId)
{
    if (!m_budget.takeNode())
        return TreeItem();
    m_menuPath.clear();
    return buildMenuNode(menuId, 0);
}

// A MenuRef back to a menu that is being built (directly or through other
// menus) is left out, as are MenuRefs beyond maxMenuDepth levels, so a cyclic
// menu graph ends; the budget ends an exploding one. The caller has spent the
// node itself.
TreeItem IoddFile::buildMenuNode(const QString &menuId, int depth)
{
    TreeItem node;
    m_menuPath.append(menuId);
    {
        for (const QDomElement &m : m_index.menus(menuId)) {
            for (QDomNode n = m.firstChild(); !n.isNull() && m_budget.takeStep(); n = n.nextSibling()) {
                const QString tag = n.nodeName();
                const QDomElement e = n.toElement();
                if (tag == QLatin1String("RecordItemRef")) {
                    readMenuReference(e, false, node);
                } else if (tag == QLatin1String("VariableRef")) {
                    readMenuReference(e, true, node);
                } else if (tag == QLatin1String("MenuRef")) {
                    const QString sub = e.attribute(QStringLiteral("menuId"));
                    if (depth + 1 < maxMenuDepth && !m_menuPath.contains(sub) && m_budget.takeNode()) {
                        TreeItem child = buildMenuNode(sub, depth + 1);
                        const QDomElement condition = e.firstChildElement(QStringLiteral("Condition"));
                        if (!condition.isNull()) {
                            child.conditional = true;
                            child.condition = conditionEntry(condition.attribute(QStringLiteral("variableId")),
                                                             condition.attribute(QStringLiteral("subindex")));
                            child.conditionValue = condition.attribute(QStringLiteral("value"));
                        }
                        node.children.append(child);
                    }
                } else if (tag == QLatin1String("Name")) {
                    node.name = text(e.attribute(textIdAttribute));
                }
            }
        }
    }
    m_menuPath.removeLast();
    return node;
}

void IoddFile::readMenuReference(const QDomElement &ref, bool variableRef, TreeItem &node) const
{
    if (!m_budget.open())
        return;
    ValueItem item;
    item.subindex = ref.attribute(QStringLiteral("subindex"));
    item.accessRightRestriction = ref.attribute(QStringLiteral("accessRightRestriction"));
    const QString unitCode = ref.attribute(QStringLiteral("unitCode"));
    item.unit = unitCode.isEmpty() ? unitCode : m_stdDefs.unitAbbreviation(unitCode);
    item.displayFormat = ref.attribute(QStringLiteral("displayFormat"));
    item.gradient = ref.attribute(QStringLiteral("gradient"));
    item.offset = ref.attribute(QStringLiteral("offset"));
    const QString variableId = ref.attribute(QStringLiteral("variableId"));

    if (variableRef) {
        // A button per Button child; older files put one button value on the
        // reference itself, which counts when there is no child. Each sends
        // its own value.
        QList<QPair<QString, QString>> buttons; // value, description
        for (QDomNode n = ref.firstChild(); !n.isNull() && m_budget.takeStep(); n = n.nextSibling()) {
            if (n.nodeName() != QLatin1String("Button"))
                continue;
            const QDomElement button = n.toElement();
            QString description;
            const QDomElement d = button.firstChildElement(QStringLiteral("Description"));
            if (!d.isNull())
                description = text(d.attribute(textIdAttribute));
            buttons.append({button.attribute(QStringLiteral("buttonValue")), description});
        }
        const QString onRef = ref.attribute(QStringLiteral("buttonValue"));
        if (buttons.isEmpty() && !onRef.isEmpty())
            buttons.append({onRef, QString()});
        if (!buttons.isEmpty()) {
            for (const auto &[value, description] : buttons) {
                const VariablePtr variable = findVariable(variableId, value);
                if (variable && !addButton(item, *variable, value, description, node))
                    return;
            }
            return;
        }
    }
    // The variable first: a reference to nothing costs no more than the lookup.
    const VariablePtr variable = findVariable(variableId, item.subindex);
    if (!variable)
        return;
    if (variableRef)
        addVariableRef(item, *variable, node);
    else
        addRecordItemRef(item, *variable, node);
}

void IoddFile::addRecordItemRef(ValueItem item, const VariableItem &variable, TreeItem &node) const
{
    if (isKind(variable.datatype, IoddKind::ArrayT)) {
        // One element of an array.
        addArrayElements(item, variable, item.subindex.toInt(), node);
        return;
    }
    item.editor = buildEditor(variable.datatype, item.subindex);
    if (item.label.isEmpty())
        item.label = item.editor.name;
    if (item.description.isEmpty())
        item.description = item.editor.description;
    if (item.defaultValue.isEmpty())
        item.defaultValue = item.editor.defaultValue;
    if (item.accessRightRestriction.isEmpty())
        item.accessRightRestriction = item.editor.accessRightRestriction;

    if (isKind(variable.datatype, IoddKind::RecordT)) {
        // The item inside its record: the record's length and subindex access
        // decide how it is read and written.
        const auto record = std::static_pointer_cast<RecordType>(variable.datatype);
        item.bitLength = record->bitLength;
        item.subindexAccess = record->subindexAccessSupported == QLatin1String("false") ? QStringLiteral("false")
                                                                                        : QStringLiteral("true");
        if (record->subindexAccessSupported == QLatin1String("false")) {
            for (const RecordItem &ri : record->items) {
                if (ri.subindex == item.subindex) {
                    item.label = variable.name + QLatin1Char('.') + ri.name;
                    break;
                }
            }
        }
    }

    if (item.label.isEmpty())
        item.label = variable.name;
    if (item.description.isEmpty())
        item.description = variable.description;
    if (item.defaultValue.isEmpty())
        item.defaultValue = variable.defaultValue;
    item.accessRightRestriction = restrictedAccess(variable.accessRights, item.accessRightRestriction);
    if (item.index.isEmpty())
        item.index = variable.index;
    if (item.bitLength.isEmpty())
        item.bitLength = variable.bitLength;
    keepValue(node, item);
}

void IoddFile::addArrayElements(const ValueItem &item, const VariableItem &variable, int only, TreeItem &node) const
{
    // One entry per element, each placed by bit offset inside the array
    // (element 1 in the highest bits), read and written with the array or by
    // its subindex as the array allows.
    const auto array = std::static_pointer_cast<ArrayType>(variable.datatype);
    int n = variable.fixedLengthRestriction.toInt();
    if (n == 64)
        n = array->count.toInt();
    n = qBound(0, n, maxArrayElements);
    const DatatypePtr element = array->elementType ? array->elementType : array->elementTypeRef;
    const EditorItem elementEditor = buildEditor(element, QString());
    const QString &kind = elementEditor.typeName;
    const bool bit = kind == QLatin1String(IoddKind::BooleanT);
    const bool text = kind == QLatin1String(IoddKind::StringT) || kind == QLatin1String(IoddKind::OctetStringT);
    // Bits of one element: a number has at most 64, a BooleanT one, a string
    // its fixed length; the products below stay small.
    qint64 b = 0;
    if (bit)
        b = 1;
    else if (kind == QLatin1String(IoddKind::Float32T))
        b = 32;
    else if (kind == QLatin1String(IoddKind::UIntegerT) || kind == QLatin1String(IoddKind::IntegerT))
        b = qBound<qint64>(0, toInt64(elementEditor.bitLength), 64);
    else if (text)
        b = 8 * qBound<qint64>(0, toInt64(elementEditor.fixedLength), 256);
    const bool placed = elementEditor.bitOffset.isEmpty() && b > 0;
    const QString access = restrictedAccess(variable.accessRights, item.accessRightRestriction);
    for (int i = 1; i <= n; ++i) {
        if (only > 0 && i != only)
            continue;
        ValueItem v = item;
        v.label = QStringLiteral("%1[%2]").arg(variable.name).arg(i - 1);
        v.description = variable.description;
        v.subindex = QString::number(i);
        v.subindexAccess =
            array->subindexAccessSupported == QLatin1String("false") ? QStringLiteral("false") : QStringLiteral("true");
        v.accessRightRestriction = access;
        v.defaultValue = variable.defaultValue;
        v.index = variable.index;
        v.editor = elementEditor;
        if (placed) {
            v.bitLength = QString::number(b * n);
            v.editor.bitOffset = QString::number(b * (n - i));
        }
        if (!keepValue(node, v))
            break;
    }
}

void IoddFile::addVariableRef(ValueItem item, const VariableItem &variable, TreeItem &node) const
{
    const DatatypePtr &type = variable.datatype;
    if (isKind(type, IoddKind::ArrayT)) {
        addArrayElements(item, variable, 0, node);
        return;
    }

    if (isKind(type, IoddKind::RecordT)) {
        const auto record = std::static_pointer_cast<RecordType>(type);
        for (const RecordItem &ri : record->items) {
            ValueItem v;
            v.label = variable.name + QLatin1Char('.') + ri.name;
            v.description = ri.description;
            v.accessRightRestriction = restrictedAccess(
                variable.accessRights, restrictedAccess(item.accessRightRestriction, ri.accessRightRestriction));
            v.index = variable.index;
            v.subindex = ri.subindex;
            v.subindexAccess = record->subindexAccessSupported == QLatin1String("false") ? QStringLiteral("false")
                                                                                         : QStringLiteral("true");
            v.bitLength = record->bitLength;
            v.editor = buildEditor(ri.datatype, QString());
            if (v.editor.bitOffset.isEmpty())
                v.editor.bitOffset = ri.bitOffset;
            for (const RecordItemInfo &info : record->itemInfos) {
                if (info.subindex == ri.subindex)
                    v.defaultValue = info.defaultValue;
            }
            if (!keepValue(node, v))
                break;
        }
        return;
    }

    item.editor = buildEditor(type, item.subindex);
    if (item.label.isEmpty())
        item.label = !item.editor.name.isEmpty() ? item.editor.name : variable.name;
    if (item.description.isEmpty())
        item.description = !item.editor.description.isEmpty() ? item.editor.description : variable.description;
    if (item.defaultValue.isEmpty())
        item.defaultValue = !item.editor.defaultValue.isEmpty() ? item.editor.defaultValue : variable.defaultValue;
    item.accessRightRestriction = restrictedAccess(
        variable.accessRights,
        !item.accessRightRestriction.isEmpty() ? item.accessRightRestriction : item.editor.accessRightRestriction);
    if (item.index.isEmpty())
        item.index = variable.index;
    if (item.bitLength.isEmpty())
        item.bitLength = variable.bitLength;
    keepValue(node, item);
}

bool IoddFile::addButton(ValueItem item, const VariableItem &variable, const QString &value, const QString &description,
                         TreeItem &node) const
{
    // The button's caption: the name of its value, else its description,
    // else the value itself. It writes its value with the variable's length.
    item.editor = buildEditor(variable.datatype, QString());
    QString caption;
    for (const ValuePair &pair : qAsConst(item.editor.entries)) {
        if (pair.second.trimmed() == value.trimmed())
            caption = pair.first;
    }
    if (caption.isEmpty())
        caption = !description.isEmpty() ? description : value;
    item.label = variable.name;
    item.description = !description.isEmpty() ? description : variable.description;
    item.index = variable.index;
    item.bitLength = variable.bitLength;
    item.buttonValue = value;
    item.accessRightRestriction = restrictedAccess(variable.accessRights, item.accessRightRestriction);
    item.editor.widgetClass = QLatin1String(EditorWidget::PushButton);
    item.editor.name = caption;
    item.editor.defaultValue = value;
    item.editor.value = value;
    return keepValue(node, item);
}

// Appends the value when the budget has room for it and its editor's choices.
bool IoddFile::keepValue(TreeItem &node, const ValueItem &value) const
{
    if (!m_budget.takeValue(value.editor.entries.size() + value.editor.ranges.size()))
        return false;
    node.values.append(value);
    return true;
}

TreeItem IoddFile::processDataIn() const
{
    // The first layout: alternatives are never merged, as they name the same
    // items at the same places.
    for (const ProcessDataChoice &choice : processDataChoices())
        if (choice.hasInput)
            return choice.input;
    return TreeItem();
}

TreeItem IoddFile::processDataOut() const
{
    for (const ProcessDataChoice &choice : processDataChoices())
        if (choice.hasOutput)
            return choice.output;
    return TreeItem();
}

namespace {

// Copies gradient, offset, unit and display format from an element that
// carries them; false when it carries none.
bool takePresentation(const QDomElement &from, const StandardDefinitions &stdDefs, ValueItem &item)
{
    const bool presents = from.hasAttribute(QStringLiteral("gradient")) || from.hasAttribute(QStringLiteral("unitCode"))
        || from.hasAttribute(QStringLiteral("offset")) || from.hasAttribute(QStringLiteral("displayFormat"));
    if (!presents)
        return false;
    const QString unitCode = from.attribute(QStringLiteral("unitCode"));
    item.unit = unitCode.isEmpty() ? unitCode : stdDefs.unitAbbreviation(unitCode);
    item.gradient = from.attribute(QStringLiteral("gradient"));
    item.offset = from.attribute(QStringLiteral("offset"));
    item.displayFormat = from.attribute(QStringLiteral("displayFormat"));
    return true;
}

} // namespace

// How the user interface shows an item of the process data `pdId`: the
// ProcessDataRef of the user interface for it (its ProcessDataRecordItemInfo
// of the item's subindex, or its ProcessDataInfo for a simple type); without
// one, the first menu reference to the same subindex of the process-data
// variable (empty subindex: the whole variable).
void IoddFile::applyProcessDataPresentation(ValueItem &item, bool input, const QString &pdId) const
{
    const QString wanted = item.subindex.trimmed();
    for (const QDomElement &ref : m_index.elements(QStringLiteral("ProcessDataRef"))) {
        if (!m_budget.takeStep())
            return;
        if (pdId.isEmpty() || ref.attribute(QStringLiteral("processDataId")) != pdId)
            continue;
        for (QDomElement info = ref.firstChildElement(); !info.isNull() && m_budget.takeStep();
             info = info.nextSiblingElement()) {
            const bool matches = wanted.isEmpty() ? info.tagName() == QLatin1String("ProcessDataInfo")
                                                  : info.tagName() == QLatin1String("ProcessDataRecordItemInfo")
                    && info.attribute(QStringLiteral("subindex")).trimmed() == wanted;
            if (matches && takePresentation(info, m_stdDefs, item))
                return;
        }
    }
    const QString variableId = input ? QStringLiteral("V_ProcessDataInput") : QStringLiteral("V_ProcessDataOutput");
    for (const char *tag : {"RecordItemRef", "VariableRef"}) {
        for (const QDomElement &ref : m_index.elements(QLatin1String(tag))) {
            if (!m_budget.takeStep())
                return;
            if (ref.attribute(QStringLiteral("variableId")) != variableId)
                continue;
            const QString subindex = ref.attribute(QStringLiteral("subindex")).trimmed();
            if (subindex != wanted && !(wanted.isEmpty() && subindex == QLatin1String("0")))
                continue;
            if (takePresentation(ref, m_stdDefs, item))
                return;
        }
    }
}

TreeItem IoddFile::processDataNode(const QDomElement &pd, bool input) const
{
    TreeItem node;
    QString pdId;
    // One simple type for the whole process data: one item.
    const auto addSimple = [&](const DatatypePtr &type) {
        ValueItem v;
        v.editor = buildEditor(type, QString());
        applyProcessDataPresentation(v, input, pdId);
        keepValue(node, v);
    };
    const auto addRecordItems = [&](const RecordType &record) {
        for (const RecordItem &ri : record.items) {
            ValueItem v;
            v.label = ri.name;
            v.subindex = ri.subindex;
            if (input)
                v.subindexAccess = record.subindexAccessSupported;
            applyProcessDataPresentation(v, input, pdId);
            if (isKind(ri.datatype, IoddKind::ArrayT)) {
                // An array item: one item per element, the first in the highest bits.
                const auto array = std::static_pointer_cast<ArrayType>(ri.datatype);
                const DatatypePtr element = array->elementType ? array->elementType : array->elementTypeRef;
                const EditorItem elementEditor = buildEditor(element, QString());
                const int count = qBound(0, array->count.toInt(), maxArrayElements);
                const bool bit = elementEditor.typeName == QLatin1String(IoddKind::BooleanT);
                const int b = bit ? 1 : qBound(0, elementEditor.bitLength.toInt(), 64);
                const int base = ri.bitOffset.toInt();
                for (int i = 1; i <= count && b > 0; ++i) {
                    ValueItem e = v;
                    e.label = QStringLiteral("%1[%2]").arg(ri.name).arg(i - 1);
                    e.editor = elementEditor;
                    e.editor.bitLength = QString::number(b);
                    e.editor.bitOffset = QString::number(base + b * (count - i));
                    if (!keepValue(node, e))
                        return;
                }
                continue;
            }
            v.editor = buildEditor(ri.datatype, QString());
            if (v.editor.bitOffset.isEmpty())
                v.editor.bitOffset = ri.bitOffset;
            if (!keepValue(node, v))
                break;
        }
    };

    node.text = pd.attribute(QStringLiteral("bitLength"));
    pdId = pd.attribute(QStringLiteral("id"));
    for (QDomNode n = pd.firstChild(); !n.isNull() && m_budget.takeStep(); n = n.nextSibling()) {
        const QString tag = n.nodeName();
        if (tag == QLatin1String("Datatype")) {
            const DatatypePtr type = parseDatatype(n.toElement());
            if (isKind(type, IoddKind::RecordT)) {
                addRecordItems(*std::static_pointer_cast<RecordType>(type));
            } else {
                addSimple(type);
            }
        } else if (tag == QLatin1String("DatatypeRef")) {
            const DatatypePtr type = findDatatype(n.toElement().attribute(QStringLiteral("datatypeId")));
            if (isKind(type, IoddKind::RecordT))
                addRecordItems(*std::static_pointer_cast<RecordType>(type));
            else if (type)
                addSimple(type);
        } else if (tag == QLatin1String("Name")) {
            node.name = text(n.toElement().attribute(textIdAttribute));
        }
    }
    return node;
}

QList<ProcessDataChoice> IoddFile::processDataChoices() const
{
    if (m_processDataChoices)
        return *m_processDataChoices;
    QList<ProcessDataChoice> &choices = m_processDataChoices.emplace();
    const QDomNodeList layouts = m_root.elementsByTagName(QStringLiteral("ProcessData"));
    for (int i = 0; i < layouts.count() && m_budget.takeStep(); ++i) {
        const QDomElement layout = layouts.item(i).toElement();
        ProcessDataChoice choice;
        const QDomElement in = layout.firstChildElement(QStringLiteral("ProcessDataIn"));
        const QDomElement out = layout.firstChildElement(QStringLiteral("ProcessDataOut"));
        choice.hasInput = !in.isNull();
        choice.hasOutput = !out.isNull();
        if (choice.hasInput)
            choice.input = processDataNode(in, true);
        if (choice.hasOutput)
            choice.output = processDataNode(out, false);
        const QDomElement condition = layout.firstChildElement(QStringLiteral("Condition"));
        if (!condition.isNull()) {
            choice.conditionVariable = condition.attribute(QStringLiteral("variableId"));
            choice.conditionSubindex = condition.attribute(QStringLiteral("subindex"));
            choice.conditionValue = condition.attribute(QStringLiteral("value"));
            if (const VariablePtr variable = findVariable(choice.conditionVariable, QString()))
                choice.conditionIndex = variable->index;
        }
        choices.append(choice);
    }
    return choices;
}

QList<int> IoddFile::systemCommands() const
{
    QList<int> commands;
    for (const QDomElement &ref : m_index.variables(QStringLiteral("V_SystemCommand"))) {
        for (QDomElement e = ref.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            if (e.tagName() != QLatin1String("StdSingleValueRef") && e.tagName() != QLatin1String("SingleValue"))
                continue;
            bool ok = false;
            const int value = e.attribute(QStringLiteral("value")).toInt(&ok);
            if (ok && value >= 0 && value <= 255 && !commands.contains(value))
                commands.append(value);
        }
    }
    return commands;
}

QList<EventItem> IoddFile::events() const
{
    QList<EventItem> events = IoddEvents::read(m_index, [this](const QString &t) { return text(t); });
    for (const QString &code : IoddEvents::standardRefs(m_index)) {
        bool ok = false;
        const uint number = code.trimmed().toUInt(&ok);
        if (!ok || number > 0xFFFF)
            continue;
        EventItem standard = m_stdDefs.findEvent(quint16(number));
        standard.code = code;
        events.append(standard);
    }
    return events;
}

EventItem IoddFile::findEvent(quint16 code) const
{
    const QList<EventItem> own = IoddEvents::read(m_index, [this](const QString &t) { return text(t); });
    if (const EventItem *found = IoddEvents::find(own, code))
        return *found;
    return m_stdDefs.findEvent(code);
}
