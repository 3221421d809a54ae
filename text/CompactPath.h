#pragma once
#include "text/NarrowString.h"
#include "text/TextUnits.h"

// A path shortened to a byte budget for display: the beginning of the path
// and its last component with "..." and a separator where the middle was, or,
// when the last component alone is too long, "...", a separator, the
// beginning of that component and "...". A path of at most budget - 2 bytes
// stays whole; a shortened one has at most budget - 1 bytes (budget bytes for
// budget 7). No cut splits a character (CharacterCut), and a trail byte
// equal to a backslash is never taken for one. budget is at least 1. Into
// destination, which has room for budget bytes and a terminator and does not
// overlap path; false when a copy failed.
bool CompactPath(char* destination, const char* path, int budget);
// The same in UTF-16, where budget and lengths count units.
bool CompactPath(wchar_t* destination, const wchar_t* path, int budget);

// The same as a new text; the empty text when a copy failed. Kept inline:
// only this form allocates, so the buffer-level code needs no unwind tables.
inline NarrowString CompactPath(const NarrowString& path, int budget)
{
    NarrowString compact;
    if (!CompactPath(compact.OpenBuffer(budget), path, budget))
        return NarrowString();
    compact.CloseBuffer();
    return compact;
}
