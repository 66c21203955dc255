#ifndef LANGUAGEFILES_H
#define LANGUAGEFILES_H

// The texts of a description in further languages, kept in files beside it:
// "<file name without .xml>-<language>.xml", each an ExternalTextDocument of
// Language blocks of Text elements. Read as every other file the tool reads:
// regular files only (no symbolic links), bounded in size, checked by a
// streaming read before anything is taken from them.

#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QString>

namespace LanguageFiles {

// A language file holds texts only; far below the limit for descriptions.
constexpr qint64 maxFileSize = 4 * 1024 * 1024;

struct Sibling
{
    QString language; // the name's language part, in lower case ("zh", "de")
    QString path;
};

// The language files beside the description at `descriptionPath`: regular
// files, not links, in the same folder, by name.
QList<Sibling> siblings(const QString &descriptionPath);

// The language part of `fileName` when it is named like a language file of
// `descriptionFileName`; empty otherwise.
QString languageOf(const QString &fileName, const QString &descriptionFileName);

// The texts (id -> value) of the Language blocks of `language` in the file at
// `path`. Empty for a file that is not a regular file, too large, not
// well-formed, or not an ExternalTextDocument. The first text of an id wins.
QHash<QString, QString> readTexts(const QString &path, const QString &language);

} // namespace LanguageFiles

#endif // LANGUAGEFILES_H
