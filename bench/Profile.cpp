// Makes the sample profile's files, folders, registry values and host documents.
#include "bench/Profile.h"

#include <iterator>
#include <vector>

#include "host/FileTree.h"
#include "plugin/HostSettings.h"

namespace {

// The host's access-key mode in every profile: letters past the tenth item.
constexpr DWORD ExtraShortCutMode = 2;

// Text in the ANSI code page; empty when the code page lacks a character.
std::string ToAnsi(const wchar_t* text)
{
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy)
        return {};
    std::string ansi(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, ansi.data(), size, nullptr, nullptr);
    ansi.resize(static_cast<size_t>(size) - 1);
    return ansi;
}

// Names outside ASCII: Japanese where the code page has them (表 ends in a
// trail byte of 0x5C in code page 932), Western European otherwise.
struct LocalNames {
    std::string folder;
    std::string file;
};

LocalNames PickLocalNames()
{
    const std::string japaneseFolder = ToAnsi(L"\u8868\u8a08\u7b97\\\u65e5\u672c\u8a9e"); // 表計算\日本語
    if (!japaneseFolder.empty())
        return {japaneseFolder, ToAnsi(L"\u5831\u544a\u66f8")};                        // 報告書
    return {ToAnsi(L"\u00dcbersicht\\Entw\u00fcrfe"), ToAnsi(L"R\u00e9sum\u00e9")};    // Übersicht\Entwürfe, Résumé
}

void WriteList(RegistrySandbox& registry, const char* key, const std::vector<std::string>& paths)
{
    registry.CreateKey(key);
    for (size_t n = 0; n < paths.size(); ++n)
        registry.SetString(key, ("File" + std::to_string(n + 1)).c_str(), paths[n]);
}

} // namespace

Profile::Profile(int size, RegistrySandbox& registry, HostEditor& host)
{
    root_ = "C:\\velandor-bench-" + std::to_string(GetCurrentProcessId());
    RemoveTree(root_);
    const LocalNames local = PickLocalNames();
    const std::string places[] = {
        "Documents\\reports",
        "src\\velandor\\menu",
        "projects\\alpha",
        local.folder,
        "projects\\beta\\docs\\2024",
        "notes",
        "archive\\2023\\quarterly-reports\\customer-meetings",
        "web\\assets\\css",
    };
    const char* const sharedNames[] = {"readme", "main", "index", "notes", "build", "settings"};
    const char* const extensions[] = {".txt", ".cpp", ".html", ".md", ".log", ".ini"};
    const int placeCount = static_cast<int>(std::size(places));
    std::vector<std::string> files;
    std::vector<std::string> folders;
    host.documents.clear();
    for (int i = 0; i < size; ++i) {
        const std::string place = root_ + "\\" + places[i % placeCount];
        std::string name;
        if (i % 2 == 0) {
            const int shared = (i / 2) % 6;
            name = sharedNames[shared] + (i >= 24 ? "-" + std::to_string(i / 24) : std::string()) +
                   extensions[shared];
        } else if (i % 4 == 1) {
            name = "minutes-" + std::to_string(i) + ".txt";
        } else {
            name = local.file + std::to_string(i) + ".txt";
        }
        const std::string file = place + "\\" + name;
        const bool fileExists = i % 3 != 2;
        if (fileExists)
            MakeFile(file);
        else
            MakeFolders(place);
        files.push_back(file);
        if (i % 4 == 0 && fileExists)
            host.documents.push_back(file);

        const std::string folder = place + "\\" + (i % 2 ? "output-" : "build ") + std::to_string(i);
        if (i % 4 != 3)
            MakeFolders(folder);
        folders.push_back(folder);
    }
    host.documents.push_back(root_ + "\\scratch.txt"); // open, but not a recent file

    WriteList(registry, RecentFileListKey, files);
    WriteList(registry, RecentFolderListKey, folders);
    registry.SetDword(CommonSettingsKey, "ExtraShortCut", ExtraShortCutMode);
    registry.SetDword(CommonSettingsKey, "StripCurPath", 1);

    host.activePath = files[4];
    char saved[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, saved);
    savedDirectory_ = saved;
    SetCurrentDirectoryA((root_ + "\\" + places[0]).c_str());
}

Profile::~Profile()
{
    SetCurrentDirectoryA(savedDirectory_.c_str());
    RemoveTree(root_);
}
