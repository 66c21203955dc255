#ifndef IODDINDEX_H
#define IODDINDEX_H

// Id lookups on one parsed IODD-family document: texts, datatypes, variables,
// menus and units. The lookups are linear scans of the DOM; with indexing on
// (the default) each kind is scanned once into a hash on first use and then
// answered from it. Both ways give the same answers: every hash keeps the
// first match in document order, exactly what the scan returns.

#include <QDomElement>
#include <QHash>
#include <QList>
#include <QString>

class IoddIndex
{
public:
    // Process-wide switch, for comparing both ways in tests and benchmarks.
    static void setEnabled(bool on);
    static bool enabled();

    // Forgets everything; later lookups answer for this document.
    void reset(const QDomElement &root);

    // The "value" of the first Text with this id in a language block
    // (PrimaryLanguage or Language) of an ExternalTextCollection whose
    // "xml:lang" is language.
    QString text(const QString &textId, const QString &language);
    // Texts of `language` from outside the document (a language file): they
    // answer text() for ids the document's own block of that language lacks.
    void addTexts(const QString &language, const QHash<QString, QString> &texts);
    // The "xml:lang" of the document's PrimaryLanguage block; empty without one.
    QString primaryLanguage();
    // The first Datatype child of a DatatypeCollection with this id.
    QDomElement datatype(const QString &id);
    // The Variable and StdVariableRef children of the VariableCollections
    // with this id, in document order.
    QList<QDomElement> variables(const QString &id);
    // The Menu children of the MenuCollections with this id, in document order.
    QList<QDomElement> menus(const QString &id);
    // The "abbr" of the first Unit of a UnitCollection with this code.
    QString unit(const QString &code);
    // Every element with this tag name, in document order.
    QList<QDomElement> elements(const QString &tagName);

private:
    QDomElement m_root;
    bool m_textsBuilt = false;
    bool m_datatypesBuilt = false;
    bool m_variablesBuilt = false;
    bool m_menusBuilt = false;
    bool m_unitsBuilt = false;
    bool m_primaryLanguageFound = false;
    QString m_primaryLanguage;
    QHash<QString, QHash<QString, QString>> m_texts;      // language -> id -> value
    QHash<QString, QHash<QString, QString>> m_addedTexts; // the same, from outside the document
    QHash<QString, QDomElement> m_datatypes;
    QHash<QString, QList<QDomElement>> m_variables;
    QHash<QString, QList<QDomElement>> m_menus;
    QHash<QString, QString> m_units;
    QHash<QString, QList<QDomElement>> m_elements; // tag name -> elements, filled per tag on first use
};

#endif // IODDINDEX_H
