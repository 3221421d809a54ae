#include "plugin/Module.h"

#include "text/WideString.h"

HINSTANCE ModuleInstance = nullptr;

namespace {

// Longer than any of the plug-in's texts.
constexpr int ResourceBufferSize = 256;

} // namespace

int UnspellableResourceText(UINT id, const wchar_t*& text)
{
    char ansi[ResourceBufferSize];
    const int ansiLength = LoadStringA(ModuleInstance, id, ansi, ResourceBufferSize);
    // A buffer size of 0 asks for the module's own copy.
    const int length = LoadStringW(ModuleInstance, id, reinterpret_cast<LPWSTR>(&text), 0);
    return SpellsExactly(ansi, ansiLength, text, length) ? 0 : length;
}
