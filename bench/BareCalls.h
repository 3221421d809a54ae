// The bare calls: what a run of the command has to call, planned beforehand and made with no plug-in logic.
#pragma once
#include <windows.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "menu/Command.h"

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
    // Copies of the plug-in's texts, which the comparisons and the items
    // point into; a deque never moves them.
    std::deque<std::string> texts;
    std::vector<std::pair<const char*, const char*>> comparisons;
    // The submenu item's handle is set at each run.
    std::vector<MENUITEMINFOA> mainItems;
    std::vector<MENUITEMINFOA> folderItems;
    UINT labelId = 0;
};

// Works out the bare calls of a run on hwnd that built menus.
void PlanBareCalls(BareCalls& calls, HWND hwnd, const RecentMenus& menus);

// The planned calls, grouped by kind.
void RunBareCalls(const BareCalls& calls);
