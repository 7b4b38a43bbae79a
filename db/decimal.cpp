#include "decimal.h"

#include <stdexcept>

namespace kdb {
namespace {

constexpr std::int64_t pow10(int n)
{
    std::int64_t p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

std::int64_t checkedMul(std::int64_t a, std::int64_t b)
{
    std::int64_t r;
    if (__builtin_mul_overflow(a, b, &r)) throw std::overflow_error("numeric value out of range");
    return r;
}

std::int64_t checkedAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t r;
    if (__builtin_add_overflow(a, b, &r)) throw std::overflow_error("numeric value out of range");
    return r;
}

} // namespace

Decimal Decimal::rescaled(int scale) const
{
    if (scale < 0 || scale > kMaxScale) throw std::invalid_argument("decimal scale out of range");
    if (scale == scale_) return *this;
    if (scale > scale_) return Decimal(checkedMul(units_, pow10(scale - scale_)), scale);
    const std::int64_t div = pow10(scale_ - scale);
    std::int64_t q = units_ / div;
    const std::int64_t r = units_ % div;
    // Half away from zero: compare twice the remainder with the divisor.
    if (r != 0 && (r > 0 ? r : -r) >= div - (r > 0 ? r : -r)) q += (units_ < 0 ? -1 : 1);
    return Decimal(q, scale);
}

std::optional<Decimal> Decimal::parse(std::string_view text)
{
    if (text.empty()) return std::nullopt;
    std::size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        ++i;
    }
    std::int64_t units = 0;
    int scale = 0;
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') {
            if (point) return std::nullopt;
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return std::nullopt;
        digits = true;
        if (point) {
            if (scale == kMaxScale) return std::nullopt;
            ++scale;
        }
        if (__builtin_mul_overflow(units, 10, &units) || __builtin_add_overflow(units, c - '0', &units))
            return std::nullopt;
    }
    if (!digits) return std::nullopt;
    return Decimal(negative ? -units : units, scale);
}

std::string Decimal::toString() const
{
    const bool negative = units_ < 0;
    // Work on the unsigned magnitude so INT64_MIN prints too.
    std::uint64_t mag = negative ? 0 - static_cast<std::uint64_t>(units_) : static_cast<std::uint64_t>(units_);
    std::string digits = std::to_string(mag);
    if (scale_ > 0) {
        if (digits.size() <= static_cast<std::size_t>(scale_))
            digits.insert(0, static_cast<std::size_t>(scale_) + 1 - digits.size(), '0');
        digits.insert(digits.size() - static_cast<std::size_t>(scale_), 1, '.');
    }
    return negative ? "-" + digits : digits;
}

Decimal operator+(const Decimal& a, const Decimal& b)
{
    const int scale = a.scale_ > b.scale_ ? a.scale_ : b.scale_;
    return Decimal(checkedAdd(a.rescaled(scale).units_, b.rescaled(scale).units_), scale);
}

bool operator==(const Decimal& a, const Decimal& b)
{
    const int scale = a.scale_ > b.scale_ ? a.scale_ : b.scale_;
    return a.rescaled(scale).units_ == b.rescaled(scale).units_;
}

bool operator<(const Decimal& a, const Decimal& b)
{
    const int scale = a.scale_ > b.scale_ ? a.scale_ : b.scale_;
    return a.rescaled(scale).units_ < b.rescaled(scale).units_;
}

} // namespace kdb
