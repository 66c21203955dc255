#include "app/firstpaintmemory.h"

#include <QtTest>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t windowBytes = std::size_t(1280) * 680 * 4;

bool inside(const void *p, const void *block, std::size_t bytes)
{
    const auto *at = static_cast<const char *>(p);
    const auto *from = static_cast<const char *>(block);
    return at >= from && at < from + bytes;
}

} // namespace

class TestFirstPaintMemory : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        firstPaintMemory::release();
        QVERIFY(!firstPaintMemory::reservedBlock());
    }

    // The window's buffer, asked for after the release, gets the touched block.
    void nextBufferOfTheSizeGetsTheTouchedBlock()
    {
#if defined(__SANITIZE_ADDRESS__) || !defined(__GLIBC__)
        QSKIP("the heap reuses freed blocks only with the C library's own allocator");
#endif
        firstPaintMemory::reserve(windowBytes);
        const void *block = firstPaintMemory::reservedBlock();
        QVERIFY(block);
        QVERIFY(!firstPaintMemory::touched());
        firstPaintMemory::touch();
        QVERIFY(firstPaintMemory::touched());
        firstPaintMemory::release();
        QVERIFY(!firstPaintMemory::reservedBlock());
        void *buffer = std::malloc(windowBytes);
        QVERIFY(inside(buffer, block, firstPaintMemory::slackBytes));
        // and its pages are the touched ones, not given back and mapped anew
        const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
        const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(buffer) + page - 1) / page * page;
        const std::size_t pages = (windowBytes - page) / page;
        std::vector<unsigned char> resident(pages);
        QCOMPARE(mincore(reinterpret_cast<void *>(from), pages * page, resident.data()), 0);
        QCOMPARE(std::count_if(resident.cbegin(), resident.cend(), [](unsigned char r) { return r & 1; }),
                 std::ptrdiff_t(pages));
        std::free(buffer);
    }

    // Where no session bus thread runs (offscreen), a thread of its own touches the block.
    void touchAheadOnItsOwnThread()
    {
        firstPaintMemory::reserve(windowBytes);
        firstPaintMemory::touchAhead();
        QTRY_VERIFY(firstPaintMemory::touched());
        firstPaintMemory::release();
        QVERIFY(!firstPaintMemory::reservedBlock());
    }

    // Nothing to reserve, too much, or a second reservation: nothing changes.
    void reservesOnlyWhatIsWorthIt()
    {
        firstPaintMemory::reserve(0);
        QVERIFY(!firstPaintMemory::reservedBlock());
        firstPaintMemory::reserve(firstPaintMemory::maxBytes + 1);
        QVERIFY(!firstPaintMemory::reservedBlock());
        firstPaintMemory::reserve(windowBytes);
        const void *block = firstPaintMemory::reservedBlock();
        QVERIFY(block);
        firstPaintMemory::reserve(windowBytes / 2);
        QCOMPARE(firstPaintMemory::reservedBlock(), block);
    }

    // Released before the touching thread came (no session bus thread, or
    // a slow one): the block is given back at once and is not touched after.
    void releaseBeforeTouch()
    {
        firstPaintMemory::reserve(windowBytes);
        firstPaintMemory::release();
        QVERIFY(!firstPaintMemory::reservedBlock());
        firstPaintMemory::touch();
        QVERIFY(!firstPaintMemory::touched());
        QVERIFY(!firstPaintMemory::reservedBlock());
    }

    // Released while another thread may be touching it: the release waits
    // for the touch and gives the block back, once (the sanitizer build
    // reports a double free), and a new reservation works after.
    void releaseWhileTouching()
    {
        for (int round = 0; round < 20; ++round) {
            firstPaintMemory::reserve(windowBytes);
            QVERIFY(firstPaintMemory::reservedBlock());
            std::thread toucher(firstPaintMemory::touch);
            if (round % 2)
                std::this_thread::yield();
            firstPaintMemory::release();
            QVERIFY(!firstPaintMemory::reservedBlock());
            toucher.join();
            QVERIFY(!firstPaintMemory::reservedBlock());
        }
    }
};

QTEST_GUILESS_MAIN(TestFirstPaintMemory)
#include "tst_firstpaintmemory.moc"
