#ifndef ANALYSTDIODD_H
#define ANALYSTDIODD_H

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

class analyStdIodd : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(analyStdIodd)

public:
    explicit analyStdIodd(const QString &path = QString(), QObject *parent = nullptr);
    ~analyStdIodd() override;

    int loadDefinitions(const QString &path);
    int loadUnitDefinitions(const QString &path);

    QString textById(const QString &textId, const QString &language) const;
    datatypePtr findDatatype(const QString &id) const;
    datatypePtr parseDatatype(const QDomElement &element) const;
    // Plain Variable elements only; a new record on every call.
    variablePtr findVariable(const QString &id) const;
    QString unitAbbreviation(const QString &code) const;
    // The standard event codes with their texts, read once per file and process.
    QList<eventItem> events() const;
    // The standard event with this code; empty fields when there is none.
    eventItem findEvent(quint16 code) const;

private:
    QDomElement root;
    QDomDocument document;
    QString path;
    QFile file;
    QByteArray content;

    QDomElement unitRoot;
    QDomDocument unitDocument;
    QString unitPath;
    QFile unitFile;
    QByteArray unitContent;

    mutable ioddIndex index;
    mutable ioddIndex unitIndex;
};

#endif // ANALYSTDIODD_H
