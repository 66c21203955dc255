#ifndef STANDARDDEFINITIONS_H
#define STANDARDDEFINITIONS_H

// Reader of the IO-Link standard definitions (standard variables and their
// datatypes, standard event codes) and of the standard unit definitions (unit
// code -> abbreviation).

#include "ioddindex.h"
#include "ioddrecords.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QObject>
#include <QString>

class StandardDefinitions : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(StandardDefinitions)

public:
    explicit StandardDefinitions(const QString &path = QString(), QObject *parent = nullptr);
    ~StandardDefinitions() override;

    int loadDefinitions(const QString &path);
    int loadUnitDefinitions(const QString &path);

    // The language texts are taken in, falling back to the primary
    // language's text; empty (the default): English only.
    void setTextLanguage(const QString &language) { m_textLanguage = language; }
    QString textById(const QString &textId, const QString &language) const;
    DatatypePtr findDatatype(const QString &id) const;
    DatatypePtr parseDatatype(const QDomElement &element) const;
    // Plain Variable elements only; a new record on every call.
    VariablePtr findVariable(const QString &id) const;
    QString unitAbbreviation(const QString &code) const;
    // The standard event codes with their texts, read once per file and process.
    QList<EventItem> events() const;
    // The standard event with this code; empty fields when there is none.
    EventItem findEvent(quint16 code) const;

private:
    // The text of `textId` in the text language, else the primary language.
    QString text(const QString &textId) const;

    QString m_textLanguage;
    QDomElement m_root;
    QDomDocument m_document;
    QString m_path;
    QFile m_file;
    QByteArray m_content;

    QDomElement m_unitRoot;
    QDomDocument m_unitDocument;
    QString m_unitPath;
    QFile m_unitFile;
    QByteArray m_unitContent;

    mutable IoddIndex m_index;
    mutable IoddIndex m_unitIndex;
};

#endif // STANDARDDEFINITIONS_H
