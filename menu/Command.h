#pragma once
#include <windows.h>

#include "menu/MenuBuilder.h"
#include "menu/PathList.h"
#include "recent/RecentList.h"
#include "text/NarrowString.h"

// The host's commands that open its recent file n and its recent folder n,
// n counted from 0 in the order of its recent lists.
constexpr UINT RecentFileBaseId = 0x1201;
constexpr UINT RecentFolderBaseId = 0x1380;

// Everything one run of the command builds before its menu loop, owned for
// the run. Members are destroyed in reverse order: the folder menu before
// the main menu, which would otherwise take its attached submenu along and
// leave a stale handle, then the label and the lists.
struct RecentMenus {
    PathList openDocuments;
    PathList noDocuments; // folders are never taken for open documents
    NarrowString activePath;
    RecentList files;
    RecentList folders;
    PopupMenu mainMenu;
    PopupMenu folderMenu;
    NarrowString folderLabel;
};

// Asks the host for its documents, reads its recent lists and settings, and
// builds both menus into menus, which is new: the main menu with the recent
// files, a separator and the folder submenu item, and the folder menu.
void BuildRecentMenus(HWND hwnd, RecentMenus& menus);

// Shows the built menu at the mouse cursor and posts the pick to the host
// window as the host's own command, or 0 when nothing was picked.
void TrackAndPost(HWND hwnd, const RecentMenus& menus);

// The plug-in's one command: builds the menus, tracks them and posts the
// pick, then releases everything. Always posts exactly once and lets no
// exception out.
void RunRecentCommand(HWND hwnd);
