#ifndef CTLCOMMANDS_H
#define CTLCOMMANDS_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// Exit statuses of hub8ctl.
namespace CtlExit {
constexpr int ok = 0;
constexpr int failed = 1;    // the adapter or the device answered with an error
constexpr int usage = 2;     // bad usage, or a file that cannot be read
constexpr int noAdapter = 3; // no adapter found, or it does not answer
} // namespace CtlExit

// Runs one command line (`args` without the program name) and returns the
// exit status; what belongs on stdout (the JSON, or the help) is appended to
// *output, messages go to stderr at once. `synopsis` is the help's first line
// for this executable, `extraOptions` the help lines of its own options
// (empty when none).
int runHub8ctl(const QString &program, const QStringList &args, const QString &synopsis, const QString &extraOptions,
               QByteArray *output);

// Writes `output` to stdout and passes `status` on.
int printed(int status, const QByteArray &output);

#endif // CTLCOMMANDS_H
