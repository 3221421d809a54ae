// The host stand-in as a program: the demo. It loads Velandor.dll from beside
// itself (or from the path given), shows what the host learns from the
// plug-in, and then runs the plug-in's command on a sample profile.
//
//   velandor-host [--screenshot FILE.png] [Velandor.dll]
//
// Without --screenshot the user picks from the menu with mouse or keyboard.
// With it, for a virtual display where nobody can, the menu's folder submenu
// is opened by keyboard, both are saved as a PNG picture, and a file is
// picked by its access key.
#include <windows.h>

#include <cstdio>
#include <string>

#include "host/DemoProfile.h"
#include "host/HostEditor.h"
#include "host/PopupDriver.h"
#include "host/Screenshot.h"

namespace {

constexpr UINT RecentFileBaseId = 0x1201;
constexpr UINT RecentFolderBaseId = 0x1380;
constexpr UINT PickedFileKey = '5';

// A string resource of the plug-in as UTF-8, whatever the ANSI code page.
std::string PluginText(HMODULE plugin, UINT id)
{
    const wchar_t* text = nullptr;
    const int length = LoadStringW(plugin, id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0)
        return {};
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

std::string AskText(HostEditor& host, UINT query)
{
    char text[80] = {};
    host.PlugInProc(query, sizeof text, reinterpret_cast<LPARAM>(text));
    return AnsiToUtf8(text);
}

std::string PluginBesideHost()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + "Velandor.dll";
}

void PrintPluginFacts(HostEditor& host, const std::string& pluginPath)
{
    BOOL checked = TRUE;
    const BOOL enabled = host.QueryStatus(&checked);
    const UINT menuTextId = host.GetMenuTextID();
    const UINT statusId = host.GetStatusMessageID();
    std::printf("plug-in      %s\n", AnsiToUtf8(pluginPath).c_str());
    std::printf("name         %s\n", AskText(host, 2306).c_str());
    std::printf("version      %s\n", AskText(host, 2308).c_str());
    std::printf("menu text    %u: %s\n", menuTextId, PluginText(host.Plugin(), menuTextId).c_str());
    std::printf("status text  %u: %s\n", statusId, PluginText(host.Plugin(), statusId).c_str());
    std::printf("bitmaps      %u (GetBitmapID), %d (small), %d (large)\n", host.GetBitmapID(),
                static_cast<int>(host.PlugInProc(2312, 0, 0)), static_cast<int>(host.PlugInProc(2312, 1, 0)));
    std::printf("command      %s, %s\n", enabled ? "enabled" : "disabled", checked ? "checked" : "not checked");
}

void PrintProfile(const DemoProfile& profile)
{
    std::printf("\nsample profile in %s\n", AnsiToUtf8(profile.Folder()).c_str());
    auto printList = [](const char* title, const std::vector<std::string>& paths) {
        for (size_t n = 0; n < paths.size(); ++n) {
            const bool exists = GetFileAttributesA(paths[n].c_str()) != INVALID_FILE_ATTRIBUTES;
            std::printf("  %-13s %2zu  %s%s\n", n == 0 ? title : "", n + 1, AnsiToUtf8(paths[n]).c_str(),
                        exists ? "" : "  (missing)");
        }
    };
    printList("recent files", profile.Files());
    printList("folders", profile.Folders());
    printList("open", profile.OpenDocuments());
    std::printf("  %-13s     %s\n", "active", AnsiToUtf8(profile.ActiveDocument()).c_str());
    std::printf("  %-13s     2\n", "ExtraShortCut");
}

// What the host does with each 2070 /* 0x816 */ that reached it.
void PrintCommands(const HostEditor& host, const DemoProfile& profile)
{
    bool any = false;
    for (const HostMessage& message : host.received) {
        if (message.message != 2070)
            continue;
        any = true;
        const UINT id = static_cast<UINT>(message.wParam);
        const std::vector<std::string>& files = profile.Files();
        const std::vector<std::string>& folders = profile.Folders();
        if (id == 0)
            std::printf("host command 0: nothing picked, the host does nothing\n");
        else if (id >= RecentFolderBaseId && id - RecentFolderBaseId < folders.size())
            std::printf("host command 0x%X: open recent folder %u, %s\n", id, id - RecentFolderBaseId + 1,
                        AnsiToUtf8(folders[id - RecentFolderBaseId]).c_str());
        else if (id >= RecentFileBaseId && id - RecentFileBaseId < files.size())
            std::printf("host command 0x%X: open recent file %u, %s\n", id, id - RecentFileBaseId + 1,
                        AnsiToUtf8(files[id - RecentFileBaseId]).c_str());
        else
            std::printf("host command 0x%X: not one of the host's recent entries\n", id);
    }
    if (!any)
        std::printf("no host command arrived\n");
}

// The screen area that shows the host window and the open menus.
RECT PictureArea(HWND host, const std::vector<HWND>& menus)
{
    RECT area;
    GetWindowRect(host, &area);
    for (const HWND menu : menus) {
        RECT rect;
        GetWindowRect(menu, &rect);
        UnionRect(&area, &area, &rect);
    }
    InflateRect(&area, 12, 12);
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&area, &area, &screen);
    return area;
}

// Opens the folder submenu, takes the picture, then picks a file.
bool PictureAndPick(HWND popup, HWND host, DWORD menuThread, const std::wstring& picture)
{
    PressKey(popup, VK_UP); // the submenu item, the last one
    PressKey(popup, VK_RIGHT);
    std::vector<HWND> menus;
    for (int waited = 0; waited < 3000 && menus.size() < 2; waited += 10) {
        Sleep(10);
        menus = OpenMenuWindows(menuThread);
    }
    Sleep(300); // both menus painted
    const bool saved = SaveScreenAsPng(PictureArea(host, menus), picture);
    PressKey(popup, VK_LEFT); // back to the files
    TypeCharacter(popup, PickedFileKey);
    return saved;
}

} // namespace

int main()
{
    int argumentCount = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    std::wstring picture;
    std::string pluginPath = PluginBesideHost();
    for (int n = 1; n < argumentCount; ++n) {
        const std::wstring argument = arguments[n];
        if (argument == L"--screenshot" && n + 1 < argumentCount) {
            picture = arguments[++n];
        } else {
            char path[MAX_PATH] = {};
            WideCharToMultiByte(CP_ACP, 0, argument.c_str(), -1, path, MAX_PATH, nullptr, nullptr);
            pluginPath = path;
        }
    }
    LocalFree(arguments);

    HostEditor host(pluginPath.c_str());
    if (!host.Loaded()) {
        std::fprintf(stderr, "cannot load %s (error %lu)\n", AnsiToUtf8(pluginPath).c_str(), GetLastError());
        return 1;
    }
    PrintPluginFacts(host, pluginPath);

    const DemoProfile profile;
    if (!profile.Ready()) {
        std::fprintf(stderr, "cannot make the sample profile's registry key (error %lu)\n", GetLastError());
        return 1;
    }
    PrintProfile(profile);
    host.documents = profile.OpenDocuments();
    host.activePath = profile.ActiveDocument();
    host.Show();

    RECT window;
    GetWindowRect(host.Window(), &window);
    if (picture.empty()) {
        std::printf("\nThe menu is open at the mouse cursor: pick a file or folder, or press Escape.\n");
        std::fflush(stdout);
        host.OnCommand();
    } else {
        SetCursorPos(window.left + 60, window.top + 60);
        const DWORD menuThread = GetCurrentThreadId();
        bool saved = false;
        const PopupOutcome outcome =
            DrivePopup([&] { host.OnCommand(); },
                       [&](HWND popup) { saved = PictureAndPick(popup, host.Window(), menuThread, picture); });
        std::printf("\n");
        if (!outcome.opened)
            std::printf("the menu did not open\n");
        else if (!saved)
            std::printf("could not save the picture of the menu\n");
        else
            std::printf("picked the file with access key %c by keyboard\n", PickedFileKey);
    }
    host.DispatchPending();
    PrintCommands(host, profile);
    return 0;
}
