// Linked into every test executable: the settings the tool keeps (window
// geometry, role) go to a temporary folder of the test run, never to the
// user's, and QStandardPaths answers with its test locations. Programs the
// tests start (hub8ctl-sim) keep their data and cache (the write journal,
// the library index) in that folder too.

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

void isolateSettings()
{
    static QTemporaryDir folder;
    QStandardPaths::setTestModeEnabled(true);
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path() + QStringLiteral("/data")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(folder.path() + QStringLiteral("/cache")));
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, folder.path());
        QSettings::setPath(format, QSettings::SystemScope, folder.path() + QStringLiteral("/system"));
    }
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(isolateSettings)
