// Times the plug-in's own building blocks alone and puts the own code of a run down to them.
#include "bench/OwnWork.h"

#include <cstdio>
#include <string>
#include <vector>

#include "bench/Clock.h"
#include "bench/Profile.h"
#include "menu/RecentMenu.h"
#include "text/CompactPath.h"

namespace {

// Cost of one call of a helper, in microseconds, over the profile's paths.
template <typename Call>
double MicrosecondsPerCall(const std::vector<std::string>& paths, Call call)
{
    std::vector<double> rounds;
    for (int round = 0; round < 7; ++round) {
        long calls = 0;
        const LONGLONG start = Ticks();
        for (int repeat = 0; repeat < 20; ++repeat)
            for (const std::string& path : paths)
                calls += call(path.c_str());
        rounds.push_back(Microseconds(Ticks() - start) / static_cast<double>(calls));
    }
    return Median(rounds);
}

// Microseconds per call of body, median of seven rounds of calls calls.
template <typename Body>
double MicrosecondsPer(int calls, Body body)
{
    std::vector<double> rounds;
    for (int round = 0; round < 7; ++round) {
        const LONGLONG start = Ticks();
        for (int call = 0; call < calls; ++call)
            body(call);
        rounds.push_back(Microseconds(Ticks() - start) / calls);
    }
    return Median(rounds);
}

void ReportShare(const char* what, double perCall, long count, double ownCode)
{
    const double total = perCall * static_cast<double>(count);
    std::printf("   %-45s %7.3f us x %6ld = %8.1f us  %5.1f %% of the own code\n", what, perCall, count, total,
                ownCode > 0 ? 100 * total / ownCode : 0.0);
}

// The character helpers, formatting, compaction and heap blocks, per call
// and at the counts of one run. They overlap: FormatText and CompactPath
// allocate and walk characters themselves.
void ReportBuildingBlocks(const CommandCapture& capture, const BareCalls& calls, const CallCounts& commandCalls,
                          double ownCode)
{
    const double charNext = MicrosecondsPerCall(calls.paths, [](const char* text) {
        long steps = 0;
        for (const char* c = text; *c; c = CharNextA(c))
            ++steps;
        return steps;
    });
    const double length = MicrosecondsPerCall(calls.paths, [](const char* text) {
        Sink = Sink + lstrlenA(text);
        return 1L;
    });
    const double leadByte = MicrosecondsPerCall(calls.paths, [](const char* text) {
        long bytes = 0;
        for (const char* c = text; *c; ++c, ++bytes)
            Sink = Sink + IsDBCSLeadByte(static_cast<BYTE>(*c));
        return bytes;
    });

    // Value names File1 .. File(n + 1) of both lists, and the prefixes that
    // are formatted: every position but 9 in mode 2.
    long formats = static_cast<long>(calls.fileValueNames.size() + calls.folderValueNames.size());
    for (const RecentList* list : {&capture.files, &capture.folders})
        formats += static_cast<long>(list->size()) - (list->size() > 9 ? 1 : 0);
    const double formatText = MicrosecondsPer(4000, [](int call) {
        NarrowString name;
        name.FormatText("File%d", call);
        Sink = Sink + name.Length();
    });
    const double smallWindow = MicrosecondsPer(4000, [](int call) {
        char window[16];
        _snprintf(window, sizeof window, "File%d", call);
        window[sizeof window - 1] = '\0';
        const NarrowString name(window);
        Sink = Sink + name.Length();
    });

    std::vector<NarrowString> paths;
    for (const std::string& path : calls.paths)
        paths.emplace_back(path.c_str());
    const double compact = MicrosecondsPer(4000, [&paths](int call) {
        Sink = Sink + CompactPath(paths[static_cast<size_t>(call) % paths.size()], 50).Length();
    });
    const double allocation = MicrosecondsPer(20000, [](int call) {
        void* block = ::operator new(static_cast<size_t>(32 + call % 64));
        Sink = Sink + (reinterpret_cast<LONG_PTR>(block) & 1);
        ::operator delete(block);
    });

    std::printf("   the plug-in's own work (per call x calls per run; the items overlap)\n");
    ReportShare("CharNextA", charNext, commandCalls.of[CharNextKind], ownCode);
    ReportShare("lstrlenA", length, commandCalls.of[StringLengthKind], ownCode);
    ReportShare("IsDBCSLeadByte", leadByte, commandCalls.of[LeadByteKind], ownCode);
    ReportShare("FormatText into a new text (2 KB window)", formatText, formats, ownCode);
    ReportShare("  the same through a 16-byte window", smallWindow, formats, ownCode);
    ReportShare("CompactPath to 50 bytes", compact, static_cast<long>(paths.size()), ownCode);
    ReportShare("heap block allocated and freed", allocation, commandCalls.of[MallocKind], ownCode);
}

// The uniqueness passes of both lists as the plug-in makes them, against
// the same comparisons made bare; the flags they clear do not change which
// comparisons a later pass makes.
void ReportUniquenessPasses(const CommandCapture& capture, const BareCalls& calls, double ownCode)
{
    RecentList files = capture.files;
    RecentList folders = capture.folders;
    std::vector<double> passTimes, barePassTimes;
    for (int round = 0; round < 15; ++round) {
        LONGLONG start = Ticks();
        MarkNonUniqueNames(files);
        MarkNonUniqueNames(folders);
        passTimes.push_back(Microseconds(Ticks() - start));
        start = Ticks();
        CompareAll(calls.uniquenessPairs);
        barePassTimes.push_back(Microseconds(Ticks() - start));
    }
    const double pass = Median(passTimes);
    const double barePass = Median(barePassTimes);
    std::printf("   %-45s %7.1f us, bare %7.1f us: %+8.1f us  %5.1f %% of the own code\n",
                "MarkNonUniqueNames, both lists", pass, barePass, pass - barePass,
                ownCode > 0 ? 100 * (pass - barePass) / ownCode : 0.0);
}

// Every label as the fill makes it and the run holds it, then released: in
// the storage its prefix was formatted in, and in storage of its own size.
void ReportLabels(const CommandCapture& capture, double ownCode)
{
    const auto makeLabels = [&](bool ownSize) {
        std::vector<NarrowString> labels;
        labels.reserve(capture.files.size() + capture.folders.size());
        for (const RecentList* list : {&capture.files, &capture.folders}) {
            int position = 0;
            for (const RecentEntry& entry : *list) {
                NarrowString label = BuildMnemonicPrefix(position++, static_cast<int>(ExtraShortCutMode));
                if (ownSize)
                    label = label.Prefix(label.Length());
                AppendDisplayText(label, entry.compactPath);
                labels.push_back(label);
            }
        }
    };
    std::vector<double> heldTimes, ownSizeTimes;
    for (int round = 0; round < 15; ++round) {
        LONGLONG start = Ticks();
        makeLabels(false);
        heldTimes.push_back(Microseconds(Ticks() - start));
        start = Ticks();
        makeLabels(true);
        ownSizeTimes.push_back(Microseconds(Ticks() - start));
    }
    const double held = Median(heldTimes);
    const double ownSize = Median(ownSizeTimes);
    std::printf("   %-45s %7.1f us, own-size storage %7.1f us  %5.1f %% of the own code\n",
                "labels made, held to the end, released", held, ownSize, ownCode > 0 ? 100 * held / ownCode : 0.0);

    long labelBytes = 0, labelStorage = 0;
    for (const RecentList* list : {&capture.files, &capture.folders}) {
        for (const RecentEntry& entry : *list) {
            labelBytes += entry.menuText.Length();
            labelStorage += entry.menuText.Capacity() + 1;
        }
    }
    std::printf("   labels held until the run ends: %ld bytes of text in %ld bytes of storage\n", labelBytes,
                labelStorage);
}

} // namespace

void ReportOwnWork(const CommandCapture& capture, const BareCalls& calls, const CallCounts& commandCalls,
                   double ownCode)
{
    ReportBuildingBlocks(capture, calls, commandCalls, ownCode);
    ReportUniquenessPasses(capture, calls, ownCode);
    ReportLabels(capture, ownCode);
}
