#include "fontsetup.h"

#include <dlfcn.h>

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
    void *library = dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_GLOBAL);
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
    if (!l.thread.joinable())
        l.thread = std::thread(loadConfiguration);
}

void await()
{
    Loader &l = loader();
    if (l.thread.joinable())
        l.thread.join();
}

} // namespace fontSetup
