#ifndef STARTUPTHREAD_H
#define STARTUPTHREAD_H

#include <thread>

// One task of the start-up run on a second thread while the main thread goes
// on, and waited for before its result is needed.
class StartupThread
{
public:
    StartupThread() = default;
    StartupThread(const StartupThread &) = delete;
    StartupThread &operator=(const StartupThread &) = delete;
    // A task nobody waited for is waited for here (a std::thread left
    // joinable would end the program), so a start that ends early (--help,
    // a bad option) still ends cleanly.
    ~StartupThread() { await(); }

    // Starts `task` unless one is running. Without a thread to be had (a
    // process limit) nothing starts, and the caller's work is done where it
    // would be anyway.
    void start(void (*task)());
    bool running() const { return m_thread.joinable(); }
    // Returns at once when nothing runs.
    void await();

private:
    std::thread m_thread;
};

#endif // STARTUPTHREAD_H
