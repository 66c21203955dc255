#include "toolmain.h"

#include "iolinkmainwindow.h"

#include "log/linktracefile.h"
#include "protocol/adapterregisters.h"
#include "widgets/wheelguard.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

bool toolHasDisplay()
{
    auto set = [](const char *name) {
        const char *v = std::getenv(name);
        return v && *v;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

void prepareToolEnvironment()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

int reportNoDisplay(const char *program)
{
    std::fprintf(stderr,
                 "%s: no display found (DISPLAY is not set); start it under a virtual display with: "
                 "xvfb-run -a %s\n",
                 program, program);
    return 2;
}

QCommandLineOption logFileOption()
{
    return QCommandLineOption(QStringLiteral("log"),
                              QStringLiteral("Write the adapter link's messages and every report in hex, with "
                                             "timestamps, to FILE (for support)."),
                              QStringLiteral("FILE"));
}

int runMainWindow(QApplication &app, const QString &logFile)
{
    LinkTraceFile trace;
    QString error;
    if (!logFile.isEmpty() && !trace.open(logFile, &error)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(app.applicationName()), qPrintable(error));
        return 1;
    }
    WheelGuard::install(&app);
    IOLinkMainWindow w;
    w.initPortViews(adapterregs::portCount);
    w.show();
    return QApplication::exec();
}
