// Runs the product's BuildRecentMenus, and stamps its steps at the system calls they start with.
#include "bench/CommandRun.h"

#include <cstring>

#include "bench/SystemCalls.h"
#include "menu/Command.h"
#include "plugin/HostSettings.h"

const char* const CommandStepNames[CommandStepCount] = {
    "CollectOpenDocuments + GetActiveDocumentPath",
    "ReadRecentList x2",
    "CreatePopupMenu x2",
    "ReadExtraShortCut",
    "FillRecentMenu x2, separator, label, submenu",
    "DestroyMenu x2, lists released",
};

namespace {

// A detail run stamps a step where it makes its first system call, as the
// call passes through this program's import table: the product's code runs
// as it ships, with nothing of the benchmark's between its steps, and the
// timed runs, made with the table left alone, pay nothing for the stamps.
// The release starts when BuildRecentMenus returns.
struct StepStart {
    CallKind kind;
    const char* keyPath; // the key that RegOpenKeyExA opens; null for the other kinds
};

const StepStart StepStarts[ReleaseStep] = {
    {SendKind, nullptr},              // the first 2106
    {RegOpenKind, RecentFileListKey}, // the file list, read before the folder list
    {CreateMenuKind, nullptr},        // the main menu, created before the folder menu
    {RegOpenKind, CommonSettingsKey}, // ExtraShortCut, read right after the second CreatePopupMenu
    {RegOpenKind, CommonSettingsKey}, // StripCurPath, read first by the file list's fill
};

CommandStamps* Stamping = nullptr;
int NextStep = 0;

void StampIfStepStarts(CallKind kind, const char* keyPath)
{
    if (NextStep == ReleaseStep)
        return;
    const StepStart& start = StepStarts[NextStep];
    if (start.kind != kind || (start.keyPath != nullptr && std::strcmp(start.keyPath, keyPath) != 0))
        return;
    Stamping->Mark();
    ++NextStep;
}

decltype(&SendMessageA) RealSendMessage = nullptr;
decltype(&RegOpenKeyExA) RealRegOpen = nullptr;
decltype(&CreatePopupMenu) RealCreateMenu = nullptr;

LRESULT WINAPI StampingSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    StampIfStepStarts(SendKind, nullptr);
    return RealSendMessage(window, message, wParam, lParam);
}

LONG WINAPI StampingRegOpen(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key)
{
    StampIfStepStarts(RegOpenKind, path);
    return RealRegOpen(root, path, options, access, key);
}

HMENU WINAPI StampingCreateMenu()
{
    StampIfStepStarts(CreateMenuKind, nullptr);
    return RealCreateMenu();
}

// Stamps the steps of one run into stamps until it goes out of scope.
class StepStamper {
public:
    explicit StepStamper(CommandStamps& stamps)
    {
        Stamping = &stamps;
        NextStep = 0;
        imports_.Redirect(SendKind, &StampingSendMessage, RealSendMessage);
        imports_.Redirect(RegOpenKind, &StampingRegOpen, RealRegOpen);
        imports_.Redirect(CreateMenuKind, &StampingCreateMenu, RealCreateMenu);
    }

private:
    ImportRedirections imports_;
};

} // namespace

void RunCommand(HWND hwnd)
{
    RecentMenus menus;
    BuildRecentMenus(hwnd, menus);
}

void RunCommandInSteps(HWND hwnd, CommandStamps& stamps)
{
    const StepStamper stamper(stamps);
    {
        RecentMenus menus;
        BuildRecentMenus(hwnd, menus);
        stamps.Mark();
    }
    stamps.Mark();
}

CommandCapture CaptureCommand(HWND hwnd)
{
    RecentMenus menus;
    BuildRecentMenus(hwnd, menus);
    return {menus.openDocuments, menus.activePath, menus.files, menus.folders, menus.folderLabel,
            ReadMenuItems(menus.mainMenu.Handle()), ReadMenuItems(menus.folderMenu.Handle())};
}
