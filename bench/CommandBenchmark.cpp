// Times one run of the recent command up to its menu loop against the bare system calls it has to make.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "bench/BareCalls.h"
#include "bench/CallCounter.h"
#include "bench/Clock.h"
#include "bench/Profile.h"
#include "host/HostEditor.h"
#include "menu/Command.h"
#include "plugin/HostSettings.h"
#include "plugin/Module.h"
#include "tests/support/RegistrySandbox.h"

namespace {

// A profile's medians: of the microseconds of each side, and of the
// overheads, in per cent, of the pairs of runs.
struct Figures {
    int size = 0;
    ProfileNames names = ProfileNames::Spelled;
    double command = 0;
    double bare = 0;
    double paired = 0;
    bool callsMatch = false;
};

// BuildRecentMenus, then what the end of a run releases: the folder menu,
// the main menu, the label and the lists.
void RunCommand(HWND hwnd)
{
    RecentMenus menus;
    BuildRecentMenus(hwnd, menus);
}

// One counted run of each side, the calls by kind printed; true when both
// make the same calls.
bool CompareCalls(HWND hwnd, const BareCalls& calls)
{
    CallCounter counter;
    RunCommand(hwnd);
    const CallCounts command = counter.Take();
    RunBareCalls(calls);
    const CallCounts bare = counter.Take();
    bool match = true;
    std::printf("   calls per run          command      bare\n");
    for (int kind = 0; kind < CallKindCount; ++kind) {
        const bool same = command.of[kind] == bare.of[kind];
        match = match && same;
        std::printf("   %-21s %8ld  %8ld%s\n", CallNames[kind], command.of[kind], bare.of[kind],
                    same ? "" : "   <- differs");
    }
    return match;
}

template <typename Run>
double Time(Run run)
{
    const Clock::time_point start = Clock::now();
    run();
    return MicrosecondsSince(start);
}

// Pairs of runs, as many as fill seconds within bounds, the command first in
// every other pair so that drift and the machine's other load hit both
// sides alike.
void TimeRuns(HostEditor& host, const BareCalls& calls, double seconds, Figures& figures)
{
    const auto command = [hwnd = host.Window()] { RunCommand(hwnd); };
    const auto bare = [&calls] { RunBareCalls(calls); };
    const double pairSeconds = (Time(command) + Time(bare)) / 1e6;
    const int pairs = std::clamp(static_cast<int>(seconds / pairSeconds), 11, 1001) | 1;
    std::vector<double> commandTimes, bareTimes, overheads;
    for (int n = 0; n < pairs; ++n) {
        double commandTime = 0;
        double bareTime = 0;
        if (n % 2 == 0) {
            commandTime = Time(command);
            bareTime = Time(bare);
        } else {
            bareTime = Time(bare);
            commandTime = Time(command);
        }
        commandTimes.push_back(commandTime);
        bareTimes.push_back(bareTime);
        overheads.push_back(100 * (commandTime - bareTime) / bareTime);
        // The stand-in keeps every request it answers; a pair's worth at a
        // time keeps its memory flat.
        host.informationRequests.clear();
    }
    figures.command = Median(commandTimes);
    figures.bare = Median(bareTimes);
    figures.paired = Median(overheads);
    std::printf("   median of %d pairs: command %.1f us, bare calls %.1f us, overhead %+.2f %% "
                "(of the pairs %+.2f %%)\n",
                pairs, figures.command, figures.bare, 100 * (figures.command - figures.bare) / figures.bare,
                figures.paired);
}

// How an entry of the profile is labelled: from its ANSI text, which reads
// back as its stored text, or from that stored text.
const char* LabelsOf(ProfileNames names)
{
    return names == ProfileNames::Spelled ? "ANSI" : "UTF-16";
}

int StoredLabels(const RecentList& list)
{
    int count = 0;
    for (const RecentEntry& entry : list)
        count += LabelledFromStoredText(entry) ? 1 : 0;
    return count;
}

// Plans the bare calls from one run of the command on a profile of size
// files and folders, then counts and times both sides.
Figures MeasureProfile(int size, ProfileNames names, HostEditor& host, double seconds)
{
    RegistrySandbox registry;
    const Profile profile(size, names, registry, host);
    const HWND hwnd = host.Window();
    BareCalls calls;
    int storedFiles = 0;
    int storedFolders = 0;
    {
        RecentMenus menus;
        BuildRecentMenus(hwnd, menus);
        PlanBareCalls(calls, hwnd, menus);
        storedFiles = StoredLabels(menus.files);
        storedFolders = StoredLabels(menus.folders);
    }
    std::printf("\n== %d recent files and %d recent folders, %d open documents; labelled from their stored "
                "text: %d files, %d folders\n",
                size, size, static_cast<int>(calls.documents), storedFiles, storedFolders);
    Figures figures;
    figures.size = size;
    figures.names = names;
    figures.callsMatch = CompareCalls(hwnd, calls);
    TimeRuns(host, calls, seconds, figures);
    return figures;
}

// Every file and folder on a server of its own, each of which leaves its
// probe waiting for a minute: the time to the menu, in milliseconds, is the
// run's own plus the presence wait.
DWORD WINAPI NeverAnswers(LPCWSTR)
{
    Sleep(60000);
    SetLastError(ERROR_BAD_NETPATH);
    return INVALID_FILE_ATTRIBUTES;
}

void MeasureServersThatNeverAnswer(HostEditor& host)
{
    constexpr int Size = 16;
    RegistrySandbox registry;
    for (const char* key : {RecentFileListKey, RecentFolderListKey}) {
        registry.CreateKey(key);
        for (int n = 1; n <= Size; ++n)
            registry.SetString(key, ("File" + std::to_string(n)).c_str(),
                               "\\\\offline" + std::to_string(n) + "\\share\\file.txt");
    }
    void* real = RedirectImport("GetFileAttributesW", reinterpret_cast<void*>(&NeverAnswers));
    const double microseconds = Time([hwnd = host.Window()] { RunCommand(hwnd); });
    RedirectImport("GetFileAttributesW", real);
    std::printf("\n== %d recent files and %d recent folders on %d servers that never answer\n"
                "   up to the menu: %.1f ms\n",
                Size, Size, Size, microseconds / 1000);
}

// Every profile's figures in one table, then those of the profile labelled
// from stored texts against those of the one of its size labelled from ANSI
// texts.
void PrintSummary(const std::vector<Figures>& results, const Figures& stored, const Figures& ansi)
{
    std::printf("\nsummary, code page %u\n   entries per list  labels  command us  bare us  overhead    paired\n",
                GetACP());
    for (const Figures& figures : results)
        std::printf("   %16d  %-6s %11.1f %8.1f %+8.2f %% %+7.2f %%%s\n", figures.size, LabelsOf(figures.names),
                    figures.command, figures.bare, 100 * (figures.command - figures.bare) / figures.bare,
                    figures.paired, figures.callsMatch ? "" : "   calls differ");
    std::printf("   UTF-16 labels against ANSI ones, %d entries per list: command %+.2f %%, bare calls %+.2f %%\n",
                stored.size, 100 * (stored.command - ansi.command) / ansi.command,
                100 * (stored.bare - ansi.bare) / ansi.bare);
}

} // namespace

// Profiles of 16, 64 and 256 recent files and folders whose names the code
// page spells, and one of 16 whose names it cannot; for each, the calls of
// both sides by kind and the medians of their times.
//
// Usage: command_bench [seconds of timed runs per profile, default 4]
int main(int argc, char** argv)
{
    // The string resources come with this program, as in the test programs.
    ModuleInstance = GetModuleHandleA(nullptr);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
    // The command's code is linked in and called directly, so the stand-in
    // loads no plug-in; it only lends its window, which answers 2106.
    HostEditor host("no-plugin-needed.dll");
    if (host.Window() == nullptr) {
        std::printf("no host window\n");
        return 1;
    }
    std::printf("command_bench, code page %u, %.1f s of timed runs per profile; times in microseconds\n", GetACP(),
                seconds);
    std::vector<Figures> results;
    bool callsMatch = true;
    const std::pair<int, ProfileNames> profiles[] = {
        {16, ProfileNames::Spelled},
        {64, ProfileNames::Spelled},
        {256, ProfileNames::Spelled},
        {16, ProfileNames::Unspellable},
    };
    for (const auto& [size, names] : profiles) {
        results.push_back(MeasureProfile(size, names, host, seconds));
        callsMatch = callsMatch && results.back().callsMatch;
    }
    PrintSummary(results, results.back(), results.front());
    // Last: the probes that still wait hold their threads until the
    // process ends.
    MeasureServersThatNeverAnswer(host);
    return callsMatch ? 0 : 1;
}
