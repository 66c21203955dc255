#ifndef FONTSETUP_H
#define FONTSETUP_H

// Reading the font configuration (its XML files and font caches) is the
// largest single cost of showing the first window. startEarly() does it on a
// second thread while Qt loads its platform and connects to the display;
// await() waits for it before the first widget measures text, so that Qt
// finds the configuration ready instead of reading it a second time.
namespace fontSetup {

// Before QApplication. Does nothing when the font library cannot be loaded;
// Qt then reads the configuration itself, as it would anyway.
void startEarly();

// Before the main window is built. Returns at once when nothing was started.
void await();

} // namespace fontSetup

#endif // FONTSETUP_H
