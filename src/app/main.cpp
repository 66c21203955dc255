#include "toolmain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (!toolHasDisplay())
        return reportNoDisplay(argv[0]);
    QApplication app(argc, argv);
    return runMainWindow(app);
}
