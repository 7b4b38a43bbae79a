#pragma once
// An exact decimal: a 64-bit count of units of 10^-scale. Money and
// percentages travel through the program in this form and never as double.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kdb {

class Decimal {
public:
    constexpr Decimal() = default;
    constexpr Decimal(std::int64_t units, int scale) : units_(units), scale_(scale) {}

    static constexpr int kMaxScale = 18;

    std::int64_t units() const { return units_; }
    int scale() const { return scale_; }

    // Same value at another scale; going down rounds half away from zero.
    // Throws std::overflow_error when the value does not fit.
    Decimal rescaled(int scale) const;

    // Parses "-123.45", "0012", "7." or ".5"; nothing else (no exponent, no
    // grouping). Empty or malformed text gives nullopt.
    static std::optional<Decimal> parse(std::string_view text);

    // Plain text with the scale's digits after a point: "-1234.50".
    std::string toString() const;

    int sign() const { return units_ > 0 ? 1 : (units_ < 0 ? -1 : 0); }

    friend Decimal operator+(const Decimal& a, const Decimal& b);
    friend bool operator==(const Decimal& a, const Decimal& b);
    friend bool operator<(const Decimal& a, const Decimal& b);

private:
    std::int64_t units_ = 0;
    int scale_ = 0;
};

} // namespace kdb
