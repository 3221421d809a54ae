#pragma once
#include <list>

#include "text/NarrowString.h"
#include "text/WideString.h"

// One recent file or folder of the host, with the display forms the menu
// chooses from.
struct RecentEntry {
    NarrowString fullPath;    // the registry value's text as read
    NarrowString compactPath; // fullPath compacted to 50 bytes; empty if that failed
    NarrowString directory;   // the bytes before fullPath's last backslash
    NarrowString fileName;    // the bytes after it; empty when there is none
    NarrowString menuText;    // the item's label, written when the menu is filled
    bool nameUnique = true;   // no other entry has this fileName under another fullPath
    // The value's text as the host stored it, in UTF-16: fullPath turns a
    // character outside the ANSI code page into '?' or a look-alike, so only
    // this names the file on disk. Empty when it could not be read or is
    // longer than a path buffer holds.
    WideString storedPath;
    // fullPath reads back as storedPath without loss, so the ANSI fields
    // show the name as it is. Only such an entry, or one without a stored
    // text, is labelled from them.
    bool fullPathExact = false;
    bool missing = false; // the file or folder is known to be gone from disk
};

// The budget of an entry's compact path, in bytes, or in UTF-16 units for
// one labelled from its stored text.
constexpr int CompactPathBudget = 50;

// The host's order; a list keeps it and lets entries change in place.
using RecentList = std::list<RecentEntry>;

// Appends one entry per value "File1", "File2", ... of
// HKEY_CURRENT_USER\keyPath, up to the first value that is missing, not a
// REG_SZ, or neither at most 260 bytes in the ANSI code page nor at most 259
// characters as stored. Each is read in the ANSI code page and once more as
// the host stored it; a value too long in the ANSI code page is made from
// the stored text. Then marks the entries whose file names are not unique. A
// missing key leaves the list empty. Nothing is written.
void ReadRecentList(RecentList& list, const char* keyPath);

// Clears nameUnique on every entry whose fileName another entry has under a
// different fullPath. Every ordered pair is compared, so the result does not
// depend on the order; a cleared flag is never set again.
void MarkNonUniqueNames(RecentList& list);
