#include "datatypereader.h"

#include <QDomNodeList>

#include <utility>

namespace {
const QString nameTag = QStringLiteral("Name");
const QString descriptionTag = QStringLiteral("Description");
const QString textIdAttribute = QStringLiteral("textId");
} // namespace

// Counts the nesting of parse/find calls; the outermost call resets the
// record budget.
struct DatatypeReader::DepthGuard
{
    explicit DepthGuard(DatatypeReader &r) : reader(r)
    {
        if (reader.m_depth == 0)
            reader.m_created = 0;
        ++reader.m_depth;
    }
    ~DepthGuard() { --reader.m_depth; }
    bool exceeded() const
    {
        return reader.m_depth > maxDepth || reader.m_created >= maxRecords
            || (reader.m_budget && !reader.m_budget->open());
    }
    DatatypeReader &reader;
};

DatatypeReader::DatatypeReader(IoddIndex &index, TextLookup texts, BuildBudget *budget)
    : m_index(index), m_texts(std::move(texts)), m_budget(budget)
{
}

bool DatatypeReader::step()
{
    return !m_budget || m_budget->takeStep();
}

QString DatatypeReader::nameOf(const QDomElement &element) const
{
    return m_texts(element.attribute(textIdAttribute));
}

DatatypePtr DatatypeReader::findDatatype(const QString &id)
{
    DepthGuard guard(*this);
    if (guard.exceeded() || m_resolving.contains(id))
        return nullptr;
    const QDomElement e = m_index.datatype(id);
    if (e.isNull())
        return nullptr;
    m_resolving.append(id);
    DatatypePtr result = parseDatatype(e);
    m_resolving.removeLast();
    return result;
}

void DatatypeReader::readValues(const QDomElement &element, QList<SingleValueItem> *singles,
                                QList<ValueRangeItem> *ranges)
{
    for (QDomNode n = element.firstChild(); !n.isNull() && step(); n = n.nextSibling()) {
        const QString tag = n.nodeName();
        const QDomElement e = n.toElement();
        if (tag == QLatin1String("SingleValue") && singles) {
            SingleValueItem sv;
            sv.value = e.attribute(QStringLiteral("value"));
            for (QDomNode c = e.firstChild(); !c.isNull() && step(); c = c.nextSibling()) {
                if (c.nodeName() == nameTag)
                    sv.name = nameOf(c.toElement());
            }
            singles->append(sv);
        } else if (tag == QLatin1String("ValueRange") && ranges) {
            ValueRangeItem vr;
            vr.lowerValue = e.attribute(QStringLiteral("lowerValue"));
            vr.upperValue = e.attribute(QStringLiteral("upperValue"));
            for (QDomNode c = e.firstChild(); !c.isNull() && step(); c = c.nextSibling()) {
                if (c.nodeName() == nameTag)
                    vr.name = nameOf(c.toElement());
            }
            ranges->append(vr);
        }
    }
}

DatatypePtr DatatypeReader::parseDatatype(const QDomElement &element)
{
    DepthGuard guard(*this);
    if (guard.exceeded() || !step())
        return nullptr;
    const QString type = element.attribute(QStringLiteral("xsi:type"));
    const QString id = element.attribute(QStringLiteral("id"));

    DatatypePtr result;
    if (type == QLatin1String("BooleanT")) {
        auto t = std::make_shared<BooleanType>();
        readValues(element, &t->singleValues, nullptr);
        result = t;
    } else if (type == QLatin1String("IntegerT") || type == QLatin1String("UIntegerT")) {
        std::shared_ptr<IntegerType> t;
        if (type == QLatin1String("IntegerT"))
            t = std::make_shared<IntegerType>();
        else
            t = std::make_shared<UintegerType>();
        t->bitLength = element.attribute(QStringLiteral("bitLength"));
        readValues(element, &t->singleValues, &t->valueRanges);
        result = t;
    } else if (type == QLatin1String("Float32T")) {
        auto t = std::make_shared<Float32Type>();
        readValues(element, &t->singleValues, &t->valueRanges);
        result = t;
    } else if (type == QLatin1String("StringT")) {
        auto t = std::make_shared<StringType>();
        t->fixedLength = element.attribute(QStringLiteral("fixedLength"));
        t->encoding = element.attribute(QStringLiteral("encoding"));
        result = t;
    } else if (type == QLatin1String("OctetStringT")) {
        auto t = std::make_shared<OctetStringType>();
        t->fixedLength = element.attribute(QStringLiteral("fixedLength"));
        result = t;
    } else if (type == QLatin1String("TimeT")) {
        result = std::make_shared<TimeType>();
    } else if (type == QLatin1String("TimeSpanT")) {
        result = std::make_shared<TimeSpanType>();
    } else if (type == QLatin1String("ArrayT")) {
        auto t = std::make_shared<ArrayType>();
        t->count = element.attribute(QStringLiteral("count"));
        t->subindexAccessSupported = element.attribute(QStringLiteral("subindexAccessSupported"));
        for (QDomNode n = element.firstChild(); !n.isNull() && step(); n = n.nextSibling()) {
            if (n.nodeName() == QLatin1String("SimpleDatatype")) {
                t->elementType = parseDatatype(n.toElement());
            } else if (n.nodeName() == QLatin1String("DatatypeRef")) {
                t->elementTypeId = n.toElement().attribute(QStringLiteral("datatypeId"));
                t->elementTypeRef = findDatatype(t->elementTypeId);
            }
        }
        result = t;
    } else if (type == QLatin1String("RecordT")) {
        auto t = std::make_shared<RecordType>();
        t->subindexAccessSupported = element.attribute(QStringLiteral("subindexAccessSupported"));
        t->bitLength = element.attribute(QStringLiteral("bitLength"));
        for (QDomNode n = element.firstChild(); !n.isNull() && step(); n = n.nextSibling()) {
            if (n.nodeName() != QLatin1String("RecordItem") || t->items.size() >= maxRecordItems)
                continue;
            const QDomElement e = n.toElement();
            RecordItem item;
            item.subindex = e.attribute(QStringLiteral("subindex"));
            item.bitOffset = e.attribute(QStringLiteral("bitOffset"));
            item.accessRightRestriction = e.attribute(QStringLiteral("accessRightRestriction"));
            for (QDomNode c = e.firstChild(); !c.isNull() && step(); c = c.nextSibling()) {
                const QString tag = c.nodeName();
                if (tag == nameTag) {
                    item.name = nameOf(c.toElement());
                } else if (tag == descriptionTag) {
                    item.description = nameOf(c.toElement());
                } else if (tag == QLatin1String("DatatypeRef")) {
                    item.datatypeId = c.toElement().attribute(QStringLiteral("datatypeId"));
                    item.datatype = findDatatype(item.datatypeId);
                } else if (tag == QLatin1String("SimpleDatatype")) {
                    item.datatype = parseDatatype(c.toElement());
                }
            }
            t->items.append(item);
        }
        result = t;
    } else {
        return nullptr;
    }
    result->id = id;
    result->type = type;
    ++m_created;
    return result;
}

VariablePtr DatatypeReader::readVariable(const QDomElement &e)
{
    auto var = std::make_shared<VariableItem>();
    var->id = e.attribute(QStringLiteral("id"));
    var->index = e.attribute(QStringLiteral("index"));
    var->mandatory = e.attribute(QStringLiteral("mandatory"));
    var->modifiesOtherVariables = e.attribute(QStringLiteral("modifiesOtherVariables"));
    var->accessRights = e.attribute(QStringLiteral("accessRights"));
    var->dynamic = e.attribute(QStringLiteral("dynamic"));
    var->defaultValue = e.attribute(QStringLiteral("defaultValue"));
    for (QDomNode n = e.firstChild(); !n.isNull() && step(); n = n.nextSibling()) {
        const QString tag = n.nodeName();
        const QDomElement child = n.toElement();
        if (tag == QLatin1String("DatatypeRef")) {
            var->datatype = findDatatype(child.attribute(QStringLiteral("datatypeId")));
        } else if (tag == QLatin1String("Datatype")) {
            var->datatype = parseDatatype(child);
        } else if (tag == nameTag) {
            var->name = nameOf(child);
        } else if (tag == descriptionTag) {
            var->description = nameOf(child);
        } else if (tag == QLatin1String("RecordItemInfo")) {
            if (var->datatype && var->datatype->type == QLatin1String(IoddKind::RecordT)
                && std::static_pointer_cast<RecordType>(var->datatype)->itemInfos.size() < maxRecordItems) {
                RecordItemInfo info;
                info.subindex = child.attribute(QStringLiteral("subindex"));
                info.defaultValue = child.attribute(QStringLiteral("defaultValue"));
                info.modifiesOtherVariables = child.attribute(QStringLiteral("modifiesOtherVariables"));
                info.excludedFromDataStorage = child.attribute(QStringLiteral("excludedFromDataStorage"));
                std::static_pointer_cast<RecordType>(var->datatype)->itemInfos.append(info);
            }
        }
    }
    return var;
}
