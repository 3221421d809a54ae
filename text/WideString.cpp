#include "text/WideString.h"

namespace {

// The longest text compared: a path buffer's worth.
constexpr int ComparedUnits = MAX_PATH;

} // namespace

bool SpellsExactly(const char* ansi, int ansiLength, const wchar_t* wide, int wideLength)
{
    if (ansiLength == 0 || wideLength == 0)
        return ansiLength == wideLength;
    if (wideLength > ComparedUnits)
        return false;
    // Room for exactly the UTF-16 text: a longer reading fails at once.
    wchar_t read[ComparedUnits];
    const int units = MultiByteToWideChar(CP_ACP, 0, ansi, ansiLength, read, wideLength);
    return units == wideLength && std::memcmp(read, wide, units * sizeof(wchar_t)) == 0;
}

NarrowString InAnsiCodePage(const WideString& text)
{
    NarrowString ansi;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.Text(), text.Length(), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return ansi;
    char* buffer = ansi.OpenBuffer(bytes);
    ansi.CloseBuffer(WideCharToMultiByte(CP_ACP, 0, text.Text(), text.Length(), buffer, bytes, nullptr, nullptr));
    return ansi;
}
