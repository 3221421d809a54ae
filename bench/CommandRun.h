// Runs of the product's command up to its menu loop: timed, stamped step by step, or captured.
#pragma once
#include <windows.h>

#include <vector>

#include "bench/Clock.h"
#include "host/PopupDriver.h"
#include "menu/PathList.h"
#include "recent/RecentList.h"
#include "text/NarrowString.h"

// What one run built, taken just before it ends.
struct CommandCapture {
    PathList openDocuments;
    NarrowString activePath;
    RecentList files;
    RecentList folders;
    NarrowString folderLabel;
    std::vector<MenuItemView> mainItems;
    std::vector<MenuItemView> folderItems;
};

// Steps of a detail run of the command, between its stamps.
enum CommandStep { DocumentsStep, ListsStep, MenusStep, SettingStep, FillStep, ReleaseStep, CommandStepCount };

extern const char* const CommandStepNames[CommandStepCount];

using CommandStamps = Stamps<CommandStepCount + 1>;

// BuildRecentMenus, then what the end of a run releases: the folder menu,
// the main menu, the label and the lists, in that order.
void RunCommand(HWND hwnd);

// The same run with a stamp where each step starts and one where it ends.
void RunCommandInSteps(HWND hwnd, CommandStamps& stamps);

// The same run, with what it built read before it is released.
CommandCapture CaptureCommand(HWND hwnd);
