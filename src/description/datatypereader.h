#ifndef DATATYPEREADER_H
#define DATATYPEREADER_H

// Builds datatype records from the Datatype elements of one IODD-family
// document. Used by the device-file parser and by the standard definitions
// reader, which differ only in their document and their text lookup.

#include "ioddrecords.h"

#include "buildbudget.h"
#include "ioddindex.h"

#include <QDomElement>
#include <QStringList>

#include <functional>

class DatatypeReader
{
public:
    using TextLookup = std::function<QString(const QString &textId)>;

    // Limits against hostile documents: a DatatypeRef chain deeper than
    // maxDepth, or a lookup that would create more than maxRecords datatype
    // records, resolves to null from that point on. A record keeps at most
    // maxRecordItems items and item infos: subindex 1..255 is all a device
    // can address.
    static constexpr int maxDepth = 16;
    static constexpr int maxRecords = 20000;
    static constexpr int maxRecordItems = 255;

    // With a budget, every record made and every child element looked at
    // spends a step from it; once it is closed, lookups resolve to null and
    // loops over children stop.
    DatatypeReader(IoddIndex &index, TextLookup texts, BuildBudget *budget = nullptr);

    // The first Datatype with this id in any DatatypeCollection, parsed anew;
    // null when there is none, its kind is unknown, or it refers back to itself.
    DatatypePtr findDatatype(const QString &id);
    // A record of the element's "xsi:type" kind; null for an unknown kind.
    DatatypePtr parseDatatype(const QDomElement &element);
    // A VariableItem from a Variable element: attributes, Name/Description
    // texts, the datatype, and RecordItemInfo children that follow a RecordT
    // datatype child (any other RecordItemInfo is dropped).
    VariablePtr readVariable(const QDomElement &element);

private:
    struct DepthGuard;

    void readValues(const QDomElement &element, QList<SingleValueItem> *singles, QList<ValueRangeItem> *ranges);
    QString nameOf(const QDomElement &element) const;
    bool step();

    IoddIndex &m_index;
    TextLookup m_texts;
    BuildBudget *m_budget;
    QStringList m_resolving; // ids of the DatatypeRef chain being followed
    int m_depth = 0;
    int m_created = 0; // records created by the current outermost call
};

#endif // DATATYPEREADER_H
