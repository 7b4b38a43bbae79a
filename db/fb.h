#pragma once
// Internal to the database layer: access to the Firebird OO API and the
// translation of its exceptions into kdb::Error.

#include "error.h"

#include <firebird/Interface.h>

#include <utility>

namespace kdb::fb {

Firebird::IMaster* master();
Firebird::IUtil* util();

// Engine status text, lines joined by '\n'.
std::string statusText(Firebird::IStatus* status);

// A throwing status wrapper that lives for one call sequence.
class Status {
public:
    Status() : raw_(master()->getStatus()), wrapper_(raw_) {}
    ~Status() { raw_->dispose(); }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;
    Firebird::ThrowStatusWrapper* operator&() { return &wrapper_; }

private:
    Firebird::IStatus* raw_;
    Firebird::ThrowStatusWrapper wrapper_;
};

// Runs f, turning an engine exception into kdb::Error with the engine's text.
template <class F>
auto call(F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const Firebird::FbException& e) {
        throw Error(statusText(e.getStatus()));
    }
}

} // namespace kdb::fb
