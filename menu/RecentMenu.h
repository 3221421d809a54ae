#pragma once
#include <windows.h>

#include "menu/MenuBuilder.h"
#include "menu/PathList.h"
#include "recent/RecentList.h"
#include "text/NarrowString.h"

// Appends one item per entry, in list order, with the id baseId + position,
// and writes each entry's label to its menuText. An item is grayed when its
// entry is marked missing (MarkMissingEntries), checked when it is one of
// openDocuments or the active document, and the default item when it is the
// active document. An entry whose ANSI text misspells its stored name is
// labelled from the stored text, in the same form.
// allowNameOnly lets an entry show its bare file name instead of its compact
// path when it is open under a unique name or lies in the current directory
// (with the host's StripCurPath on). Returns the number of items appended.
int FillRecentMenu(MenuBuilder& builder, RecentList& entries, const PathList& openDocuments,
                   const NarrowString& activePath, bool allowNameOnly, int extraShortCut, UINT baseId);

// The access-key prefix of the item at position (from 0): "&1 " to "&9 ",
// "&0 ", then by extraShortCut mode 1 "&0 " again, mode 2 "&A ", "&B ", ...,
// and nothing in any other mode.
NarrowString BuildMnemonicPrefix(int position, int mode);

// The label of the folder submenu item. In mode 2 after more than nine files
// it continues the files' letters before the lettered text; otherwise it is
// the plain text, which carries its own access key.
NarrowString BuildFolderMenuLabel(UINT plainId, UINT letteredId, int mode, int fileCount);

// Appends the folder submenu item with label, which BuildFolderMenuLabel made
// of the same arguments. Where the ANSI code page cannot spell the string
// resource that the label shows, the item shows the resource's UTF-16 text
// after the same prefix.
void AppendFolderSubmenu(MenuBuilder& builder, HMENU folderMenu, const NarrowString& label, UINT plainId,
                         UINT letteredId, int mode, int fileCount);

// The process's current directory; empty when it does not fit in 260 bytes.
NarrowString QueryCurrentDirectory();

// Appends text to label with every '&' doubled, so the menu shows it instead
// of taking it for an access-key marker. Steps over whole characters: the
// trail byte of a double-byte character is never doubled.
void AppendDisplayText(NarrowString& label, const NarrowString& text);
