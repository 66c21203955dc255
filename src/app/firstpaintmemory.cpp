#include "firstpaintmemory.h"
#include "startupthread.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <thread>

namespace firstPaintMemory {
namespace {

enum State : int { Empty, Reserving, Reserved, Touching, Touched };

std::atomic<int> g_state{Empty};
char *g_block = nullptr;
std::size_t g_bytes = 0;

void touchPages(char *block, std::size_t bytes)
{
    const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t from = (start + page - 1) / page * page;
    const std::uintptr_t to = (start + bytes) / page * page;
    if (to <= from)
        return;
#if defined(MADV_POPULATE_WRITE)
    // The kernel maps every page at once (a fraction of a µs each); the
    // reads below then take the first-touch cost on this thread.
    if (madvise(reinterpret_cast<void *>(from), to - from, MADV_POPULATE_WRITE) == 0) {
        volatile char sink = 0;
        for (std::uintptr_t at = from; at < to; at += page)
            sink = sink + *reinterpret_cast<volatile const char *>(at);
        return;
    }
#endif
    // An older kernel: a write per page maps it.
    for (std::uintptr_t at = from; at < to; at += page)
        *reinterpret_cast<volatile char *>(at) = 0;
}

} // namespace

void reserve(std::size_t bytes)
{
    int expected = Empty;
    if (bytes == 0 || bytes > maxBytes || !g_state.compare_exchange_strong(expected, Reserving))
        return;
    const std::size_t total = bytes + slackBytes;
    // glibc serves blocks this large with mmap(), and a freed one goes back
    // to the system, touched pages and all, until a freed mapped block
    // raises its threshold to that block's size (and the heap's trim
    // threshold to twice that), as any large buffer freed later in the run
    // would. One is taken and freed first, so that the block comes from the
    // heap and stays there when freed, for the next request of its size.
    void *volatile teach = std::malloc(total + slackBytes);
    std::free(teach);
    char *block = static_cast<char *>(std::malloc(total));
    g_block = block;
    g_bytes = total;
    g_state.store(block ? Reserved : Empty);
}

void touch()
{
    int expected = Reserved;
    if (!g_state.compare_exchange_strong(expected, Touching))
        return;
    touchPages(g_block, g_bytes);
    g_state.store(Touched);
}

void touchAhead()
{
    static StartupThread toucher;
    toucher.start(touch); // without a thread the block is freed untouched
}

void release()
{
    int state = g_state.load();
    // A touch under way ends within the time Qt's buffer would take to
    // fault in without it: waited for, its pages are not lost.
    while (state == Touching) {
        std::this_thread::yield();
        state = g_state.load();
    }
    if ((state != Reserved && state != Touched) || !g_state.compare_exchange_strong(state, Empty)) {
        if (state == Reserved) // a touch began meanwhile
            release();
        return;
    }
    std::free(g_block);
    g_block = nullptr;
}

const void *reservedBlock()
{
    const int state = g_state.load();
    return state == Reserved || state == Touching || state == Touched ? g_block : nullptr;
}

bool touched()
{
    return g_state.load() == Touched;
}

} // namespace firstPaintMemory
