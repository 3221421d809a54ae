// The clock, the median and the sink that the benchmark programs share.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

using Clock = std::chrono::steady_clock;

inline double MicrosecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// The middle value; of an even count, the upper of the two middle ones.
inline double Median(std::vector<double> values)
{
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Where timed work leaves its results, so that none of it is optimised away.
inline volatile std::size_t Sink;
