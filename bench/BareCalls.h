// The bare calls: what a run of the command has to call, planned beforehand and made with no plug-in logic.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "bench/Clock.h"
#include "bench/CommandRun.h"
#include "bench/Profile.h"
#include "bench/SystemCalls.h"

using TextPair = std::pair<const char*, const char*>;

struct EntryTexts {
    std::string fullPath;
    std::string directory;
    std::string fileName;
};

// Everything the bare calls need, worked out beforehand from what the
// command read and built, so that the timed calls carry no logic of their
// own. Made in place and never moved: its pointers point into itself.
struct BareCalls {
    BareCalls() = default;
    BareCalls(const BareCalls&) = delete;
    BareCalls& operator=(const BareCalls&) = delete;

    HWND hwnd = nullptr;
    int documents = 0;
    std::vector<std::string> fileValueNames;   // File1 .. File(n + 1): the last one misses
    std::vector<std::string> folderValueNames;
    std::vector<std::string> paths;            // files, then folders
    // Copies of the texts the plug-in compares, which the pairs point into.
    std::vector<EntryTexts> fileTexts;
    std::vector<EntryTexts> folderTexts;
    std::vector<std::string> documentTexts;
    std::string activeText;
    std::string currentDirectoryText;
    std::vector<TextPair> uniquenessPairs;     // both lists
    size_t fileUniquenessPairs = 0;            // the first ones, of the file list
    std::vector<TextPair> fillPairs;           // open search, directory, active
    std::vector<size_t> fillPairsEnd;          // where each entry's pairs end: files, then folders
    std::vector<std::string> itemTexts;        // file items, folder items, label
    std::vector<MENUITEMINFOA> fileItems;      // then the separator and the submenu
    std::vector<MENUITEMINFOA> folderItems;
    UINT labelId = 0;                          // the folder label's string
};

// Bare steps, between the stamps of a detail run.
enum BareSegment {
    MessagesSegment,
    ListValuesSegment,
    UniquenessSegment,
    CreateMenusSegment,
    ExtraShortCutSegment,
    StripCurPathSegment,
    CurrentDirectorySegment,
    FileAttributesSegment,
    FillCompareSegment,
    InsertSegment,
    LoadStringSegment,
    DestroyMenusSegment,
    BareSegmentCount
};

extern const char* const BareSegmentNames[BareSegmentCount];

// Which bare segments each command step makes.
extern const BareSegment FirstSegmentOfStep[CommandStepCount + 1];

using BareStamps = Stamps<BareSegmentCount + 1>;

// Works out the bare calls of the run that capture took.
void PlanBareCalls(BareCalls& calls, HWND hwnd, const Profile& profile, const CommandCapture& capture);

// What one run has to make, by kind; the helper kinds have no set count.
CallCounts RequiredCalls(const BareCalls& calls);

// The bare calls grouped by kind, a stamp between the kinds.
template <typename Clock>
void RunBareCalls(const BareCalls& calls, Clock& clock);

// The same calls in the order a run makes them: each list's values, then
// its uniqueness pass; per item its attributes, its comparisons and its
// insertion. Sets apart what grouping the calls by kind saves.
void RunBareCallsInOrder(const BareCalls& calls);

void CompareAll(const std::vector<TextPair>& pairs);
