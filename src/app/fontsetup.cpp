#include "fontsetup.h"
#include "startupthread.h"

#include <dlfcn.h>

#include <clocale>
#include <cstdlib>

namespace fontSetup {
namespace {

StartupThread &loader()
{
    static StartupThread instance;
    return instance;
}

void loadConfiguration()
{
    // The same library Qt's font database loads; once loaded here, Qt's
    // plugin links against this copy and its own FcInit() returns at once.
    void *library = dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return;
    using FcInitFn = int (*)();
    if (auto init = reinterpret_cast<FcInitFn>(dlsym(library, "FcInit")))
        init();
    // Left loaded: Qt uses it for the rest of the process.
}

} // namespace

void startEarly()
{
    if (loader().running())
        return;
    // fontconfig reads the environment and parses numbers in the C library's
    // locale while it runs, and neither may change under it. QApplication
    // sets the locale from the environment: done here first, its own call
    // changes nothing. It also removes DESKTOP_STARTUP_ID when a launcher
    // set it, and that edit of the environment cannot be moved: then Qt
    // reads the configuration itself, as it would anyway.
    std::setlocale(LC_ALL, "");
    if (std::getenv("DESKTOP_STARTUP_ID"))
        return;
    loader().start(loadConfiguration); // without a thread, Qt reads it itself
}

void await()
{
    loader().await();
}

} // namespace fontSetup
