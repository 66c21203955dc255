#include "startupthread.h"

#include <system_error>

void StartupThread::start(void (*task)())
{
    if (running())
        return;
    try {
        m_thread = std::thread(task);
    } catch (const std::system_error &) {
        // No thread: the task's work happens where it would without it.
    }
}

void StartupThread::await()
{
    if (m_thread.joinable())
        m_thread.join();
}
