#pragma once
// Work on a thread of its own, which the thread that started it watches:
// it asks whether the work is done while it shows progress, then takes the
// work's exception, if it threw one, back to report it itself.

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

namespace korvane {

class Aside {
public:
    explicit Aside(std::function<void()> work)
        : thread_([this, work = std::move(work)] {
              try {
                  work();
              } catch (...) {
                  failure_ = std::current_exception();
              }
              done_.store(true, std::memory_order_release);
          })
    {
    }
    Aside(const Aside&) = delete;
    Aside& operator=(const Aside&) = delete;

    bool done() const { return done_.load(std::memory_order_acquire); }
    // Waits for the work to end.
    std::exception_ptr join()
    {
        if (thread_.joinable()) thread_.join();
        return failure_;
    }

private:
    std::exception_ptr failure_;
    std::atomic<bool> done_{false};
    std::jthread thread_;   // last: it starts once the rest is made
};

} // namespace korvane
