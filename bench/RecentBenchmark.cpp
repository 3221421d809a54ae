// Times ReadRecentList on lists of growing length and shows how its time grows with the length.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/Clock.h"
#include "plugin/HostSettings.h"
#include "recent/RecentList.h"
#include "tests/support/RegistrySandbox.h"

namespace {

// Paths like a host's, every file name shared by two folders.
void FillList(RegistrySandbox& registry, int values)
{
    for (int number = 1; number <= values; ++number) {
        const std::string path = "C:\\Users\\someone\\Documents\\project" + std::to_string(number % 16) +
                                 "\\notes" + std::to_string(number / 2) + ".txt";
        registry.SetString(RecentFileListKey, ("File" + std::to_string(number)).c_str(), path);
    }
}

// Milliseconds to read a list of so many values, the median of reads
// reads; negative when a read misses values.
double ReadMilliseconds(int values, int reads)
{
    RegistrySandbox registry;
    FillList(registry, values);
    std::vector<double> times;
    for (int read = 0; read < reads; ++read) {
        RecentList list;
        const Clock::time_point start = Clock::now();
        ReadRecentList(list, RecentFileListKey);
        times.push_back(MicrosecondsSince(start) / 1000);
        if (list.size() != static_cast<size_t>(values))
            return -1;
    }
    return Median(times);
}

// The factor by which the time grows each time the length doubles: about 2
// where reading the values dominates, 4 where the n x n comparisons of the
// uniqueness pass do.
double GrowthPerDoubling(int fewer, double fewerTime, int more, double moreTime)
{
    return std::pow(moreTime / fewerTime, 1 / std::log2(static_cast<double>(more) / fewer));
}

} // namespace

int main()
{
    const struct {
        int values;
        int reads;
    } sizes[] = {{16, 21}, {256, 5}, {1024, 1}};
    std::printf("ReadRecentList, code page %u; growth: the factor per doubling of the length\n"
                "   values          ms  reads  growth\n",
                GetACP());
    double lastTime = 0;
    int lastValues = 0;
    for (const auto& size : sizes) {
        const double time = ReadMilliseconds(size.values, size.reads);
        if (time < 0) {
            std::printf("%d values: the read missed some of them\n", size.values);
            return 1;
        }
        std::printf("   %6d %11.3f %6d", size.values, time, size.reads);
        if (lastValues > 0)
            std::printf(" %7.2f", GrowthPerDoubling(lastValues, lastTime, size.values, time));
        std::printf("\n");
        lastTime = time;
        lastValues = size.values;
    }
    return 0;
}
