#ifndef ACCESSIBILITYBUS_H
#define ACCESSIBILITYBUS_H

// Under X and Wayland, Qt's accessibility bridge connects to the session
// bus the first time a widget tells it anything, while the window is being
// built, and the window waits for it. Without a session bus (a virtual
// display, a minimal window manager) that connection first tries to start
// one, which costs a process start. connectEarly() makes the same
// connection on a second thread, so that the window's other start-up work
// (its fonts: IOLinkMainWindow::preloadFonts) runs meanwhile; the bridge
// takes that connection when it asks.
namespace accessibilityBus {

// After QApplication, before the main window is built. Does nothing on the
// platforms without the bridge (offscreen, minimal) and returns false then.
// `thenRun`, when given, runs on the connection's thread once it is made:
// after the process start it may cost (firstpaintmemory.h).
bool connectEarly(void (*thenRun)() = nullptr);

// Waits for the connection started by connectEarly(); returns at once when
// nothing was started. Call it before main() returns.
void await();

} // namespace accessibilityBus

#endif // ACCESSIBILITYBUS_H
