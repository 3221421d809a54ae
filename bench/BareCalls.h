// The bare calls: what a run of the command has to call, planned beforehand and made with no plug-in logic.
#pragma once
#include <windows.h>

#include <deque>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "menu/Command.h"

// One MultiByteToWideChar in the ANSI code page: length bytes of text, or
// up to its terminator for -1, into room UTF-16 units.
struct Widening {
    const char* text;
    int length;
    int room;
};

// An item as the command inserted it: by InsertMenuItemA, or by
// InsertMenuItemW where its label comes from the UTF-16 text.
using PlannedItem = std::variant<MENUITEMINFOA, MENUITEMINFOW>;

// Everything the bare calls need, worked out beforehand from what one run
// of the command read and built, so that the timed calls carry no logic of
// their own.
struct BareCalls {
    HWND hwnd = nullptr;
    // The host's answer to how many documents are open.
    LRESULT documents = 0;
    // File1 .. File(n + 1): the last one is missing and ends the list.
    std::vector<std::string> fileValueNames;
    std::vector<std::string> folderValueNames;
    // File1 .. Filen, each read again in UTF-16.
    std::vector<std::wstring> fileWideNames;
    std::vector<std::wstring> folderWideNames;
    // Each drive of the paths, asked once which device it is.
    std::vector<std::wstring> drives;
    // The files, then the folders, probed on disk: by their stored text,
    // or by their ANSI one where there is none.
    std::vector<std::wstring> widePaths;
    std::vector<std::string> paths;
    // Copies of the plug-in's texts, which the comparisons, the widenings
    // and the items point into; a deque never moves them.
    std::deque<std::string> texts;
    std::deque<std::wstring> wideTexts;
    std::vector<std::pair<const char*, const char*>> comparisons;
    // Each entry's ANSI text read back against its stored one, the ANSI
    // paths widened to find their drives, the access-key prefixes of the
    // UTF-16 labels, and the folder label's text read back.
    std::vector<Widening> widenings;
    // The submenu item's handle is set at each run.
    std::vector<PlannedItem> mainItems;
    std::vector<PlannedItem> folderItems;
    UINT labelId = 0;
};

// Whether the command labels entry from its stored text, in UTF-16: its
// ANSI text misspells the stored name.
bool LabelledFromStoredText(const RecentEntry& entry);

// Works out the bare calls of a run on hwnd that built menus.
void PlanBareCalls(BareCalls& calls, HWND hwnd, const RecentMenus& menus);

// The planned calls, grouped by kind.
void RunBareCalls(const BareCalls& calls);
