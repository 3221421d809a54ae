#pragma once
#include <windows.h>

// The host's commands that open its recent file n and its recent folder n,
// n counted from 0 in the order of its recent lists.
constexpr UINT RecentFileBaseId = 0x1201;
constexpr UINT RecentFolderBaseId = 0x1380;

// The plug-in's one command: pops up the host's recent files and folders at
// the mouse cursor and posts the pick back to the host window as the host's
// own command, or 0 when nothing was picked. Always posts exactly once and
// lets no exception out.
void RunRecentCommand(HWND hwnd);
