// Microsecond clocks, stamps between the steps of a run, and medians.
#pragma once
#include <windows.h>

#include <vector>

// Where timed work leaves its results, so that none of it is optimised away.
inline volatile LONG_PTR Sink;

LONGLONG Ticks();
double Microseconds(LONGLONG ticks);
double Median(std::vector<double> values);

// The timed runs take no stamps inside; the detail runs take one between
// steps, so the totals never pay for them.
struct NoStamps {
    void Mark() {}
};

template <int Count>
struct Stamps {
    LONGLONG at[Count] = {};
    int next = 0;
    void Mark() { at[next++] = Ticks(); }
    double Between(int first, int last) const { return Microseconds(at[last] - at[first]); }
};
