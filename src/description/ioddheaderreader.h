#ifndef IODDHEADERREADER_H
#define IODDHEADERREADER_H

// Reads the header of one IODD device description: the identity record and
// single attributes. Short-lived; nothing refers back to it after use.

#include "ioddrecords.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QObject>
#include <QString>

class IoddHeaderReader : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(IoddHeaderReader)

public:
    explicit IoddHeaderReader(const QString &path = QString(), QObject *parent = nullptr);
    ~IoddHeaderReader() override;

    // 0 when the file was read (also when it is not well-formed XML: the
    // document is then empty); -1 for an empty path or an unreadable file.
    int open(const QString &path);
    // Reads the header from a document already parsed from `path` (shared,
    // not copied), so that a description is parsed once.
    void useDocument(const QString &path, const QDomDocument &document);
    // Why the last read file gave an empty document; empty when it parsed.
    QString errorString() const;

    QString fileName() const;
    DeviceInfo readDeviceInfo() const;
    QString attribute(const QString &tagName, const QString &attributeName) const;
    int deviceId() const;
    int vendorId() const;
    QString version() const;
    QString deviceIcon() const;
    QString deviceSymbol() const;
    QString connectionSymbol() const;

private:
    int identityNumber(const QString &attributeName) const;

    QDomElement m_root;
    QDomDocument m_document;
    QString m_path;
    QFile m_file;
    QByteArray m_content;
    QString m_error;
};

#endif // IODDHEADERREADER_H
