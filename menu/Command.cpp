#include "menu/Command.h"

#include "menu/HostDocuments.h"
#include "menu/Presence.h"
#include "menu/RecentMenu.h"
#include "plugin/HostSettings.h"

namespace {

constexpr UINT RunCommandMessage = 2070; // 0x816
constexpr UINT PlainFolderLabelId = 7;
constexpr UINT LetteredFolderLabelId = 6;

} // namespace

void BuildRecentMenus(HWND hwnd, RecentMenus& menus)
{
    CollectOpenDocuments(hwnd, menus.openDocuments);
    menus.activePath = GetActiveDocumentPath(hwnd);
    ReadRecentList(menus.files, RecentFileListKey);
    ReadRecentList(menus.folders, RecentFolderListKey);
    MarkMissingEntries(menus.files, menus.folders);

    menus.mainMenu.Create();
    menus.folderMenu.Create();
    MenuBuilder fileItems{menus.mainMenu.Handle()};
    MenuBuilder folderItems{menus.folderMenu.Handle()};

    const int extraShortCut = ReadExtraShortCut();
    const int fileCount = FillRecentMenu(fileItems, menus.files, menus.openDocuments, menus.activePath, true,
                                         extraShortCut, RecentFileBaseId);
    fileItems.AppendSeparator();
    FillRecentMenu(folderItems, menus.folders, menus.noDocuments, menus.activePath, false, extraShortCut,
                   RecentFolderBaseId);
    menus.folderLabel = BuildFolderMenuLabel(PlainFolderLabelId, LetteredFolderLabelId, extraShortCut, fileCount);
    AppendFolderSubmenu(fileItems, menus.folderMenu.Handle(), menus.folderLabel, PlainFolderLabelId,
                        LetteredFolderLabelId, extraShortCut, fileCount);
}

void TrackAndPost(HWND hwnd, const RecentMenus& menus)
{
    const UINT chosen = MenuBuilder{menus.mainMenu.Handle()}.TrackAtCursor(hwnd);
    PostMessageA(hwnd, RunCommandMessage, chosen, 0);
}

void RunRecentCommand(HWND hwnd)
{
    // Only exhausted memory can throw. The run's own objects are gone by the
    // time it gets here, and the host still gets its one message.
    try {
        RecentMenus menus;
        BuildRecentMenus(hwnd, menus);
        TrackAndPost(hwnd, menus);
        return;
    } catch (...) {
    }
    PostMessageA(hwnd, RunCommandMessage, 0, 0);
}
