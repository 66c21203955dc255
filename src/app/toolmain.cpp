#include "toolmain.h"

#include "iolinkmainwindow.h"

#include "protocol/adapterregisters.h"

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

int reportNoDisplay(const char *program)
{
    std::fprintf(stderr,
                 "%s: no display found (DISPLAY is not set); start it under a virtual display with: "
                 "xvfb-run -a %s\n",
                 program, program);
    return 2;
}

int runMainWindow(QApplication &app)
{
    Q_UNUSED(app)
    IOLinkMainWindow w;
    w.initPortViews(adapterregs::portCount);
    w.show();
    return QApplication::exec();
}
