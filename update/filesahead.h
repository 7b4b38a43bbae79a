#pragma once
// The files of a release that keeps what it read (a zip) unpacked two at a
// time ahead of the one reading them: each file stands alone, and
// unpacking is most of reading a release. Each file is taken in the order
// asked, with what its reading gave or threw.

#include "update/releasefile.h"
#include "update/releasesource.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace korvane {

class FilesAhead {
public:
    // Starts reading `names` (files the source holds) on threads of their
    // own, each through its own opening of the source's location.
    FilesAhead(const ReleaseSource& source, std::vector<std::string> names);
    ~FilesAhead();
    FilesAhead(const FilesAhead&) = delete;
    FilesAhead& operator=(const FilesAhead&) = delete;

    // File i of the names, once read; throws what its reading threw. A file
    // no thread could read is read through `source` itself.
    ReleaseFile take(std::size_t i);

private:
    struct Slot {
        std::optional<ReleaseFile> file;
        std::exception_ptr failure;
        bool done = false;
    };
    void work();

    const ReleaseSource& source_;
    std::vector<std::string> names_;
    std::vector<Slot> slots_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::size_t next_ = 0;
    int working_ = 0;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace korvane
