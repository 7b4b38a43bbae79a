#include "filesahead.h"

namespace korvane {

FilesAhead::FilesAhead(const ReleaseSource& source, std::vector<std::string> names)
    : source_(source), names_(std::move(names)), slots_(names_.size())
{
    working_ = 2;
    for (int i = 0; i < working_; ++i) threads_.emplace_back([this] { work(); });
}

FilesAhead::~FilesAhead()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    for (std::thread& t : threads_) t.join();
}

void FilesAhead::work()
{
    // A zip's handle is not for two threads: each opens its own.
    std::unique_ptr<ReleaseSource> own;
    try {
        own = openReleaseSource(source_.location());
    } catch (const std::exception&) {
    }
    for (;;) {
        std::size_t i;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!own || stop_ || next_ == names_.size()) break;
            i = next_++;
        }
        Slot got;
        try {
            got.file = own->read(names_[i]);
        } catch (...) {
            got.failure = std::current_exception();
        }
        got.done = true;
        std::lock_guard<std::mutex> lock(mutex_);
        slots_[i] = std::move(got);
        ready_.notify_all();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    --working_;
    ready_.notify_all();
}

ReleaseFile FilesAhead::take(std::size_t i)
{
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [&] { return slots_[i].done || working_ == 0; });
    if (!slots_[i].done) {
        lock.unlock();
        return source_.read(names_[i]);
    }
    Slot& s = slots_[i];
    if (s.failure) std::rethrow_exception(s.failure);
    ReleaseFile file = std::move(*s.file);
    s.file.reset();
    return file;
}

} // namespace korvane
