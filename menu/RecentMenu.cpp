#include "menu/RecentMenu.h"

#include "plugin/HostSettings.h"

namespace {

bool Contains(const PathList& paths, const NarrowString& path)
{
    for (const NarrowString& candidate : paths)
        if (candidate == path)
            return true;
    return false;
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
        AppendDisplayText(entry.menuText, nameOnly ? entry.fileName : entry.compactPath);
        const bool active = activePath == entry.fullPath;
        builder.AppendItem(baseId + static_cast<UINT>(position), entry.menuText, entry.missing, open || active,
                           active);
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
    if (mode == 2 && fileCount > 9) {
        text.LoadFromResource(letteredId);
        return Concat(BuildMnemonicPrefix(fileCount, mode), text);
    }
    text.LoadFromResource(plainId);
    return text;
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
    char* out = label.OpenBuffer(start + 2 * text.Length()) + start;
    for (const char* c = text; *c;) {
        const char* next = CharNextA(c);
        if (*c == '&')
            *out++ = '&';
        while (c != next)
            *out++ = *c++;
    }
    *out = '\0';
    label.CloseBuffer();
}
