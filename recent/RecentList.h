#pragma once
#include <list>

#include "text/NarrowString.h"

// One recent file or folder of the host, with the display forms the menu
// chooses from.
struct RecentEntry {
    NarrowString fullPath;    // the registry value's text as read
    NarrowString compactPath; // fullPath compacted to 50 bytes; empty if that failed
    NarrowString directory;   // the bytes before fullPath's last backslash
    NarrowString fileName;    // the bytes after it; empty when there is none
    NarrowString menuText;    // the item's label, written when the menu is filled
    bool nameUnique = true;   // no other entry has this fileName under another fullPath
};

// The host's order; a list keeps it and lets entries change in place.
using RecentList = std::list<RecentEntry>;

// Appends one entry per value "File1", "File2", ... of
// HKEY_CURRENT_USER\keyPath, up to the first value that is missing or not a
// REG_SZ of at most 260 bytes, then marks the entries whose file names are
// not unique. A missing key leaves the list empty. Nothing is written.
void ReadRecentList(RecentList& list, const char* keyPath);

// Clears nameUnique on every entry whose fileName another entry has under a
// different fullPath. Every ordered pair is compared, so the result does not
// depend on the order; a cleared flag is never set again.
void MarkNonUniqueNames(RecentList& list);
