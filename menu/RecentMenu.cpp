#include "menu/RecentMenu.h"

#include <algorithm>

#include "plugin/HostSettings.h"
#include "plugin/Module.h"
#include "text/CompactPath.h"

namespace {

// An access-key prefix has at most three bytes, "&", a character and a
// blank, each of one UTF-16 unit.
constexpr int PrefixUnits = 3;

bool Contains(const PathList& paths, const NarrowString& path)
{
    for (const NarrowString& candidate : paths)
        if (candidate == path)
            return true;
    return false;
}

// The folder submenu's label continues the file items' letters.
bool ContinuesFileLetters(int mode, int fileCount)
{
    return mode == 2 && fileCount > 9;
}

// Writes the prefix of an ANSI label to out in UTF-16 and returns the end of
// what was written: read in the ANSI code page, it shows the same access key
// as the ANSI label would.
wchar_t* WidenPrefix(wchar_t* out, const char* label, int prefixLength)
{
    if (prefixLength > 0)
        out += MultiByteToWideChar(CP_ACP, 0, label, prefixLength, out, PrefixUnits);
    *out = 0;
    return out;
}

// The item of an entry whose ANSI text misspells its name: the prefix of its
// ANSI label, then the same display form made from the stored text, its file
// name or its compact path.
void AppendStoredItem(MenuBuilder& builder, UINT id, const RecentEntry& entry, int prefixLength, bool nameOnly,
                      bool checked, bool isDefault)
{
    const wchar_t* displayText = L"";
    wchar_t compactPath[CompactPathBudget + 1];
    if (nameOnly) {
        if (const wchar_t* backslash = ReverseFindChar(entry.storedPath.Text(), L'\\'))
            displayText = backslash + 1;
    } else if (CompactPath(compactPath, entry.storedPath.Text(), CompactPathBudget)) {
        displayText = compactPath;
    }
    wchar_t label[PrefixUnits + 2 * MAX_PATH + 1];
    CopyDoublingAmpersands(WidenPrefix(label, entry.menuText, prefixLength), displayText);
    builder.AppendItem(id, label, entry.missing, checked, isDefault);
}

} // namespace

int FillRecentMenu(MenuBuilder& builder, RecentList& entries, const PathList& openDocuments,
                   const NarrowString& activePath, bool allowNameOnly, int extraShortCut, UINT baseId)
{
    const bool stripCurPath = ReadStripCurPath();
    const NarrowString currentDirectory = QueryCurrentDirectory();
    int position = 0;
    for (RecentEntry& entry : entries) {
        const bool open = Contains(openDocuments, entry.fullPath);
        const bool nameOnly =
            allowNameOnly && ((open && entry.nameUnique) || (stripCurPath && entry.directory == currentDirectory));
        entry.menuText = BuildMnemonicPrefix(position, extraShortCut);
        const int prefixLength = entry.menuText.Length();
        AppendDisplayText(entry.menuText, nameOnly ? entry.fileName : entry.compactPath);
        const bool active = activePath == entry.fullPath;
        const UINT id = baseId + static_cast<UINT>(position);
        if (entry.fullPathExact || entry.storedPath.IsEmpty())
            builder.AppendItem(id, entry.menuText, entry.missing, open || active, active);
        else
            AppendStoredItem(builder, id, entry, prefixLength, nameOnly, open || active, active);
        ++position;
    }
    return position;
}

NarrowString BuildMnemonicPrefix(int position, int mode)
{
    NarrowString prefix;
    if (position < 9)
        prefix.FormatText("&%1d ", position + 1);
    else if (position == 9 || mode == 1)
        prefix = "&0 ";
    else if (mode == 2)
        prefix.FormatText("&%c ", position + 55); // 'A' at position 10
    return prefix;
}

NarrowString BuildFolderMenuLabel(UINT plainId, UINT letteredId, int mode, int fileCount)
{
    NarrowString text;
    if (ContinuesFileLetters(mode, fileCount)) {
        text.LoadFromResource(letteredId);
        return Concat(BuildMnemonicPrefix(fileCount, mode), text);
    }
    text.LoadFromResource(plainId);
    return text;
}

void AppendFolderSubmenu(MenuBuilder& builder, HMENU folderMenu, const NarrowString& label, UINT plainId,
                         UINT letteredId, int mode, int fileCount)
{
    const bool lettered = ContinuesFileLetters(mode, fileCount);
    const wchar_t* stored = nullptr;
    const int storedLength = UnspellableResourceText(lettered ? letteredId : plainId, stored);
    if (storedLength == 0) {
        builder.AppendSubmenu(label, folderMenu);
        return;
    }
    constexpr int TextUnits = 255;
    wchar_t wideLabel[PrefixUnits + TextUnits + 1];
    const NarrowString prefix = lettered ? BuildMnemonicPrefix(fileCount, mode) : NarrowString();
    wchar_t* text = WidenPrefix(wideLabel, prefix, prefix.Length());
    const int units = storedLength < TextUnits ? storedLength : TextUnits;
    std::copy(stored, stored + units, text);
    text[units] = 0;
    builder.AppendSubmenu(wideLabel, folderMenu);
}

NarrowString QueryCurrentDirectory()
{
    NarrowString directory;
    if (GetCurrentDirectoryA(MAX_PATH, directory.OpenBuffer(MAX_PATH)) > MAX_PATH)
        return NarrowString();
    directory.CloseBuffer();
    return directory;
}

void AppendDisplayText(NarrowString& label, const NarrowString& text)
{
    if (text.IsEmpty())
        return;
    const int start = label.Length();
    CopyDoublingAmpersands(label.OpenBuffer(start + 2 * text.Length()) + start, text.Text());
    label.CloseBuffer();
}
