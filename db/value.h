#pragma once
// One column or parameter value as the engine gives or takes it. Text is the
// bytes as stored (Windows-1252), never converted here.

#include "decimal.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace kdb {

class Value {
public:
    enum class Kind { Null, Integer, Fixed, Float, Text };

    Value() = default;
    static Value integer(std::int64_t v) { return Value(v); }
    static Value fixed(Decimal d) { return Value(d); }
    static Value text(std::string s) { return Value(std::move(s)); }
    // The usual way to bind text: an empty text is still a text, not NULL.
    Value(std::string s) : v_(std::move(s)) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(std::int64_t i) : v_(i) {}
    Value(int i) : v_(static_cast<std::int64_t>(i)) {}
    Value(Decimal d) : v_(d) {}
    Value(double d) : v_(d) {}

    // Makes this a text, reusing the buffer it holds when it is one already
    // (loops that rebind the same parameter row after row).
    void setText(std::string_view s)
    {
        if (auto* p = std::get_if<std::string>(&v_)) p->assign(s.data(), s.size());
        else v_.emplace<std::string>(s);
    }
    // The text held, for changing in place; the value must be a text.
    std::string& textRef() { return std::get<std::string>(v_); }

    Kind kind() const { return static_cast<Kind>(v_.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    // Accessors for the stored kind; asking for another kind throws.
    std::int64_t asInteger() const;
    Decimal asDecimal() const;     // Integer and Fixed both qualify
    double asFloat() const;
    const std::string& asText() const;

    // What a bound field shows before any display format: text as stored,
    // numbers in plain decimal, NULL as the empty text.
    std::string toString() const;

    friend bool operator==(const Value& a, const Value& b) { return a.v_ == b.v_; }

private:
    std::variant<std::monostate, std::int64_t, Decimal, double, std::string> v_;
};

} // namespace kdb
