#ifndef IODDLIBRARYFOLDER_H
#define IODDLIBRARYFOLDER_H

#include <QFileInfoList>
#include <QString>

struct DeviceInfo;

// Names in the IODD library: one folder per IODD file, named
// <vendor id>_<device id>_<version>_<file name without ".xml">.
namespace IoddLibrary {

// True when `name` can only mean one entry directly inside a folder: not
// empty, "." or "..", without "/", "\\" or NUL; else false with the reason in
// *why (when given).
bool isPlainName(const QString &name, QString *why = nullptr);
// The file name with every ".xml" removed.
QString stem(QString fileName);
// True when `name` is a language file of the description `description`, as
// LanguageFiles::languageOf reads them: "<description without .xml>-<language>.xml"
// ("-de", "-ZH", "-zh-CN").
bool isLanguageFileOf(const QString &name, const QString &description);
QString folderName(const QString &vendorId, const QString &deviceId, const QString &version, const QString &fileName);
// The folder of a description in the user's library (DataLocations), or in
// the shipped library when the user's has no such folder.
QString folderPath(const DeviceInfo &info);

// The description files of the library, as the library dialog lists them and
// the lookup searches them: the regular "*.xml" files (no symbolic links) of
// each real folder directly inside the library, folders and files by name,
// less the language files of another file of the same folder. Nothing
// deeper, nothing reached through a link.
QFileInfoList descriptionFiles(const QString &libraryDir);
// True when `path` is a real directory (not a symbolic link) whose parent is
// the library directory itself.
bool isLibraryFolder(const QString &libraryDir, const QString &path);
// True when `path` is the built-in description's folder in the library: the
// even ports' pages and the virtual devices are made from it.
bool isBuiltinFolder(const QString &libraryDir, const QString &path);
// Removes a folder of the library with everything in it. Refuses, with the
// reason in *why, the built-in description's folder and anything that is not
// a real directory directly inside the library.
bool removeFolder(const QString &libraryDir, const QString &path, QString *why);

} // namespace IoddLibrary

#endif // IODDLIBRARYFOLDER_H
