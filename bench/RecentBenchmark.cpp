// Times ReadRecentList on lists of 16, 256 and 4,096 values in a sandboxed
// registry and prints the median of several runs, with the uniqueness pass
// timed on its own, since it grows with the square of the length.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "recent/RecentList.h"
#include "tests/support/RegistrySandbox.h"

namespace {

constexpr char ListKey[] = "Software\\EmSoft\\EmEditor v3\\Recent File List";

class Stopwatch {
public:
    Stopwatch() { QueryPerformanceCounter(&start_); }

    double Milliseconds() const
    {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_;
};

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Paths like a host's, every file name shared by two folders.
void FillList(RegistrySandbox& registry, int values)
{
    for (int number = 1; number <= values; ++number) {
        const std::string path = "C:\\Users\\someone\\Documents\\project" + std::to_string(number % 16) +
                                 "\\notes" + std::to_string(number / 2) + ".txt";
        registry.SetString(ListKey, ("File" + std::to_string(number)).c_str(), path);
    }
}

bool Measure(int values, int runs)
{
    RegistrySandbox registry;
    FillList(registry, values);
    std::vector<double> readTimes, passTimes;
    for (int run = 0; run < runs; ++run) {
        RecentList list;
        const Stopwatch read;
        ReadRecentList(list, ListKey);
        readTimes.push_back(read.Milliseconds());
        if (list.size() != static_cast<size_t>(values)) {
            std::printf("%d values: read %u entries\n", values, static_cast<unsigned>(list.size()));
            return false;
        }
        const Stopwatch pass;
        MarkNonUniqueNames(list);
        passTimes.push_back(pass.Milliseconds());
    }
    std::printf("%5d values: ReadRecentList %10.3f ms, of which uniqueness pass %10.3f ms (median of %d runs)\n",
                values, Median(readTimes), Median(passTimes), runs);
    return true;
}

} // namespace

int main()
{
    const struct {
        int values;
        int runs;
    } sizes[] = {{16, 21}, {256, 11}, {4096, 5}};
    bool complete = true;
    for (const auto& size : sizes)
        complete = Measure(size.values, size.runs) && complete;
    return complete ? 0 : 1;
}
