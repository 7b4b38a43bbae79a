#include "loadheap.h"

#include <mutex>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace korvane {
namespace {

std::mutex heapMutex;
int loadsRunning = 0;

} // namespace

LoadHeap::LoadHeap()
{
#if defined(__GLIBC__)
    const std::lock_guard<std::mutex> lock(heapMutex);
    if (loadsRunning++ == 0) {
        // Larger than any release file, so that none is mapped apart.
        mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
    }
#endif
}

LoadHeap::~LoadHeap()
{
#if defined(__GLIBC__)
    const std::lock_guard<std::mutex> lock(heapMutex);
    if (--loadsRunning == 0) {
        // The library's own defaults.
        mallopt(M_MMAP_THRESHOLD, 128 * 1024);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024);
        malloc_trim(0);
    }
#endif
}

} // namespace korvane
