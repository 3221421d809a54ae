// Plans the bare calls of a run from what the command built, and makes them.
#include "bench/BareCalls.h"

#include <algorithm>
#include <cstddef>

#include "bench/Clock.h"
#include "host/PopupDriver.h"
#include "menu/RecentMenu.h"
#include "plugin/HostSettings.h"
#include "plugin/Module.h"
#include "text/TextUnits.h"

namespace {

// The host's information message and the codes the command asks it with.
constexpr UINT InformationMessage = 2106; // 0x83A
constexpr WORD DocumentCountCode = 301;   // 0x12D
constexpr WORD DocumentPathCode = 278;    // 0x116
// The folder label's strings, the command's choice between them.
constexpr UINT PlainFolderLabelId = 7;
constexpr UINT LetteredFolderLabelId = 6;
constexpr int LabelBufferSize = 256;
// The room the command gives an access-key prefix in UTF-16.
constexpr int PrefixUnits = 3;
// The largest room of a widening: an ANSI path and its terminator.
constexpr int WideningRoom = MAX_PATH + 1;

// Copies of text that live as long as calls.
const char* Keep(BareCalls& calls, const char* text)
{
    return calls.texts.emplace_back(text).c_str();
}

const wchar_t* Keep(BareCalls& calls, const std::wstring& text)
{
    return calls.wideTexts.emplace_back(text).c_str();
}

// The reading back of an ANSI text against its UTF-16 one, which
// SpellsExactly makes only when both have text and the UTF-16 one fits a
// path buffer.
void PlanExactnessRead(BareCalls& calls, const char* ansi, int ansiLength, int wideLength)
{
    if (ansiLength != 0 && wideLength != 0 && wideLength <= MAX_PATH)
        calls.widenings.push_back({Keep(calls, ansi), ansiLength, wideLength});
}

// The device of a path's drive letter, asked once per drive.
template <class Unit>
void PlanDrive(BareCalls& calls, const Unit* path)
{
    const auto letter = static_cast<wchar_t>(path[0] & ~' ');
    if (letter < L'A' || letter > L'Z' || path[1] != ':')
        return;
    const std::wstring drive = {letter, L':'};
    if (std::find(calls.drives.begin(), calls.drives.end(), drive) == calls.drives.end())
        calls.drives.push_back(drive);
}

// Each entry's exactness, place and probe: an entry without a stored text is
// probed by its ANSI path, which is widened first to find its drive.
void PlanProbes(BareCalls& calls, const RecentList& list)
{
    for (const RecentEntry& entry : list) {
        if (entry.storedPath.IsEmpty()) {
            calls.widenings.push_back({Keep(calls, entry.fullPath), -1, WideningRoom});
            PlanDrive(calls, entry.fullPath.Text());
            calls.paths.emplace_back(entry.fullPath.Text());
            continue;
        }
        PlanExactnessRead(calls, entry.fullPath, entry.fullPath.Length(), entry.storedPath.Length());
        PlanDrive(calls, entry.storedPath.Text());
        calls.widePaths.emplace_back(entry.storedPath.Text());
    }
}

// The access-key prefix of each label in UTF-16, which the command widens
// from the ANSI label.
void PlanPrefixes(BareCalls& calls, const RecentList& list, int mode)
{
    int position = 0;
    for (const RecentEntry& entry : list) {
        const int prefixLength = BuildMnemonicPrefix(position++, mode).Length();
        if (LabelledFromStoredText(entry) && prefixLength > 0)
            calls.widenings.push_back({Keep(calls, entry.menuText), prefixLength, PrefixUnits});
    }
}

// The folder label's resource, loaded in both encodings and read back, and
// whether the item shows its UTF-16 text, after the widened prefix when it
// continues the file items' letters.
bool PlanFolderLabel(BareCalls& calls, const RecentMenus& menus, int mode)
{
    const bool lettered = mode == 2 && menus.files.size() > 9;
    calls.labelId = lettered ? LetteredFolderLabelId : PlainFolderLabelId;
    char ansi[LabelBufferSize];
    const int ansiLength = LoadStringA(ModuleInstance, calls.labelId, ansi, LabelBufferSize);
    const wchar_t* wide = nullptr;
    const int wideLength = LoadStringW(ModuleInstance, calls.labelId, reinterpret_cast<LPWSTR>(&wide), 0);
    PlanExactnessRead(calls, ansi, ansiLength, wideLength);
    if (UnspellableResourceText(calls.labelId, wide) == 0)
        return false;
    const NarrowString prefix =
        lettered ? BuildMnemonicPrefix(static_cast<int>(menus.files.size()), mode) : NarrowString();
    if (prefix.Length() > 0)
        calls.widenings.push_back({Keep(calls, prefix), prefix.Length(), PrefixUnits});
    return true;
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

// An item with the kind, state and id that the menu reports, and text; a
// separator has none. The structure goes without its final hbmpItem, as
// the command's does: the 44-byte form on 32 bits, the same cut on 64.
template <class ItemInfo, class Unit>
ItemInfo PlanItem(const MenuItemView& view, const Unit* text)
{
    ItemInfo item = {};
    item.cbSize = offsetof(ItemInfo, hbmpItem);
    item.fMask = MIIM_TYPE;
    item.fType = view.type;
    if (text != nullptr) {
        item.fMask |= MIIM_STATE | (view.submenu ? MIIM_SUBMENU : MIIM_ID);
        item.fState = view.state;
        item.wID = view.id;
        item.dwTypeData = const_cast<Unit*>(text);
        item.cch = static_cast<UINT>(TextLength(text));
    }
    return item;
}

// The items of menu as the command inserted them, the entries' and then
// the folder label's: in ANSI with the command's own texts, or, for an
// entry labelled from its stored text and for a wideLabel, in UTF-16 with
// the text that the menu holds.
std::vector<PlannedItem> PlanItems(BareCalls& calls, HMENU menu, const RecentList& entries,
                                   const NarrowString& label, bool wideLabel)
{
    std::vector<PlannedItem> items;
    auto entry = entries.begin();
    for (const MenuItemView& view : ReadMenuItems(menu)) {
        if (view.type & MFT_SEPARATOR) {
            items.emplace_back(PlanItem<MENUITEMINFOA, char>(view, nullptr));
            continue;
        }
        const bool isEntry = entry != entries.end();
        const bool wide = isEntry ? LabelledFromStoredText(*entry) : wideLabel;
        const char* ansi = isEntry ? (entry++)->menuText.Text() : label.Text();
        if (wide)
            items.emplace_back(PlanItem<MENUITEMINFOW>(view, Keep(calls, view.wideText)));
        else
            items.emplace_back(PlanItem<MENUITEMINFOA>(view, Keep(calls, ansi)));
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

void Widen(const BareCalls& calls)
{
    wchar_t buffer[WideningRoom];
    for (const Widening& widening : calls.widenings)
        Sink = Sink + MultiByteToWideChar(CP_ACP, 0, widening.text, widening.length, buffer, widening.room);
}

void InsertAt(HMENU menu, UINT position, const MENUITEMINFOA& item)
{
    InsertMenuItemA(menu, position, TRUE, &item);
}

void InsertAt(HMENU menu, UINT position, const MENUITEMINFOW& item)
{
    InsertMenuItemW(menu, position, TRUE, &item);
}

void InsertItems(HMENU menu, const std::vector<PlannedItem>& items, HMENU submenu)
{
    UINT position = 0;
    for (PlannedItem item : items) {
        std::visit(
            [&](auto& info) {
                info.hSubMenu = submenu; // read only where the item's mask says so
                InsertAt(menu, position++, info);
            },
            item);
    }
}

void MakeMenus(const BareCalls& calls)
{
    const HMENU mainMenu = CreatePopupMenu();
    const HMENU folderMenu = CreatePopupMenu();
    InsertItems(mainMenu, calls.mainItems, folderMenu);
    InsertItems(folderMenu, calls.folderItems, nullptr);
    // The label, then its resource in both encodings for the check whether
    // the code page spells it.
    char label[LabelBufferSize];
    LoadStringA(ModuleInstance, calls.labelId, label, LabelBufferSize);
    LoadStringA(ModuleInstance, calls.labelId, label, LabelBufferSize);
    const wchar_t* wideLabel = nullptr;
    LoadStringW(ModuleInstance, calls.labelId, reinterpret_cast<LPWSTR>(&wideLabel), 0);
    DestroyMenu(folderMenu);
    DestroyMenu(mainMenu);
}

} // namespace

bool LabelledFromStoredText(const RecentEntry& entry)
{
    return !entry.storedPath.IsEmpty() && !entry.fullPathExact;
}

void PlanBareCalls(BareCalls& calls, HWND hwnd, const RecentMenus& menus)
{
    calls.hwnd = hwnd;
    calls.documents = SendMessageA(hwnd, InformationMessage, DocumentCountCode, 0);
    calls.fileValueNames = ValueNames(menus.files.size());
    calls.folderValueNames = ValueNames(menus.folders.size());
    calls.fileWideNames = WideValueNames(menus.files.size());
    calls.folderWideNames = WideValueNames(menus.folders.size());
    PlanProbes(calls, menus.files);
    PlanProbes(calls, menus.folders);
    PlanUniqueness(calls, menus.files);
    PlanUniqueness(calls, menus.folders);
    PlanFill(calls, menus);
    const int mode = ReadExtraShortCut();
    PlanPrefixes(calls, menus.files, mode);
    PlanPrefixes(calls, menus.folders, mode);
    const bool wideLabel = PlanFolderLabel(calls, menus, mode);
    calls.mainItems = PlanItems(calls, menus.mainMenu.Handle(), menus.files, menus.folderLabel, wideLabel);
    calls.folderItems = PlanItems(calls, menus.folderMenu.Handle(), menus.folders, menus.folderLabel, wideLabel);
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
    Widen(calls);
    MakeMenus(calls);
}
