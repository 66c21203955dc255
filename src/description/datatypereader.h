#ifndef DATATYPEREADER_H
#define DATATYPEREADER_H

// Builds datatype records from the Datatype elements of one IODD-family
// document. Used by the device-file parser and by the standard definitions
// reader, which differ only in their document and their text lookup.

#include "ioddrecords.h"

#include "ioddindex.h"

#include <QDomElement>
#include <QStringList>

#include <functional>

class datatypeReader
{
public:
    using textLookup = std::function<QString(const QString &textId)>;

    // Limits against hostile documents: a DatatypeRef chain deeper than
    // maxDepth, or a lookup that would create more than maxRecords datatype
    // records, resolves to null from that point on.
    static constexpr int maxDepth = 16;
    static constexpr int maxRecords = 20000;

    datatypeReader(ioddIndex &index, textLookup texts);

    // The first Datatype with this id in any DatatypeCollection, parsed anew;
    // null when there is none, its kind is unknown, or it refers back to itself.
    datatypePtr findDatatype(const QString &id);
    // A record of the element's "xsi:type" kind; null for an unknown kind.
    datatypePtr parseDatatype(const QDomElement &element);
    // A variableItem from a Variable element: attributes, Name/Description
    // texts, the datatype, and RecordItemInfo children that follow a RecordT
    // datatype child (any other RecordItemInfo is dropped).
    variablePtr readVariable(const QDomElement &element);

private:
    struct depthGuard;

    void readValues(const QDomElement &element, QList<singleValueItem> *singles,
                    QList<valueRangeItem> *ranges);
    QString nameOf(const QDomElement &element) const;

    ioddIndex &m_index;
    textLookup m_texts;
    QStringList m_resolving;   // ids of the DatatypeRef chain being followed
    int m_depth = 0;
    int m_created = 0;         // records created by the current outermost call
};

#endif // DATATYPEREADER_H
