#ifndef TOOLMAIN_H
#define TOOLMAIN_H

class QApplication;

// True when Qt can show a window: a platform was chosen or a display is set.
// Without one, QApplication would abort; callers print a clear line instead.
bool toolHasDisplay();
// Prints how to start the tool without a display and returns the exit code.
int reportNoDisplay(const char *program);

// Creates the main window, starts the adapter link and runs the event loop.
int runMainWindow(QApplication &app);

#endif // TOOLMAIN_H
