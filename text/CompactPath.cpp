#include "text/CompactPath.h"

namespace {

bool IsSlash(wchar_t c)
{
    return c == '\\' || c == '/';
}

// A colon ends a component too, but never stands for one in the output.
bool IsComponentSeparator(wchar_t c)
{
    return IsSlash(c) || c == ':';
}

// Appends the first count units of text, fewer when the last of them would
// split a character.
template <class Unit>
bool AppendHead(Unit* destination, const Unit* text, int count)
{
    count = CharacterCut(text, count);
    if (count <= 0)
        return true;
    return CopyHead(destination + TextLength(destination), text, count);
}

// The one compaction of both kinds of text, counted in their units.
template <class Unit>
bool Compact(Unit* destination, const Unit* path, int budget)
{
    if (TextLength(path) + 1 < budget)
        return CopyText(destination, path);
    destination[0] = 0;

    const Unit ellipsis[] = {'.', '.', '.', 0};
    Unit separator[] = {'\\', 0};
    const Unit* lastComponent = nullptr;
    for (const Unit* c = path; *c != 0; c = NextCharacter(c)) {
        if (IsSlash(*c))
            separator[0] = *c;
        if (IsComponentSeparator(*c) && c[1] != 0 && !IsSlash(c[1]))
            lastComponent = c + 1;
    }

    if (lastComponent == nullptr && budget >= 4)
        return AppendHead(destination, path, budget - 4) && AppendText(destination, ellipsis);
    if (budget <= 6) {
        const Unit dots[] = {'.', '.', '.', separator[0], '.', '.', 0};
        return CopyHead(destination, dots, budget - 1);
    }
    const int componentLength = TextLength(lastComponent);
    if (componentLength + 4 < budget) {
        return AppendHead(destination, path, budget - componentLength - 5) && AppendText(destination, ellipsis) &&
               AppendText(destination, separator) && AppendText(destination, lastComponent);
    }
    return AppendText(destination, ellipsis) && AppendText(destination, separator) &&
           AppendHead(destination, lastComponent, budget - 8) && AppendText(destination, ellipsis);
}

} // namespace

bool CompactPath(char* destination, const char* path, int budget)
{
    return Compact(destination, path, budget);
}

bool CompactPath(wchar_t* destination, const wchar_t* path, int budget)
{
    return Compact(destination, path, budget);
}
