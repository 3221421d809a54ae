#include "recent/RecentList.h"

#include "plugin/RegistryKey.h"
#include "text/CompactPath.h"

namespace {

// The host stores paths, so a value holds at most a path buffer's worth.
constexpr int ValueBufferSize = 260;

// The stored text must fit a path buffer with its terminator, as the ANSI
// text does; a longer one is not a path the rest of the plug-in handles.
constexpr size_t StoredPathLimit = ValueBufferSize - 1;

// The value's text as the host stored it, read through the same open key;
// empty when it cannot be read whole or does not fit a path buffer.
WideString ReadStoredPath(HKEY key, const NarrowString& valueName)
{
    wchar_t name[16]; // "File" and a number of at most ten digits
    int length = 0;
    for (; valueName.Text()[length]; ++length)
        name[length] = static_cast<unsigned char>(valueName.Text()[length]);
    name[length] = 0;
    wchar_t text[ValueBufferSize + 1];
    DWORD type = REG_NONE;
    DWORD size = ValueBufferSize * sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    // The data need not end in a terminator.
    text[size / sizeof(wchar_t)] = 0;
    const auto characters = static_cast<size_t>(lstrlenW(text));
    if (characters > StoredPathLimit)
        return {};
    return WideString(text, characters);
}

// Reads the value "File<number>"; false when it ends the list.
bool ReadPathValue(HKEY key, int number, NarrowString& path, WideString& storedPath)
{
    NarrowString valueName;
    valueName.FormatText("File%d", number);
    // A fresh buffer for every value: a value without data writes nothing
    // and must read as empty, not as the previous path.
    NarrowString text;
    char* buffer = text.OpenBuffer(ValueBufferSize);
    DWORD type = REG_NONE;
    DWORD size = ValueBufferSize;
    const LONG status =
        RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    // Data that fill the buffer, or a failed query, leave no terminator.
    buffer[ValueBufferSize] = 0;
    text.CloseBuffer(-1);
    path = text;
    if ((status != ERROR_SUCCESS && status != ERROR_MORE_DATA) || type != REG_SZ)
        return false;
    storedPath = ReadStoredPath(key, valueName);
    if (status == ERROR_SUCCESS)
        return true;
    // A path of 259 characters takes up to twice as many bytes in a
    // double-byte code page, and four times as many in UTF-8.
    if (storedPath.IsEmpty())
        return false;
    path = InAnsiCodePage(storedPath);
    return true;
}

RecentEntry MakeEntry(const NarrowString& fullPath, const WideString& storedPath)
{
    RecentEntry entry;
    entry.fullPath = fullPath;
    entry.storedPath = storedPath;
    entry.fullPathExact = !storedPath.IsEmpty() &&
                          SpellsExactly(fullPath, fullPath.Length(), storedPath.Text(), storedPath.Length());
    entry.compactPath = CompactPath(fullPath, CompactPathBudget);
    const int lastBackslash = fullPath.ReverseFindChar('\\');
    if (lastBackslash >= 0) {
        entry.directory = fullPath.Prefix(lastBackslash);
        entry.fileName = fullPath.Substring(lastBackslash + 1);
    }
    return entry;
}

} // namespace

void ReadRecentList(RecentList& list, const char* keyPath)
{
    // The key is closed before the pass, which needs no registry.
    {
        RegistryKey key;
        if (!key.OpenForReading(keyPath))
            return;
        NarrowString fullPath;
        WideString storedPath;
        for (int number = 1; ReadPathValue(key.Get(), number, fullPath, storedPath); ++number)
            list.push_back(MakeEntry(fullPath, storedPath));
    }
    MarkNonUniqueNames(list);
}

void MarkNonUniqueNames(RecentList& list)
{
    for (RecentEntry& first : list) {
        for (RecentEntry& second : list) {
            if (first.fileName == second.fileName && first.fullPath != second.fullPath) {
                first.nameUnique = false;
                second.nameUnique = false;
            }
        }
    }
}
