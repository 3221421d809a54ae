// Makes the sample profile's files, folders, registry values and host documents.
#include "bench/Profile.h"

#include <cstdio>
#include <iterator>
#include <vector>

#include "host/FileTree.h"
#include "plugin/HostSettings.h"

namespace {

// The host's access-key mode in every profile: letters past the tenth item.
constexpr DWORD ExtraShortCutMode = 2;

// Whether the ANSI code page has every character of text.
bool Spells(const std::wstring& text)
{
    BOOL lossy = FALSE;
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0, nullptr, &lossy) > 0 &&
           !lossy;
}

// text in the ANSI code page, as the host hands a document's path over: a
// character that the code page lacks becomes '?' or a look-alike.
std::string ToAnsi(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string ansi(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), size, nullptr, nullptr);
    ansi.resize(static_cast<size_t>(size) - 1);
    return ansi;
}

// Names outside ASCII, and the folder that the eight places lie in.
struct LocalNames {
    std::wstring top; // empty, or a backslash and the folder's name
    std::wstring folder;
    std::wstring file;
};

// Spelled: Japanese where the code page has it (表 ends in a trail byte of
// 0x5C in code page 932), Western European otherwise, ASCII where it has
// neither. Unspellable: Korean.
LocalNames PickLocalNames(ProfileNames names)
{
    if (names == ProfileNames::Unspellable)
        return {L"\\\uc790\ub8cc", L"\ubb38\uc11c\\\ubcf4\uace0\uc11c", L"\ud68c\uc758\ub85d"}; // 자료, 문서\보고서, 회의록
    const LocalNames japanese = {L"", L"\u8868\u8a08\u7b97\\\u65e5\u672c\u8a9e", L"\u5831\u544a\u66f8"}; // 表計算\日本語, 報告書
    const LocalNames western = {L"", L"\u00dcbersicht\\Entw\u00fcrfe", L"R\u00e9sum\u00e9"}; // Übersicht\Entwürfe, Résumé
    for (const LocalNames& local : {japanese, western})
        if (Spells(local.folder + local.file))
            return local;
    return {L"", L"overview\\drafts", L"summary"};
}

// Made by their UTF-16 names, which the ANSI code page may not spell.
void MakeFolders(const std::wstring& path)
{
    for (size_t slash = path.find(L'\\', 3); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1))
        CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
}

void MakeFile(const std::wstring& path)
{
    MakeFolders(path.substr(0, path.find_last_of(L'\\')));
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

// The list as the host writes it, in UTF-16.
void WriteList(RegistrySandbox& registry, const char* key, const std::vector<std::wstring>& paths)
{
    registry.CreateKey(key);
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) {
        std::printf("cannot open %s\n", key);
        return;
    }
    for (size_t n = 0; n < paths.size(); ++n) {
        const std::wstring name = L"File" + std::to_wstring(n + 1);
        if (RegSetValueExW(opened, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(paths[n].c_str()),
                           static_cast<DWORD>((paths[n].size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
            std::printf("cannot write %s\\File%d\n", key, static_cast<int>(n + 1));
    }
    RegCloseKey(opened);
}

} // namespace

Profile::Profile(int size, ProfileNames names, RegistrySandbox& registry, HostEditor& host)
{
    root_ = "C:\\velandor-bench-" + std::to_string(GetCurrentProcessId());
    RemoveTree(root_);
    const LocalNames local = PickLocalNames(names);
    const std::wstring base = std::wstring(root_.begin(), root_.end()) + local.top; // the root is ASCII
    const std::wstring places[] = {
        L"Documents\\reports",
        L"src\\velandor\\menu",
        L"projects\\alpha",
        local.folder,
        L"projects\\beta\\docs\\2024",
        L"notes",
        L"archive\\2023\\quarterly-reports\\customer-meetings",
        L"web\\assets\\css",
    };
    const wchar_t* const sharedNames[] = {L"readme", L"main", L"index", L"notes", L"build", L"settings"};
    const wchar_t* const extensions[] = {L".txt", L".cpp", L".html", L".md", L".log", L".ini"};
    const int placeCount = static_cast<int>(std::size(places));
    std::vector<std::wstring> files;
    std::vector<std::wstring> folders;
    host.documents.clear();
    for (int i = 0; i < size; ++i) {
        const std::wstring place = base + L"\\" + places[i % placeCount];
        std::wstring name;
        if (i % 2 == 0) {
            const int shared = (i / 2) % 6;
            name = sharedNames[shared] + (i >= 24 ? L"-" + std::to_wstring(i / 24) : std::wstring()) +
                   extensions[shared];
        } else if (i % 4 == 1) {
            name = L"minutes-" + std::to_wstring(i) + L".txt";
        } else {
            name = local.file + std::to_wstring(i) + L".txt";
        }
        const std::wstring file = place + L"\\" + name;
        const bool fileExists = i % 3 != 2;
        if (fileExists)
            MakeFile(file);
        else
            MakeFolders(place);
        files.push_back(file);
        if (i % 4 == 0 && fileExists)
            host.documents.push_back(ToAnsi(file));

        const std::wstring folder = place + L"\\" + (i % 2 ? L"output-" : L"build ") + std::to_wstring(i);
        if (i % 4 != 3)
            MakeFolders(folder);
        folders.push_back(folder);
    }
    host.documents.push_back(ToAnsi(base + L"\\scratch.txt")); // open, but not a recent file

    WriteList(registry, RecentFileListKey, files);
    WriteList(registry, RecentFolderListKey, folders);
    registry.SetDword(CommonSettingsKey, "ExtraShortCut", ExtraShortCutMode);
    registry.SetDword(CommonSettingsKey, "StripCurPath", 1);

    host.activePath = ToAnsi(files[4]);
    wchar_t saved[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, saved);
    savedDirectory_ = saved;
    SetCurrentDirectoryW((base + L"\\" + places[0]).c_str());
}

Profile::~Profile()
{
    SetCurrentDirectoryW(savedDirectory_.c_str());
    RemoveTree(root_);
}
