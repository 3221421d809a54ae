#pragma once
#include <cstdio>
#include <string>

// UTF-16 as printable text with the other units in hex, for failure
// messages.
inline std::string Printable(const std::wstring& units)
{
    std::string text = "\"";
    for (wchar_t unit : units) {
        char shown[12];
        std::snprintf(shown, sizeof shown, unit >= 0x20 && unit < 0x7F && unit != '"' ? "%c" : "<U+%04X>",
                      static_cast<unsigned>(unit));
        text += shown;
    }
    return text + "\"";
}

inline std::wstring Repeat(const std::wstring& text, int count)
{
    std::wstring repeated;
    for (int i = 0; i < count; ++i)
        repeated += text;
    return repeated;
}
