#include "fontsetup.h"

#include <dlfcn.h>

#include <clocale>
#include <cstdlib>
#include <system_error>
#include <thread>

namespace fontSetup {
namespace {

// Joins at exit, so a start without a window (--help, a bad option) ends cleanly.
struct Loader
{
    std::thread thread;
    ~Loader()
    {
        if (thread.joinable())
            thread.join();
    }
};

Loader &loader()
{
    static Loader instance;
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
    Loader &l = loader();
    if (l.thread.joinable())
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
    try {
        l.thread = std::thread(loadConfiguration);
    } catch (const std::system_error &) {
        // No thread to be had (a process limit): Qt reads it itself.
    }
}

void await()
{
    Loader &l = loader();
    if (l.thread.joinable())
        l.thread.join();
}

} // namespace fontSetup
