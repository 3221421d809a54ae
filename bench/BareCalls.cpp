// Plans the bare calls of a run from what the command built, and makes them.
#include "bench/BareCalls.h"

#include <algorithm>
#include <cstddef>

#include "bench/Clock.h"
#include "host/PopupDriver.h"
#include "menu/RecentMenu.h"
#include "plugin/HostSettings.h"
#include "plugin/Module.h"

namespace {

// The host's information message and the codes the command asks it with.
constexpr UINT InformationMessage = 2106; // 0x83A
constexpr WORD DocumentCountCode = 301;   // 0x12D
constexpr WORD DocumentPathCode = 278;    // 0x116
// The folder label's strings, the command's choice between them.
constexpr UINT PlainFolderLabelId = 7;
constexpr UINT LetteredFolderLabelId = 6;
constexpr int LabelBufferSize = 256;
// The 44-byte form on 32 bits; the same cut on 64.
constexpr UINT ShortItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);

// A copy of text that lives as long as calls.
const char* Keep(BareCalls& calls, const char* text)
{
    return calls.texts.emplace_back(text).c_str();
}

// File1 .. File(entries + 1): the list's values and the missing one after.
std::vector<std::string> ValueNames(size_t entries)
{
    std::vector<std::string> names;
    for (size_t n = 1; n <= entries + 1; ++n)
        names.push_back("File" + std::to_string(n));
    return names;
}

// File1 .. File(entries), as the stored texts are read.
std::vector<std::wstring> WideValueNames(size_t entries)
{
    std::vector<std::wstring> names;
    for (size_t n = 1; n <= entries; ++n)
        names.push_back(L"File" + std::to_wstring(n));
    return names;
}

// Every ordered pair of names in the list, and the paths of every pair of
// equal names.
void PlanUniqueness(BareCalls& calls, const RecentList& list)
{
    std::vector<std::pair<const char*, const char*>> entries; // name and path
    for (const RecentEntry& entry : list)
        entries.emplace_back(Keep(calls, entry.fileName), Keep(calls, entry.fullPath));
    for (const auto& [name, path] : entries) {
        for (const auto& [otherName, otherPath] : entries) {
            calls.comparisons.emplace_back(name, otherName);
            if (lstrcmpA(name, otherName) == 0)
                calls.comparisons.emplace_back(path, otherPath);
        }
    }
}

// For each file, the open documents up to the first equal one, its
// directory against the current directory when StripCurPath is on and the
// file is not already shown by name for being open under a unique name, and
// the active document; for each folder, the active document.
void PlanFill(BareCalls& calls, const RecentMenus& menus)
{
    const bool stripCurPath = ReadStripCurPath();
    const char* currentDirectory = Keep(calls, QueryCurrentDirectory());
    const char* active = Keep(calls, menus.activePath);
    std::vector<const char*> documents;
    for (const NarrowString& document : menus.openDocuments)
        documents.push_back(Keep(calls, document));
    for (const RecentEntry& file : menus.files) {
        const char* path = Keep(calls, file.fullPath);
        bool open = false;
        for (const char* document : documents) {
            calls.comparisons.emplace_back(document, path);
            open = lstrcmpA(document, path) == 0;
            if (open)
                break;
        }
        if (stripCurPath && !(open && file.nameUnique))
            calls.comparisons.emplace_back(Keep(calls, file.directory), currentDirectory);
        calls.comparisons.emplace_back(active, path);
    }
    for (const RecentEntry& folder : menus.folders)
        calls.comparisons.emplace_back(active, Keep(calls, folder.fullPath));
}

// The items of menu as the command inserted them: the kind, state and id
// that the menu reports, with the command's own texts, the entries' labels
// and then the folder label.
std::vector<MENUITEMINFOA> PlanItems(BareCalls& calls, HMENU menu, const RecentList& entries,
                                     const NarrowString& label)
{
    std::vector<MENUITEMINFOA> items;
    auto entry = entries.begin();
    for (const MenuItemView& view : ReadMenuItems(menu)) {
        MENUITEMINFOA item = {};
        item.cbSize = ShortItemInfoSize;
        item.fMask = MIIM_TYPE;
        item.fType = view.type;
        if ((view.type & MFT_SEPARATOR) == 0) {
            const char* text = Keep(calls, entry != entries.end() ? (entry++)->menuText : label);
            item.fMask |= MIIM_STATE | (view.submenu ? MIIM_SUBMENU : MIIM_ID);
            item.fState = view.state;
            item.wID = view.id;
            item.dwTypeData = const_cast<char*>(text);
            item.cch = static_cast<UINT>(lstrlenA(text));
        }
        items.push_back(item);
    }
    return items;
}

void AskDocuments(const BareCalls& calls)
{
    char buffer[MAX_PATH + 1];
    SendMessageA(calls.hwnd, InformationMessage, DocumentCountCode, 0);
    for (LRESULT k = 1; k <= calls.documents; ++k)
        SendMessageA(calls.hwnd, InformationMessage, MAKEWPARAM(DocumentPathCode, k),
                     reinterpret_cast<LPARAM>(buffer));
    SendMessageA(calls.hwnd, InformationMessage, DocumentPathCode, reinterpret_cast<LPARAM>(buffer));
}

void ReadListValues(const char* keyPath, const std::vector<std::string>& names,
                    const std::vector<std::wstring>& wideNames)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    char buffer[MAX_PATH + 1];
    for (const std::string& name : names) {
        DWORD type = 0;
        DWORD size = MAX_PATH;
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    }
    wchar_t wideBuffer[MAX_PATH + 1];
    for (const std::wstring& name : wideNames) {
        DWORD type = 0;
        DWORD size = MAX_PATH * sizeof(wchar_t);
        RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(wideBuffer), &size);
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
    Sink = Sink + data;
}

void ProbeAndCompare(const BareCalls& calls)
{
    char buffer[MAX_PATH + 1];
    GetCurrentDirectoryA(MAX_PATH, buffer);
    GetCurrentDirectoryA(MAX_PATH, buffer);
    wchar_t device[MAX_PATH];
    for (const std::wstring& drive : calls.drives)
        Sink = Sink + QueryDosDeviceW(drive.c_str(), device, MAX_PATH);
    for (const std::wstring& path : calls.widePaths)
        Sink = Sink + GetFileAttributesW(path.c_str());
    for (const std::string& path : calls.paths)
        Sink = Sink + GetFileAttributesA(path.c_str());
    int sum = 0;
    for (const auto& [first, second] : calls.comparisons)
        sum += lstrcmpA(first, second);
    Sink = Sink + static_cast<size_t>(sum);
}

void InsertItems(HMENU menu, const std::vector<MENUITEMINFOA>& items, HMENU submenu)
{
    UINT position = 0;
    for (MENUITEMINFOA item : items) {
        item.hSubMenu = submenu; // read only where the item's mask says so
        InsertMenuItemA(menu, position++, TRUE, &item);
    }
}

void MakeMenus(const BareCalls& calls)
{
    const HMENU mainMenu = CreatePopupMenu();
    const HMENU folderMenu = CreatePopupMenu();
    InsertItems(mainMenu, calls.mainItems, folderMenu);
    InsertItems(folderMenu, calls.folderItems, nullptr);
    char label[LabelBufferSize];
    LoadStringA(ModuleInstance, calls.labelId, label, LabelBufferSize);
    DestroyMenu(folderMenu);
    DestroyMenu(mainMenu);
}

} // namespace

void PlanBareCalls(BareCalls& calls, HWND hwnd, const RecentMenus& menus)
{
    calls.hwnd = hwnd;
    calls.documents = SendMessageA(hwnd, InformationMessage, DocumentCountCode, 0);
    calls.fileValueNames = ValueNames(menus.files.size());
    calls.folderValueNames = ValueNames(menus.folders.size());
    calls.fileWideNames = WideValueNames(menus.files.size());
    calls.folderWideNames = WideValueNames(menus.folders.size());
    for (const RecentList* list : {&menus.files, &menus.folders}) {
        for (const RecentEntry& entry : *list) {
            if (entry.storedPath.IsEmpty()) {
                calls.paths.emplace_back(entry.fullPath.Text());
                continue;
            }
            const std::wstring path = entry.storedPath.Text();
            calls.widePaths.push_back(path);
            if (path.size() > 1 && path[1] == L':') {
                const std::wstring drive = {static_cast<wchar_t>(path[0] & ~L' '), L':'};
                if (std::find(calls.drives.begin(), calls.drives.end(), drive) == calls.drives.end())
                    calls.drives.push_back(drive);
            }
        }
    }
    PlanUniqueness(calls, menus.files);
    PlanUniqueness(calls, menus.folders);
    PlanFill(calls, menus);
    calls.mainItems = PlanItems(calls, menus.mainMenu.Handle(), menus.files, menus.folderLabel);
    calls.folderItems = PlanItems(calls, menus.folderMenu.Handle(), menus.folders, menus.folderLabel);
    const bool lettered = ReadExtraShortCut() == 2 && menus.files.size() > 9;
    calls.labelId = lettered ? LetteredFolderLabelId : PlainFolderLabelId;
}

void RunBareCalls(const BareCalls& calls)
{
    AskDocuments(calls);
    ReadListValues(RecentFileListKey, calls.fileValueNames, calls.fileWideNames);
    ReadListValues(RecentFolderListKey, calls.folderValueNames, calls.folderWideNames);
    ReadSetting("ExtraShortCut");
    ReadSetting("StripCurPath");
    ReadSetting("StripCurPath");
    ProbeAndCompare(calls);
    MakeMenus(calls);
}
