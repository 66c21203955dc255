#include "toolmain.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    if (!toolHasDisplay())
        return reportNoDisplay(argv[0]);
    setPlatformDefaults();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("vanto-hub8"));
    QApplication::setApplicationName(QStringLiteral("vanto-hub8"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The VANTO-HUB8 IO-Link tool."));
    parser.addHelpOption();
    const QCommandLineOption log = logFileOption();
    parser.addOption(log);
    const QCommandLineOption language = languageOption();
    parser.addOption(language);
    parser.process(app);
    return runMainWindow(app, parser.value(log), parser.value(language));
}
