#include "recent/RecentList.h"

#include "plugin/RegistryKey.h"
#include "text/CompactPath.h"

namespace {

// The host stores paths, so a value holds at most a path buffer's worth.
constexpr int ValueBufferSize = 260;
constexpr int CompactPathBudget = 50;

// Reads the value "File<number>"; false when it ends the list.
bool ReadPathValue(HKEY key, int number, NarrowString& path)
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
    return status == ERROR_SUCCESS && type == REG_SZ;
}

RecentEntry MakeEntry(const NarrowString& fullPath)
{
    RecentEntry entry;
    entry.fullPath = fullPath;
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
        for (int number = 1; ReadPathValue(key.Get(), number, fullPath); ++number)
            list.push_back(MakeEntry(fullPath));
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
