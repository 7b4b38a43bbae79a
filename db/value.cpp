#include "value.h"

#include "error.h"

#include <cstdio>

namespace kdb {

std::int64_t Value::asInteger() const
{
    if (auto p = std::get_if<std::int64_t>(&v_)) return *p;
    throw Error("value is not an integer");
}

Decimal Value::asDecimal() const
{
    if (auto p = std::get_if<Decimal>(&v_)) return *p;
    if (auto p = std::get_if<std::int64_t>(&v_)) return Decimal(*p, 0);
    throw Error("value is not a fixed-point number");
}

double Value::asFloat() const
{
    if (auto p = std::get_if<double>(&v_)) return *p;
    throw Error("value is not a floating point number");
}

const std::string& Value::asText() const
{
    if (auto p = std::get_if<std::string>(&v_)) return *p;
    throw Error("value is not a text");
}

std::string Value::toString() const
{
    switch (kind()) {
    case Kind::Null: return {};
    case Kind::Integer: return std::to_string(std::get<std::int64_t>(v_));
    case Kind::Fixed: return std::get<Decimal>(v_).toString();
    case Kind::Float: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", std::get<double>(v_));
        return buf;
    }
    case Kind::Text: return std::get<std::string>(v_);
    }
    return {};
}

} // namespace kdb
