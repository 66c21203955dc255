#ifndef TOOLMAIN_H
#define TOOLMAIN_H

#include <QCommandLineOption>
#include <QString>

#include <functional>

class MainWindow;
class QApplication;

// True when Qt can show a window: a platform was chosen or a display is set.
// Without one, QApplication would abort; callers print a clear line instead.
bool toolHasDisplay();
// Prints how to start the tool without a display and returns the exit code.
int reportNoDisplay(const char *program);

// Before QApplication: no OpenGL probe for Qt's xcb platform
// (QT_XCB_GL_INTEGRATION=none) unless the user set the variable. The tool
// draws nothing with OpenGL, and the probe loads the GL driver stack, tens of
// MB, at every start.
void setPlatformDefaults();

// --log FILE: the link's messages and a hex dump of every report, with
// timestamps, go to FILE.
QCommandLineOption logFileOption();

// --lang zh|en: the language of the user interface (i18n/uilanguage.h).
QCommandLineOption languageOption();

// Shows `window` at once; from the event loop, once it is up, runs
// `beforeLink` (when given) and starts the adapter link and the port views.
void startMainWindow(MainWindow &window, const std::function<void()> &beforeLink = {});

// Creates the main window, starts it and runs the event loop; with a log
// file named, traces the link into it first (exit code 1 when it cannot be
// written). The interface speaks `language` ("zh" or "en"), or the system
// locale's language when it is empty (exit code 1 for any other).
int runMainWindow(QApplication &app, const QString &logFile = QString(), const QString &language = QString(),
                  const std::function<void()> &beforeLink = {});

#endif // TOOLMAIN_H
