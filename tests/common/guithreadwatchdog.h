#ifndef GUITHREADWATCHDOG_H
#define GUITHREADWATCHDOG_H

// For tests of what could spin or block the GUI thread: the test fails within a
// bound instead of hanging until CTest's timeout.

#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

// Ends the process when the GUI thread has not come back to its event loop for `seconds`.
class GuiThreadWatchdog
{
public:
    explicit GuiThreadWatchdog(int seconds)
        : m_thread([this, seconds] {
              std::unique_lock<std::mutex> lock(m_mutex);
              while (!m_done) {
                  m_fed = false;
                  if (!m_wake.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done || m_fed; })) {
                      std::fprintf(stderr, "FAIL: the GUI thread did not return to its event loop for %d s\n", seconds);
                      std::_Exit(3);
                  }
              }
          })
    {
        m_feeder.setInterval(50);
        QObject::connect(&m_feeder, &QTimer::timeout, [this] {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_fed = true;
            m_wake.notify_one();
        });
        m_feeder.start();
    }
    ~GuiThreadWatchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    bool m_fed = false;
    QTimer m_feeder;
    std::thread m_thread;
};

#endif // GUITHREADWATCHDOG_H
