#include "text/CompactPath.h"

namespace {

constexpr char Ellipsis[] = "...";

bool IsSlash(char c)
{
    return c == '\\' || c == '/';
}

// A colon ends a component too, but never stands for one in the output.
bool IsComponentSeparator(char c)
{
    return IsSlash(c) || c == ':';
}

bool AppendText(char* destination, const char* text)
{
    return lstrcatA(destination, text) != nullptr;
}

// Appends the first count bytes of text, one fewer when the last of them
// would be a lone lead byte.
bool AppendHead(char* destination, const char* text, int count)
{
    if (EndsInLeadByte(text, count))
        --count;
    if (count <= 0)
        return true;
    return lstrcpynA(destination + lstrlenA(destination), text, count + 1) != nullptr;
}

} // namespace

// A byte without a lead-byte value always ends a character, so the run of
// lead-byte values after it pairs up as lead and trail bytes; an odd run
// leaves its last byte a lead byte without its trail.
bool EndsInLeadByte(const char* text, int cut)
{
    int leadValues = 0;
    for (int i = cut - 1; i >= 0 && IsDBCSLeadByte(static_cast<BYTE>(text[i])); --i)
        ++leadValues;
    return leadValues % 2 == 1;
}

bool CompactPath(char* destination, const char* path, int budget)
{
    if (lstrlenA(path) + 1 < budget)
        return lstrcpyA(destination, path) != nullptr;
    destination[0] = '\0';

    // Whole characters only: a trail byte may have a backslash's value.
    char separator[] = "\\";
    const char* lastComponent = nullptr;
    for (const char* c = path; *c != '\0'; c = CharNextA(c)) {
        if (IsSlash(*c))
            separator[0] = *c;
        if (IsComponentSeparator(*c) && c[1] != '\0' && !IsSlash(c[1]))
            lastComponent = c + 1;
    }

    if (lastComponent == nullptr && budget >= 4)
        return AppendHead(destination, path, budget - 4) && AppendText(destination, Ellipsis);
    if (budget <= 6) {
        char dots[] = "...\\..";
        dots[3] = separator[0];
        return lstrcpynA(destination, dots, budget) != nullptr;
    }
    const int componentLength = lstrlenA(lastComponent);
    if (componentLength + 4 < budget) {
        return AppendHead(destination, path, budget - componentLength - 5) &&
               AppendText(destination, Ellipsis) && AppendText(destination, separator) &&
               AppendText(destination, lastComponent);
    }
    return AppendText(destination, Ellipsis) && AppendText(destination, separator) &&
           AppendHead(destination, lastComponent, budget - 8) && AppendText(destination, Ellipsis);
}
