// Speed of the text utilities against what the system and the standard
// library offer: CompactPath at the menu's budget of 50 against the shell's
// PathCompactPathExA, and NarrowString copies, appends and comparisons
// against std::string. Prints the times and their ratios.
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

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

// Best of several rounds, in nanoseconds per call of work.
double NanosecondsPerCall(const std::function<void()>& work, int callsPerRun, int runs)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        for (int run = 0; run < runs; ++run)
            work();
        QueryPerformanceCounter(&end);
        const double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
        best = std::min(best, seconds * 1e9 / (double(callsPerRun) * runs));
    }
    return best;
}

void Report(const char* what, double ours, const char* theirName, double theirs)
{
    std::printf("%-34s %8.1f ns   %-22s %8.1f ns   ratio %.2f\n", what, ours, theirName, theirs, ours / theirs);
}

volatile size_t Sink;

void BenchmarkCompaction()
{
    const std::vector<std::string> paths = MakePathCorpus(4000);
    const int count = static_cast<int>(paths.size());
    char destination[Budget + 1];
    const double ours = NanosecondsPerCall(
        [&] {
            for (const std::string& path : paths) {
                CompactPath(destination, path.c_str(), Budget);
                Sink = Sink + static_cast<unsigned char>(destination[0]);
            }
        },
        count, 50);
    const double shell = NanosecondsPerCall(
        [&] {
            for (const std::string& path : paths) {
                PathCompactPathExA(destination, path.c_str(), Budget, 0);
                Sink = Sink + static_cast<unsigned char>(destination[0]);
            }
        },
        count, 50);
    std::vector<NarrowString> narrowPaths;
    size_t totalBytes = 0;
    for (const std::string& path : paths) {
        narrowPaths.emplace_back(path.c_str());
        totalBytes += path.size();
    }
    const double textLevel = NanosecondsPerCall(
        [&] {
            for (const NarrowString& path : narrowPaths)
                Sink = Sink + CompactPath(path, Budget).Length();
        },
        count, 50);
    std::printf("%d paths, %zu bytes on average, budget %d\n", count, totalBytes / paths.size(), Budget);
    Report("CompactPath, into a buffer", ours, "PathCompactPathExA", shell);
    Report("CompactPath, as a NarrowString", textLevel, "PathCompactPathExA", shell);
}

// Runs body calls times per run, 20 runs per round.
template <typename Body>
double TimeLoop(int calls, Body body)
{
    return NanosecondsPerCall(
        [&] {
            for (int i = 0; i < calls; ++i)
                body();
        },
        calls, 20);
}

void BenchmarkStrings()
{
    const char* const text = "C:\\Users\\tanaka\\Documents\\report_final.txt";
    const char* const pieces[] = {"&1 ", "C:\\Users\\", "tanaka\\", "Documents\\", "report", "_final", ".txt"};
    constexpr int Calls = 100000;

    const NarrowString narrow(text);
    const std::string standard(text);
    Report("copy a 42-byte text: NarrowString",
           TimeLoop(Calls, [&] { NarrowString copy(narrow); Sink = Sink + copy.Length(); }), "std::string",
           TimeLoop(Calls, [&] { std::string copy(standard); Sink = Sink + copy.size(); }));

    const std::vector<NarrowString> narrowPieces(std::begin(pieces), std::end(pieces));
    const std::vector<std::string> standardPieces(std::begin(pieces), std::end(pieces));
    Report("append 7 pieces: NarrowString",
           TimeLoop(Calls / 5,
                    [&] {
                        NarrowString joined;
                        for (const NarrowString& piece : narrowPieces)
                            joined += piece;
                        Sink = Sink + joined.Length();
                    }),
           "std::string",
           TimeLoop(Calls / 5, [&] {
               std::string joined;
               for (const std::string& piece : standardPieces)
                   joined += piece;
               Sink = Sink + joined.size();
           }));

    const NarrowString narrowOther(text);
    const std::string standardOther(text);
    Report("compare equal texts: ==", TimeLoop(Calls, [&] { Sink = Sink + (narrow == narrowOther); }),
           "std::string ==", TimeLoop(Calls, [&] { Sink = Sink + (standard == standardOther); }));
}

} // namespace

int main()
{
    std::printf("ANSI code page %u\n", GetACP());
    BenchmarkCompaction();
    BenchmarkStrings();
    return 0;
}
