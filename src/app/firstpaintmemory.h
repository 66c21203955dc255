#ifndef FIRSTPAINTMEMORY_H
#define FIRSTPAINTMEMORY_H

#include <cstddef>

// The window's pixel buffer is the largest block of memory the first paint
// writes (1280 x 680 pixels: 3.4 MB), and on virtual machines that map
// guest memory lazily the first touch of each of its pages is dear: about
// 10 ms for that buffer on the 2-core machines the tool is measured on. The
// tool takes a block of that size from the heap before it makes its form,
// touches its pages on a second thread while the form is made, and gives it
// back just before the window is shown: Qt's buffer, asked for next with the
// same size, gets those pages.
namespace firstPaintMemory {

// Main thread, before touch() can run. Does nothing for 0 or more than
// maxBytes, or when no memory is to be had.
void reserve(std::size_t bytes);
// Any thread. Touches the reserved block once; does nothing when none is
// reserved or it was released already. Call it after anything that may fork
// the process: a fork makes every page copy-on-write again.
void touch();
// touch() on a second thread of its own, for when no other thread is at
// hand; once per process, waited for when the program ends.
void touchAhead();
// Main thread, before the window is shown. Frees the block: a touch under
// way is waited for (it ends sooner than Qt's buffer would fault in without
// it), an untouched block is freed at once.
void release();

// The largest block worth touching ahead (a 4K screen's window would take
// tens of ms of the second thread).
constexpr std::size_t maxBytes = std::size_t(16) << 20;
// Room for what the window's show takes from the heap before Qt asks for its
// buffer: it is carved from the front of the freed block.
constexpr std::size_t slackBytes = std::size_t(256) << 10;

// For tests: the reserved block (null when none) and whether touch() ran.
const void *reservedBlock();
bool touched();

} // namespace firstPaintMemory

#endif // FIRSTPAINTMEMORY_H
