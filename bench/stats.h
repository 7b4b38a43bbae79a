#pragma once
// Percentiles of a series of timings.

#include <algorithm>
#include <vector>

namespace kbench {

struct Summary {
    double p50 = 0, p95 = 0, max = 0;
};

inline double percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

inline Summary summarize(const std::vector<double>& v)
{
    Summary s;
    if (v.empty()) return s;
    s.p50 = percentile(v, 0.50);
    s.p95 = percentile(v, 0.95);
    s.max = *std::max_element(v.begin(), v.end());
    return s;
}

} // namespace kbench
