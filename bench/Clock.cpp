// Microsecond clocks from the performance counter, and medians.
#include "bench/Clock.h"

#include <algorithm>
#include <cstddef>

namespace {

double TicksPerMicrosecond()
{
    static const double ticks = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1e6;
    }();
    return ticks;
}

} // namespace

LONGLONG Ticks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Microseconds(LONGLONG ticks)
{
    return static_cast<double>(ticks) / TicksPerMicrosecond();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}
