#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>

// text in the ANSI code page the test runs in, or "" when some character of
// it has no spelling there.
inline std::string InAnsiCodePage(const wchar_t* text)
{
    BOOL defaultUsed = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, nullptr, 0, nullptr, &defaultUsed);
    if (size <= 0 || defaultUsed)
        return "";
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, &bytes[0], size, nullptr, &defaultUsed);
    bytes.resize(size - 1);
    return bytes;
}

// The first of the spellings that the ANSI code page has: a Japanese name
// in code page 932, a Western one in 1252, plain ASCII elsewhere.
inline std::string AnsiName(std::initializer_list<const wchar_t*> spellings)
{
    for (const wchar_t* spelling : spellings) {
        const std::string bytes = InAnsiCodePage(spelling);
        if (!bytes.empty())
            return bytes;
    }
    return "";
}
