// Times one run of the recent command up to its menu loop against the bare system calls it has to make.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/BareCalls.h"
#include "bench/Clock.h"
#include "bench/CommandRun.h"
#include "bench/OwnWork.h"
#include "bench/Profile.h"
#include "bench/SystemCalls.h"
#include "host/HostEditor.h"
#include "plugin/Module.h"
#include "tests/support/RegistrySandbox.h"

namespace {

struct ProfileFigures {
    int size = 0;
    double command = 0;
    double bare = 0;
    double bareInOrder = 0;
    double pairedOverhead = 0;
    double ownCode = 0;
    bool callsMatch = true;
};

// The lists and menus of the profile as one run built them.
void ReportProfile(const CommandCapture& capture, const Profile& profile)
{
    int missingFiles = 0, openFiles = 0, activeFiles = 0, missingFolders = 0;
    for (size_t n = 0; n < capture.files.size(); ++n) {
        missingFiles += (capture.mainItems[n].state & MFS_GRAYED) == MFS_GRAYED;
        openFiles += (capture.mainItems[n].state & MFS_CHECKED) != 0;
        activeFiles += (capture.mainItems[n].state & MFS_DEFAULT) != 0;
    }
    for (const MenuItemView& item : capture.folderItems)
        missingFolders += (item.state & MFS_GRAYED) == MFS_GRAYED;
    std::printf("\n== %d recent files (%d missing, %d checked, %d default), %d recent folders (%d missing), "
                "%d open documents\n   ExtraShortCut %lu, StripCurPath 1, main menu %u items, folder menu %u items\n",
                static_cast<int>(capture.files.size()), missingFiles, openFiles, activeFiles,
                static_cast<int>(capture.folders.size()), missingFolders, profile.Documents(), ExtraShortCutMode,
                static_cast<unsigned>(capture.mainItems.size()), static_cast<unsigned>(capture.folderItems.size()));
}

struct CountedRuns {
    CallCounts command;
    CallCounts bare;
    CallCounts bareInOrder;
};

// One counted run of each side.
CountedRuns CountRuns(HostEditor& host, const BareCalls& calls)
{
    CountedRuns counts;
    NoStamps none;
    {
        // The stand-in's record of 2106 keeps its room when cleared, so it
        // never allocates inside a count.
        CallCounter counter;
        host.informationRequests.clear();
        RunCommand(host.Window());
        counts.command = counter.Counts();
        counter.Restart();
        host.informationRequests.clear();
        RunBareCalls(calls, none);
        counts.bare = counter.Counts();
        counter.Restart();
        host.informationRequests.clear();
        RunBareCallsInOrder(calls);
        counts.bareInOrder = counter.Counts();
    }
    host.informationRequests.clear();
    return counts;
}

// The calls of each side against what the rules require; true when they
// all match.
bool ReportCalls(const CountedRuns& counts, const CallCounts& required)
{
    bool callsMatch = true;
    std::printf("   calls per run          command  required  bare\n");
    for (int kind = 0; kind < CallKindCount; ++kind) {
        if (required.of[kind] < 0) {
            std::printf("   %-21s %8ld  %8s  %4ld\n", CallNames[kind], counts.command.of[kind], "-",
                        counts.bare.of[kind]);
            continue;
        }
        const bool match = counts.command.of[kind] == required.of[kind] && counts.bare.of[kind] == required.of[kind] &&
                           counts.bareInOrder.of[kind] == required.of[kind];
        callsMatch = callsMatch && match;
        std::printf("   %-21s %8ld  %8ld  %4ld%s\n", CallNames[kind], counts.command.of[kind], required.of[kind],
                    counts.bare.of[kind], match ? "" : "   <- differs");
    }
    return callsMatch;
}

enum Side { CommandSide, BareSide, BareInOrderSide, SideCount };

struct Repetition {
    double times[SideCount];
    CommandStamps commandStamps;
    BareStamps bareStamps;
};

// Each side timed once, then a detail run of the command and of the bare
// calls.
Repetition RunRepetition(HostEditor& host, const BareCalls& calls, int number)
{
    const HWND hwnd = host.Window();
    NoStamps none;
    Repetition repetition;
    // The order rotates, so that drift and the machine's other load hit
    // every side alike.
    for (int turn = 0; turn < SideCount; ++turn) {
        const int side = (turn + number) % SideCount;
        const LONGLONG start = Ticks();
        if (side == CommandSide)
            RunCommand(hwnd);
        else if (side == BareSide)
            RunBareCalls(calls, none);
        else
            RunBareCallsInOrder(calls);
        repetition.times[side] = Microseconds(Ticks() - start);
    }
    if (number % 2 == 0) {
        RunCommandInSteps(hwnd, repetition.commandStamps);
        RunBareCalls(calls, repetition.bareStamps);
    } else {
        RunBareCalls(calls, repetition.bareStamps);
        RunCommandInSteps(hwnd, repetition.commandStamps);
    }
    host.informationRequests.clear();
    return repetition;
}

// Every repetition's figures, one entry each.
struct TimedRuns {
    std::vector<double> command, bare, bareInOrder, pairedOverheads;
    std::vector<std::vector<double>> steps = std::vector<std::vector<double>>(CommandStepCount);
    std::vector<std::vector<double>> segments = std::vector<std::vector<double>>(BareSegmentCount);
};

// As many repetitions as fill seconds, within bounds.
TimedRuns TimeRuns(HostEditor& host, const BareCalls& calls, double seconds)
{
    // Warm-up, which also sizes the number of repetitions.
    const LONGLONG warmStart = Ticks();
    constexpr int WarmUps = 4;
    for (int number = 0; number < WarmUps; ++number)
        RunRepetition(host, calls, number);
    const double perRepetition = Microseconds(Ticks() - warmStart) / 1e6 / WarmUps;
    const int repetitions = std::clamp(static_cast<int>(seconds / perRepetition) | 1, 31, 2001);

    TimedRuns runs;
    for (int number = 0; number < repetitions; ++number) {
        const Repetition repetition = RunRepetition(host, calls, number);
        const double* times = repetition.times;
        runs.command.push_back(times[CommandSide]);
        runs.bare.push_back(times[BareSide]);
        runs.bareInOrder.push_back(times[BareInOrderSide]);
        runs.pairedOverheads.push_back((times[CommandSide] - times[BareSide]) / times[BareSide]);
        for (int step = 0; step < CommandStepCount; ++step)
            runs.steps[step].push_back(repetition.commandStamps.Between(step, step + 1));
        for (int segment = 0; segment < BareSegmentCount; ++segment)
            runs.segments[segment].push_back(repetition.bareStamps.Between(segment, segment + 1));
    }
    return runs;
}

// The medians of the timed runs and the overheads they give.
void ReportMedians(const ProfileFigures& figures, size_t repetitions)
{
    const double overhead = figures.command - figures.bare;
    std::printf("   median of %d runs each: command %.1f us, bare calls %.1f us, overhead %+.1f us = %+.2f %% "
                "(median of paired runs %+.2f %%)\n",
                static_cast<int>(repetitions), figures.command, figures.bare, overhead, 100 * overhead / figures.bare,
                figures.pairedOverhead);
    std::printf("   the bare calls in the run's order instead of by kind: %.1f us; overhead over those %+.2f %%\n",
                figures.bareInOrder, 100 * (figures.command - figures.bareInOrder) / figures.bareInOrder);
}

// What the bare calls cost by kind in the detail runs; returns the median
// of each segment.
std::vector<double> ReportSegments(const TimedRuns& runs, const BareCalls& calls, const CallCounts& bareCalls)
{
    std::vector<double> segmentMedians(BareSegmentCount);
    double segmentSum = 0;
    for (int segment = 0; segment < BareSegmentCount; ++segment)
        segmentSum += segmentMedians[segment] = Median(runs.segments[segment]);
    const long segmentCalls[BareSegmentCount] = {
        bareCalls.of[SendKind],
        2 * 2 + static_cast<long>(calls.fileValueNames.size() + calls.folderValueNames.size()),
        static_cast<long>(calls.uniquenessPairs.size()),
        2,
        3,
        6,
        2,
        static_cast<long>(calls.paths.size()),
        static_cast<long>(calls.fillPairs.size()),
        bareCalls.of[InsertItemKind],
        1,
        2,
    };
    std::printf("   bare calls by kind (detail runs)                 calls        us   us/call   share\n");
    for (int segment = 0; segment < BareSegmentCount; ++segment)
        std::printf("   %-45s %9ld %9.1f %9.3f %6.1f %%\n", BareSegmentNames[segment], segmentCalls[segment],
                    segmentMedians[segment], segmentMedians[segment] / static_cast<double>(segmentCalls[segment]),
                    100 * segmentMedians[segment] / segmentSum);
    return segmentMedians;
}

// Each step of the command in the detail runs against the bare segments it
// makes.
void ReportSteps(const TimedRuns& runs, const std::vector<double>& segmentMedians)
{
    std::printf("   command steps (detail runs)                      command      bare  overhead\n");
    for (int step = 0; step < CommandStepCount; ++step) {
        double stepBare = 0;
        for (int segment = FirstSegmentOfStep[step]; segment < FirstSegmentOfStep[step + 1]; ++segment)
            stepBare += segmentMedians[segment];
        const double stepCommand = Median(runs.steps[step]);
        std::printf("   %-45s %9.1f %9.1f %+9.1f us\n", CommandStepNames[step], stepCommand, stepBare,
                    stepCommand - stepBare);
    }
}

// The command and the bare calls once more, with every system call played
// back from a recording of the same run: what the command takes beyond the
// playback of its calls is the plug-in's own code, free of the calls'
// effect on the caches and of the machine's other load.
double ReportReplayed(HWND hwnd, const BareCalls& calls, double bare, double overhead)
{
    Recording commandTape;
    Recording bareTape;
    NoStamps none;
    std::vector<double> commandTimes, bareTimes;
    bool inStep = true;
    {
        CallReplay replay;
        replay.Record(commandTape);
        RunCommand(hwnd);
        replay.Record(bareTape);
        RunBareCalls(calls, none);
        for (int round = 0; round < 201; ++round) {
            replay.Play(commandTape);
            LONGLONG start = Ticks();
            RunCommand(hwnd);
            commandTimes.push_back(Microseconds(Ticks() - start));
            inStep = inStep && commandTape.PlayedThrough();
            replay.Play(bareTape);
            start = Ticks();
            RunBareCalls(calls, none);
            bareTimes.push_back(Microseconds(Ticks() - start));
            inStep = inStep && bareTape.PlayedThrough();
        }
    }
    const double command = Median(commandTimes);
    const double playback = Median(bareTimes);
    const double own = command - playback;
    std::printf("   calls played back from a recording: command %.1f us, bare calls %.1f us (the playback alone)%s\n"
                "   so the plug-in's own code takes %.1f us = %.2f %% of the real bare calls, %.0f %% of the overhead"
                " measured above\n",
                command, playback, inStep ? "" : " (PLAYBACK OUT OF STEP)", own, 100 * own / bare,
                overhead > 0 ? 100 * own / overhead : 0.0);
    return own;
}

ProfileFigures MeasureProfile(int size, HostEditor& host, double seconds)
{
    RegistrySandbox registry;
    const Profile profile(size, registry, host);
    const HWND hwnd = host.Window();

    const CommandCapture capture = CaptureCommand(hwnd);
    BareCalls calls;
    PlanBareCalls(calls, hwnd, profile, capture);
    host.informationRequests.clear();
    ReportProfile(capture, profile);

    ProfileFigures figures;
    figures.size = size;
    const CountedRuns counts = CountRuns(host, calls);
    figures.callsMatch = ReportCalls(counts, RequiredCalls(calls));

    const TimedRuns runs = TimeRuns(host, calls, seconds);
    figures.command = Median(runs.command);
    figures.bare = Median(runs.bare);
    figures.bareInOrder = Median(runs.bareInOrder);
    figures.pairedOverhead = 100 * Median(runs.pairedOverheads);
    ReportMedians(figures, runs.command.size());
    ReportSteps(runs, ReportSegments(runs, calls, counts.bare));

    figures.ownCode = ReportReplayed(hwnd, calls, figures.bare, figures.command - figures.bare);
    ReportOwnWork(capture, calls, counts.command, figures.ownCode);
    return figures;
}

const char* CodePageName()
{
    static char name[32];
    std::snprintf(name, sizeof name, "code page %u", GetACP());
    return name;
}

// Every profile's figures in one table; true when every profile's calls
// matched the required ones.
bool ReportSummary(const std::vector<ProfileFigures>& results)
{
    std::printf("\nsummary, %s\n   entries per list  command us  bare us  overhead    paired | bare in run order"
                "  overhead | own code alone\n", CodePageName());
    bool callsMatch = true;
    for (const ProfileFigures& figures : results) {
        std::printf("   %16d %11.1f %8.1f %+8.2f %% %+7.2f %% | %17.1f %+8.2f %% | %8.1f = %.2f %%\n", figures.size,
                    figures.command, figures.bare, 100 * (figures.command - figures.bare) / figures.bare,
                    figures.pairedOverhead, figures.bareInOrder,
                    100 * (figures.command - figures.bareInOrder) / figures.bareInOrder, figures.ownCode,
                    100 * figures.ownCode / figures.bare);
        callsMatch = callsMatch && figures.callsMatch;
    }
    return callsMatch;
}

} // namespace

// Profiles of 16, 64 and 256 recent files and folders; prints for each the
// medians, the plug-in's overhead over the bare calls, what those calls cost
// by kind and which step spends what. To tell the plug-in's own code from
// its effect on the calls, it also times the bare calls in the order a run
// makes them, and both sides once more with every system call played back
// from a recording of the same run.
//
// Usage: command_bench [seconds per profile, default 8]
int main(int argc, char** argv)
{
    // The string resources come with this program, as in the test programs.
    ModuleInstance = GetModuleHandleA(nullptr);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 8.0;
    // The command's code is linked in and called directly, so the stand-in
    // loads no plug-in; it only lends its window, which answers 2106.
    HostEditor host("no-plugin-needed.dll");
    if (host.Window() == nullptr) {
        std::printf("no host window\n");
        return 1;
    }
    std::printf("command_bench, %s, %.1f s per profile; times in microseconds\n", CodePageName(), seconds);

    std::vector<ProfileFigures> results;
    for (const int size : {16, 64, 256})
        results.push_back(MeasureProfile(size, host, seconds));
    const bool callsMatch = ReportSummary(results);
    if (!callsMatch)
        std::printf("the command's calls differ from the required ones: see above\n");
    return callsMatch ? 0 : 1;
}
