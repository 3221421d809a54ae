#include "menu/Command.h"

#include "menu/HostDocuments.h"
#include "menu/MenuBuilder.h"
#include "menu/RecentMenu.h"
#include "plugin/HostSettings.h"
#include "recent/RecentList.h"

namespace {

constexpr UINT RunCommandMessage = 2070; // 0x816
constexpr UINT PlainFolderLabelId = 7;
constexpr UINT LetteredFolderLabelId = 6;

// One run up to its post. Everything it made goes when it returns, right
// after the post.
void ShowRecentMenu(HWND hwnd)
{
    PathList openDocuments;
    const PathList noDocuments; // folders are never taken for open documents
    CollectOpenDocuments(hwnd, openDocuments);
    const NarrowString activePath = GetActiveDocumentPath(hwnd);

    RecentList files;
    RecentList folders;
    ReadRecentList(files, RecentFileListKey);
    ReadRecentList(folders, RecentFolderListKey);

    // The folder menu is destroyed first: destroying the main menu first
    // would take the attached folder menu with it and leave a stale handle.
    const PopupMenu mainMenu;
    const PopupMenu folderMenu;
    MenuBuilder fileItems{mainMenu.Handle()};
    MenuBuilder folderItems{folderMenu.Handle()};

    const int extraShortCut = ReadExtraShortCut();
    const int fileCount =
        FillRecentMenu(fileItems, files, openDocuments, activePath, true, extraShortCut, RecentFileBaseId);
    fileItems.AppendSeparator();
    FillRecentMenu(folderItems, folders, noDocuments, activePath, false, extraShortCut, RecentFolderBaseId);
    const NarrowString folderLabel =
        BuildFolderMenuLabel(PlainFolderLabelId, LetteredFolderLabelId, extraShortCut, fileCount);
    fileItems.AppendSubmenu(folderLabel, folderMenu.Handle());

    const UINT chosen = fileItems.TrackAtCursor(hwnd);
    PostMessageA(hwnd, RunCommandMessage, chosen, 0);
}

} // namespace

void RunRecentCommand(HWND hwnd)
{
    // Only exhausted memory can throw. The run's own objects are gone by the
    // time it gets here, and the host still gets its one message.
    try {
        ShowRecentMenu(hwnd);
        return;
    } catch (...) {
    }
    PostMessageA(hwnd, RunCommandMessage, 0, 0);
}
