// Plans the bare calls of a run from what the command built, and makes them.
#include "bench/BareCalls.h"

#include "menu/RecentMenu.h"
#include "plugin/HostSettings.h"
#include "plugin/Module.h"

const char* const BareSegmentNames[BareSegmentCount] = {
    "SendMessageA 2106",
    "registry, both lists: open, query, close",
    "lstrcmpA, uniqueness passes",
    "CreatePopupMenu",
    "registry, ExtraShortCut: open, query, close",
    "registry, StripCurPath x2: open, query, close",
    "GetCurrentDirectoryA",
    "GetFileAttributesA",
    "lstrcmpA, open / directory / active",
    "InsertMenuItemA",
    "LoadStringA",
    "DestroyMenu",
};

const BareSegment FirstSegmentOfStep[CommandStepCount + 1] = {
    MessagesSegment,     ListValuesSegment, CreateMenusSegment, ExtraShortCutSegment, StripCurPathSegment,
    DestroyMenusSegment, BareSegmentCount,
};

namespace {

// The folder label's strings, the command's choice between them.
constexpr UINT PlainFolderLabelId = 7;
constexpr UINT LetteredFolderLabelId = 6;
constexpr int LabelBufferSize = 256;
// The 44-byte form on 32 bits; the same cut on 64.
constexpr UINT ShortItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);

void ReadListValues(const char* keyPath, const std::vector<std::string>& names, char* buffer)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    for (const std::string& name : names) {
        DWORD type = 0;
        DWORD size = MAX_PATH;
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    }
    RegCloseKey(key);
}

void ReadSetting(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, CommonSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    Sink = Sink + static_cast<LONG_PTR>(data);
}

void CompareRange(const std::vector<TextPair>& pairs, size_t first, size_t end)
{
    LONG_PTR sum = 0;
    for (size_t n = first; n < end; ++n)
        sum += lstrcmpA(pairs[n].first, pairs[n].second);
    Sink = Sink + sum;
}

// The comparisons the rules require, on copies of the texts the plug-in
// compares: every ordered pair of names in each list and the paths of every
// pair of equal names; for each file, the open documents up to the first
// equal one, its directory against the current directory when StripCurPath
// is on and the file is not already shown by name for being open under a
// unique name, and the active document; for each folder, the active document.
void PlanComparisons(BareCalls& calls, const CommandCapture& capture, bool stripCurPath,
                     const NarrowString& currentDirectory)
{
    // All copies are made before any pair points into them.
    for (const RecentEntry& entry : capture.files)
        calls.fileTexts.push_back({entry.fullPath.Text(), entry.directory.Text(), entry.fileName.Text()});
    for (const RecentEntry& entry : capture.folders)
        calls.folderTexts.push_back({entry.fullPath.Text(), entry.directory.Text(), entry.fileName.Text()});
    for (const NarrowString& document : capture.openDocuments)
        calls.documentTexts.emplace_back(document.Text());
    calls.activeText = capture.activePath.Text();
    calls.currentDirectoryText = currentDirectory.Text();

    for (const std::vector<EntryTexts>* list : {&calls.fileTexts, &calls.folderTexts}) {
        for (const EntryTexts& first : *list) {
            for (const EntryTexts& second : *list) {
                calls.uniquenessPairs.emplace_back(first.fileName.c_str(), second.fileName.c_str());
                if (lstrcmpA(first.fileName.c_str(), second.fileName.c_str()) == 0)
                    calls.uniquenessPairs.emplace_back(first.fullPath.c_str(), second.fullPath.c_str());
            }
        }
        if (list == &calls.fileTexts)
            calls.fileUniquenessPairs = calls.uniquenessPairs.size();
    }
    auto file = capture.files.begin();
    for (const EntryTexts& texts : calls.fileTexts) {
        bool open = false;
        for (const std::string& document : calls.documentTexts) {
            calls.fillPairs.emplace_back(document.c_str(), texts.fullPath.c_str());
            if (lstrcmpA(document.c_str(), texts.fullPath.c_str()) == 0) {
                open = true;
                break;
            }
        }
        if (!(open && file->nameUnique) && stripCurPath)
            calls.fillPairs.emplace_back(texts.directory.c_str(), calls.currentDirectoryText.c_str());
        calls.fillPairs.emplace_back(calls.activeText.c_str(), texts.fullPath.c_str());
        calls.fillPairsEnd.push_back(calls.fillPairs.size());
        ++file;
    }
    for (const EntryTexts& texts : calls.folderTexts) {
        calls.fillPairs.emplace_back(calls.activeText.c_str(), texts.fullPath.c_str());
        calls.fillPairsEnd.push_back(calls.fillPairs.size());
    }
}

MENUITEMINFOA ItemInfo(const MenuItemView& item, const std::string& text)
{
    MENUITEMINFOA info = {};
    info.cbSize = ShortItemInfoSize;
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE;
    info.fType = MFT_STRING;
    info.fState = item.state;
    info.wID = item.id;
    info.dwTypeData = const_cast<char*>(text.c_str());
    info.cch = static_cast<UINT>(text.size());
    return info;
}

// The items as the command inserted them: its texts (the menuText of each
// entry and the label, not the menu's read-back), states and ids.
void PlanMenus(BareCalls& calls, const CommandCapture& capture)
{
    for (const RecentList* list : {&capture.files, &capture.folders})
        for (const RecentEntry& entry : *list)
            calls.itemTexts.emplace_back(entry.menuText.Text());
    calls.itemTexts.emplace_back(capture.folderLabel.Text());
    const size_t fileCount = capture.files.size();
    for (size_t n = 0; n < fileCount; ++n)
        calls.fileItems.push_back(ItemInfo(capture.mainItems[n], calls.itemTexts[n]));
    for (size_t n = 0; n < capture.folders.size(); ++n)
        calls.folderItems.push_back(ItemInfo(capture.folderItems[n], calls.itemTexts[fileCount + n]));
    MENUITEMINFOA separator = {};
    separator.cbSize = ShortItemInfoSize;
    separator.fMask = MIIM_TYPE;
    separator.fType = MFT_SEPARATOR;
    calls.fileItems.push_back(separator);
    MENUITEMINFOA submenu = {};
    submenu.cbSize = ShortItemInfoSize;
    submenu.fMask = MIIM_STATE | MIIM_SUBMENU | MIIM_TYPE;
    submenu.fType = MFT_STRING;
    submenu.dwTypeData = const_cast<char*>(calls.itemTexts.back().c_str());
    submenu.cch = static_cast<UINT>(calls.itemTexts.back().size());
    calls.fileItems.push_back(submenu); // its submenu handle is set at each run
}

} // namespace

void CompareAll(const std::vector<TextPair>& pairs)
{
    CompareRange(pairs, 0, pairs.size());
}

template <typename Clock>
void RunBareCalls(const BareCalls& calls, Clock& clock)
{
    char buffer[MAX_PATH + 1];
    clock.Mark();
    SendMessageA(calls.hwnd, InformationMessage, DocumentCountCode, 0);
    for (int k = 0; k < calls.documents; ++k)
        SendMessageA(calls.hwnd, InformationMessage, MAKEWPARAM(DocumentPathCode, k + 1),
                     reinterpret_cast<LPARAM>(buffer));
    SendMessageA(calls.hwnd, InformationMessage, DocumentPathCode, reinterpret_cast<LPARAM>(buffer));
    clock.Mark();

    ReadListValues(RecentFileListKey, calls.fileValueNames, buffer);
    ReadListValues(RecentFolderListKey, calls.folderValueNames, buffer);
    clock.Mark();
    CompareAll(calls.uniquenessPairs);
    clock.Mark();

    const HMENU mainMenu = CreatePopupMenu();
    const HMENU folderMenu = CreatePopupMenu();
    clock.Mark();

    ReadSetting("ExtraShortCut");
    clock.Mark();

    ReadSetting("StripCurPath");
    ReadSetting("StripCurPath");
    clock.Mark();
    GetCurrentDirectoryA(MAX_PATH, buffer);
    GetCurrentDirectoryA(MAX_PATH, buffer);
    clock.Mark();
    for (const std::string& path : calls.paths)
        Sink = Sink + static_cast<LONG_PTR>(GetFileAttributesA(path.c_str()));
    clock.Mark();
    CompareAll(calls.fillPairs);
    clock.Mark();
    UINT position = 0;
    for (size_t n = 0; n + 1 < calls.fileItems.size(); ++n)
        InsertMenuItemA(mainMenu, position++, TRUE, &calls.fileItems[n]);
    for (size_t n = 0; n < calls.folderItems.size(); ++n)
        InsertMenuItemA(folderMenu, static_cast<UINT>(n), TRUE, &calls.folderItems[n]);
    MENUITEMINFOA submenu = calls.fileItems.back();
    submenu.hSubMenu = folderMenu;
    InsertMenuItemA(mainMenu, position, TRUE, &submenu);
    clock.Mark();
    char label[LabelBufferSize];
    LoadStringA(ModuleInstance, calls.labelId, label, LabelBufferSize);
    clock.Mark();

    DestroyMenu(folderMenu);
    DestroyMenu(mainMenu);
    clock.Mark();
}

template void RunBareCalls(const BareCalls& calls, NoStamps& clock);
template void RunBareCalls(const BareCalls& calls, BareStamps& clock);

void RunBareCallsInOrder(const BareCalls& calls)
{
    char buffer[MAX_PATH + 1];
    SendMessageA(calls.hwnd, InformationMessage, DocumentCountCode, 0);
    for (int k = 0; k < calls.documents; ++k)
        SendMessageA(calls.hwnd, InformationMessage, MAKEWPARAM(DocumentPathCode, k + 1),
                     reinterpret_cast<LPARAM>(buffer));
    SendMessageA(calls.hwnd, InformationMessage, DocumentPathCode, reinterpret_cast<LPARAM>(buffer));

    ReadListValues(RecentFileListKey, calls.fileValueNames, buffer);
    CompareRange(calls.uniquenessPairs, 0, calls.fileUniquenessPairs);
    ReadListValues(RecentFolderListKey, calls.folderValueNames, buffer);
    CompareRange(calls.uniquenessPairs, calls.fileUniquenessPairs, calls.uniquenessPairs.size());

    const HMENU mainMenu = CreatePopupMenu();
    const HMENU folderMenu = CreatePopupMenu();
    ReadSetting("ExtraShortCut");

    const size_t fileCount = calls.fileItems.size() - 2;
    size_t entry = 0;
    size_t pairsDone = 0;
    const auto fill = [&](HMENU menu, const std::vector<MENUITEMINFOA>& items, size_t count) {
        ReadSetting("StripCurPath");
        GetCurrentDirectoryA(MAX_PATH, buffer);
        for (size_t n = 0; n < count; ++n, ++entry) {
            Sink = Sink + static_cast<LONG_PTR>(GetFileAttributesA(calls.paths[entry].c_str()));
            CompareRange(calls.fillPairs, pairsDone, calls.fillPairsEnd[entry]);
            pairsDone = calls.fillPairsEnd[entry];
            InsertMenuItemA(menu, static_cast<UINT>(n), TRUE, &items[n]);
        }
    };
    fill(mainMenu, calls.fileItems, fileCount);
    InsertMenuItemA(mainMenu, static_cast<UINT>(fileCount), TRUE, &calls.fileItems[fileCount]);
    fill(folderMenu, calls.folderItems, calls.folderItems.size());
    char label[LabelBufferSize];
    LoadStringA(ModuleInstance, calls.labelId, label, LabelBufferSize);
    MENUITEMINFOA submenu = calls.fileItems.back();
    submenu.hSubMenu = folderMenu;
    InsertMenuItemA(mainMenu, static_cast<UINT>(fileCount + 1), TRUE, &submenu);

    DestroyMenu(folderMenu);
    DestroyMenu(mainMenu);
}

void PlanBareCalls(BareCalls& calls, HWND hwnd, const Profile& profile, const CommandCapture& capture)
{
    calls.hwnd = hwnd;
    calls.documents = profile.Documents();
    for (size_t n = 1; n <= capture.files.size() + 1; ++n)
        calls.fileValueNames.push_back("File" + std::to_string(n));
    for (size_t n = 1; n <= capture.folders.size() + 1; ++n)
        calls.folderValueNames.push_back("File" + std::to_string(n));
    for (const RecentList* list : {&capture.files, &capture.folders})
        for (const RecentEntry& entry : *list)
            calls.paths.emplace_back(entry.fullPath.Text());
    PlanComparisons(calls, capture, ReadStripCurPath(), QueryCurrentDirectory());
    PlanMenus(calls, capture);
    const int mode = ReadExtraShortCut();
    calls.labelId = mode == 2 && capture.files.size() > 9 ? LetteredFolderLabelId : PlainFolderLabelId;
}

CallCounts RequiredCalls(const BareCalls& calls)
{
    const long files = static_cast<long>(calls.fileValueNames.size()) - 1;
    const long folders = static_cast<long>(calls.folderValueNames.size()) - 1;
    CallCounts required;
    required.of[SendKind] = 1 + calls.documents + 1;
    required.of[RegOpenKind] = 2 + 3;
    required.of[RegQueryKind] = (files + 1) + (folders + 1) + 3;
    required.of[RegCloseKind] = 2 + 3;
    required.of[CurrentDirectoryKind] = 2;
    required.of[FileAttributesKind] = files + folders;
    required.of[CompareKind] = static_cast<long>(calls.uniquenessPairs.size() + calls.fillPairs.size());
    required.of[CreateMenuKind] = 2;
    required.of[InsertItemKind] = files + folders + 2;
    required.of[DestroyMenuKind] = 2;
    required.of[LoadStringKind] = 1;
    required.of[CharNextKind] = -1;
    required.of[StringLengthKind] = -1;
    required.of[LeadByteKind] = -1;
    required.of[MallocKind] = -1;
    return required;
}
