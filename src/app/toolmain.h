#ifndef TOOLMAIN_H
#define TOOLMAIN_H

#include <QCommandLineOption>
#include <QString>

#include <functional>

class IOLinkMainWindow;
class QApplication;

// True when Qt can show a window: a platform was chosen or a display is set.
// Without one, QApplication would abort; callers print a clear line instead.
bool toolHasDisplay();
// Prints how to start the tool without a display and returns the exit code.
int reportNoDisplay(const char *program);

// Before QApplication, for Qt's xcb platform, each unless the user set the
// variable: no OpenGL probe (QT_XCB_GL_INTEGRATION; the tool draws nothing
// with OpenGL, and the probe loads the GL driver stack, tens of MB, at every
// start), and no shared-memory images (QT_XCB_NO_MITSHM; they cost a round
// trip to the X server at every process-data poll). QT_XCB_NO_MITSHM=0
// keeps the shared-memory images.
void setPlatformDefaults();
// setPlatformDefaults(), and starts reading the font configuration on a
// second thread (fontsetup.h); runMainWindow() waits for it before building
// the window.
void prepareToolEnvironment();

// --log FILE: the link's messages and a hex dump of every report, with
// timestamps, go to FILE.
QCommandLineOption logFileOption();

// --lang zh|en: the language of the user interface (uilanguage.h).
QCommandLineOption languageOption();

// Before the main window is made, after the last early exit: connects the
// accessibility bus on a second thread (accessibilitybus.h), which then
// touches the memory of the window's first paint (firstpaintmemory.h; a
// thread of its own does that where there is no bus thread),
// installs the wheel guard, and waits for the font configuration.
void prepareFirstWindow(QApplication &app);

// Shows `window` at once; from the event loop, once it is up, runs
// `beforeLink` (when given) and starts the adapter link and the port views.
void startMainWindow(IOLinkMainWindow &window, const std::function<void()> &beforeLink = {});

// Creates the main window, starts it and runs the event loop; with a log
// file named, traces the link into it first (exit code 1 when it cannot be
// written). The interface speaks `language` ("zh" or "en"), or the system
// locale's language when it is empty (exit code 1 for any other).
int runMainWindow(QApplication &app, const QString &logFile = QString(), const QString &language = QString(),
                  const std::function<void()> &beforeLink = {});

#endif // TOOLMAIN_H
