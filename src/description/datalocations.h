#ifndef DATALOCATIONS_H
#define DATALOCATIONS_H

#include <QString>

// Where the files the programs read at run time are: the standard definitions
// (std/), the IODD library shipped with the tool (iodd/) and the user's own
// IODD library.
//
// Run from the build tree, std/ and iodd/ lie beside the executable and the
// library beside it is the user's too (nothing changes there). Installed, the
// executables are in <prefix>/bin and the data in <prefix>/share/vanto-hub8;
// the shipped library is read-only there, so the user's library is
// <generic data location>/vanto-hub8/iodd (~/.local/share/vanto-hub8/iodd),
// seeded once from the shipped one.
//
// The functions taking folders decide from those alone; the others use the
// running executable's folder and the user's data location.
namespace DataLocations {

// The folder holding std/ and iodd/ for an executable in `appDir`: `appDir`
// itself when std/ is beside it, else <appDir>/../share/vanto-hub8.
QString dataDirFor(const QString &appDir);
// True when the executable in `appDir` runs installed (no std/ beside it).
bool installedFor(const QString &appDir);
// The user's IODD library: the shipped library when run from the build tree,
// else <genericDataDir>/vanto-hub8/iodd.
QString userLibraryDirFor(const QString &appDir, const QString &genericDataDir);

QString dataDir();
// The folder that holds std1.1/ (what IoddFile reads by default).
QString standardDefinitionsDir();
// The IODD library that comes with the tool.
QString shippedLibraryDir();
// The built-in device's description in the shipped library.
QString builtinDescriptionPath();
// The library the user adds files to and deletes them from.
QString userLibraryDir();

// Where the index of the library `libraryDir` is kept between runs: in the
// user's cache folder (~/.cache/vanto-hub8), one file per library, never in
// the library itself.
QString libraryIndexFile(const QString &libraryDir);

// Copies the library `shippedDir` to `userDir` when `userDir` does not exist
// yet; true when there is nothing to do or the copy is complete. Only real
// directories and regular files are copied (symbolic links are skipped), and
// nothing is written outside `userDir`. A copy that fails is removed again
// (the next start tries anew), with the reason in *why.
bool seedLibrary(const QString &shippedDir, const QString &userDir, QString *why);
// seedLibrary() from the shipped library to the user's when they differ.
bool seedUserLibrary(QString *why);

} // namespace DataLocations

#endif // DATALOCATIONS_H
