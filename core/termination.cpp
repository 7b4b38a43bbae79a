#include "termination.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace korvane {
namespace {

std::atomic<int> requested{0};
int notifyPipe[2] = {-1, -1};

sigset_t terminationSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

void takeSignals(sigset_t set)
{
    for (;;) {
        const int signal = sigwaitinfo(&set, nullptr);
        if (signal <= 0) continue;
        // Asked twice: whatever is holding the first request up (a server
        // that does not answer a connection) is not waited for.
        if (stopRequested()) _exit(128 + signal);
        requestStop(signal);
    }
}

} // namespace

void takeTerminationSignals()
{
    static bool taken = false;
    if (taken) return;
    taken = true;
    const sigset_t set = terminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    if (pipe2(notifyPipe, O_CLOEXEC | O_NONBLOCK) != 0) notifyPipe[0] = notifyPipe[1] = -1;
    std::thread(takeSignals, set).detach();
}

bool stopRequested() { return requested.load(std::memory_order_acquire) != 0; }

int stopSignal() { return requested.load(std::memory_order_acquire); }

int stopDescriptor() { return notifyPipe[0]; }

void requestStop(int signal)
{
    int none = 0;
    if (!requested.compare_exchange_strong(none, signal, std::memory_order_acq_rel)) return;
    if (notifyPipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = write(notifyPipe[1], &byte, 1);
    }
}

void clearStopRequest()
{
    requested.store(0, std::memory_order_release);
    char drain[16];
    if (notifyPipe[0] >= 0)
        while (read(notifyPipe[0], drain, sizeof drain) > 0) {
        }
}

} // namespace korvane
