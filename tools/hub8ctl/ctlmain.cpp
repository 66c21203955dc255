// hub8ctl: the adapter's ports, ISDU reads and writes, parameters and process
// data decoded with a device description, from the command line.

#include "ctlcommands.h"

#include <QCoreApplication>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Keep stderr for what the command has to say; QT_LOGGING_RULES still wins.
    QLoggingCategory::setFilterRules(QStringLiteral("hub8.*.debug=false"));
    QByteArray output;
    const int status = runHub8ctl(QStringLiteral("hub8ctl"), app.arguments().mid(1),
                                  QStringLiteral("usage: hub8ctl COMMAND [ARGUMENTS]"), QString(), &output);
    return printed(status, output);
}
