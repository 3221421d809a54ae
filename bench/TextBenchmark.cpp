// Times CompactPath against the shell's PathCompactPathExA, and NarrowString against std::string.
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/Clock.h"
#include "text/CompactPath.h"
#include "text/NarrowString.h"

namespace {

constexpr int Budget = 50;

// Typical paths of recent-file lists, 20 to 200 bytes long.
std::vector<std::string> MakePathCorpus(int count)
{
    static const char* const roots[] = {"C:\\", "D:\\", "C:\\Users\\tanaka\\", "\\\\fileserver\\projects\\",
                                        "C:\\Program Files\\"};
    static const char* const folders[] = {"Documents", "src", "work", "Release 2024", "tmp", "backup",
                                          "Visual Studio 2019", "Projects", "notes", "include", "web",
                                          "assets", "old", "Desktop", "customer-reports"};
    static const char* const names[] = {"readme", "main", "index", "report_final", "CHANGELOG", "settings",
                                        "meeting notes 2024-05-13", "a", "HostEditor", "build"};
    static const char* const extensions[] = {".txt", ".cpp", ".h", ".html", ".md", ".ini", ".log", ""};
    std::mt19937 random(42);
    auto pick = [&random](const auto& items) {
        return items[std::uniform_int_distribution<size_t>(0, std::size(items) - 1)(random)];
    };
    std::vector<std::string> paths;
    while (static_cast<int>(paths.size()) < count) {
        std::string path = pick(roots);
        const int depth = std::uniform_int_distribution<int>(0, 9)(random);
        for (int i = 0; i < depth; ++i)
            path += std::string(pick(folders)) + "\\";
        path += std::string(pick(names)) + pick(extensions);
        if (path.size() >= 20 && path.size() <= 200)
            paths.push_back(path);
    }
    return paths;
}

// Nanoseconds per call of work, which makes calls calls: the best of five
// rounds of some 50 ms each.
template <typename Work>
double NanosecondsPerCall(int calls, Work work)
{
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        const Clock::time_point start = Clock::now();
        long runs = 0;
        double elapsed = 0;
        while (elapsed < 50000) {
            work();
            ++runs;
            elapsed = MicrosecondsSince(start);
        }
        best = std::min(best, 1000 * elapsed / (static_cast<double>(runs) * calls));
    }
    return best;
}

// Nanoseconds per call of body, made a thousand times between two readings
// of the clock.
template <typename Body>
double NanosecondsPer(Body body)
{
    constexpr int Calls = 1000;
    return NanosecondsPerCall(Calls, [&] {
        for (int call = 0; call < Calls; ++call)
            body();
    });
}

void Report(const char* what, double ours, const char* theirName, double theirs)
{
    std::printf("%-34s %8.1f ns   %-22s %8.1f ns   ratio %.2f\n", what, ours, theirName, theirs, ours / theirs);
}

// Nanoseconds per path of compact over every path.
template <typename Path, typename Compact>
double PerPath(const std::vector<Path>& paths, Compact compact)
{
    return NanosecondsPerCall(static_cast<int>(paths.size()), [&] {
        for (const Path& path : paths)
            Sink = Sink + compact(path);
    });
}

void BenchmarkCompaction()
{
    const std::vector<std::string> paths = MakePathCorpus(4000);
    std::vector<NarrowString> narrowPaths;
    size_t totalBytes = 0;
    for (const std::string& path : paths) {
        narrowPaths.emplace_back(path.c_str());
        totalBytes += path.size();
    }
    char destination[Budget + 1];
    const double ours = PerPath(paths, [&](const std::string& path) {
        CompactPath(destination, path.c_str(), Budget);
        return static_cast<unsigned char>(destination[0]);
    });
    const double shell = PerPath(paths, [&](const std::string& path) {
        PathCompactPathExA(destination, path.c_str(), Budget, 0);
        return static_cast<unsigned char>(destination[0]);
    });
    const double textLevel =
        PerPath(narrowPaths, [](const NarrowString& path) { return CompactPath(path, Budget).Length(); });
    std::printf("%zu paths, %zu bytes on average, budget %d\n", paths.size(), totalBytes / paths.size(), Budget);
    Report("CompactPath, into a buffer", ours, "PathCompactPathExA", shell);
    Report("CompactPath, as a NarrowString", textLevel, "PathCompactPathExA", shell);
}

template <typename Text>
Text Join(const std::vector<Text>& pieces)
{
    Text joined;
    for (const Text& piece : pieces)
        joined += piece;
    return joined;
}

void BenchmarkStrings()
{
    const char* const text = "C:\\Users\\tanaka\\Documents\\report_final.txt";
    const char* const pieces[] = {"&1 ", "C:\\Users\\", "tanaka\\", "Documents\\", "report", "_final", ".txt"};
    const NarrowString narrow(text);
    const NarrowString narrowOther(text);
    const std::string standard(text);
    const std::string standardOther(text);
    const std::vector<NarrowString> narrowPieces(std::begin(pieces), std::end(pieces));
    const std::vector<std::string> standardPieces(std::begin(pieces), std::end(pieces));
    Report("copy a 42-byte text: NarrowString", NanosecondsPer([&] { Sink = Sink + NarrowString(narrow).Length(); }),
           "std::string", NanosecondsPer([&] { Sink = Sink + std::string(standard).size(); }));
    Report("append 7 pieces: NarrowString", NanosecondsPer([&] { Sink = Sink + Join(narrowPieces).Length(); }),
           "std::string", NanosecondsPer([&] { Sink = Sink + Join(standardPieces).size(); }));
    Report("compare equal texts: ==", NanosecondsPer([&] { Sink = Sink + (narrow == narrowOther); }),
           "std::string ==", NanosecondsPer([&] { Sink = Sink + (standard == standardOther); }));
}

} // namespace

int main()
{
    std::printf("ANSI code page %u\n", GetACP());
    BenchmarkCompaction();
    BenchmarkStrings();
    return 0;
}
