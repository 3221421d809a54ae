#include "host/DemoProfile.h"

#include "host/FileTree.h"

namespace {

constexpr char FileListKey[] = "Software\\EmSoft\\EmEditor v3\\Recent File List";
constexpr char FolderListKey[] = "Software\\EmSoft\\EmEditor v3\\Recent Folder List";
constexpr char CommonKey[] = "Software\\EmSoft\\EmEditor v3\\Common";

// One recent file or folder of the sample, below the demo folder.
struct SampleEntry {
    const wchar_t* relative;
    bool exists;
};

const SampleEntry SampleFiles[] = {
    {L"docs\\report.txt", true},
    {L"docs\\notes.txt", true},
    {L"projects\\alpha\\readme.txt", true},
    {L"projects\\beta\\readme.txt", true},
    {L"\u65e5\u672c\u8a9e\\\u5831\u544a\u66f8.txt", true},        // 日本語\報告書.txt
    {L"\u65e5\u672c\u8a9e\\\u8b70\u4e8b\u9332.txt", false},       // 日本語\議事録.txt
    {L"archive\\2023\\quarterly-reports\\summary-final.txt", true},
    {L"old\\deleted-draft.txt", false},
    {L"Q&A.txt", true},
    {L"photos\\\u65c5\u884c\u30e1\u30e2.txt", true},              // photos\旅行メモ.txt
    {L"budget.csv", true},
    {L"old\\obsolete.log", false},
    {L"todo.txt", true},
};

const SampleEntry SampleFolders[] = {
    {L"docs", true},
    {L"projects", true},
    {L"\u65e5\u672c\u8a9e", true},
    {L"old-projects", false},
    {L"", true},
};

// Positions in SampleFiles.
const size_t OpenSamples[] = {0, 3};
constexpr size_t ActiveSample = 1;

// The text in the ANSI code page, or empty when the code page lacks one of
// its characters.
std::string ToAnsi(const std::wstring& text)
{
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy)
        return {};
    std::string ansi(size, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, ansi.data(), size, nullptr, nullptr);
    ansi.resize(size - 1);
    return ansi;
}

void WriteList(const char* keyPath, const std::vector<std::string>& paths)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    for (size_t n = 0; n < paths.size(); ++n)
        RegSetValueExA(key, ("File" + std::to_string(n + 1)).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(paths[n].c_str()), static_cast<DWORD>(paths[n].size() + 1));
    RegCloseKey(key);
}

void WriteDword(const char* keyPath, const char* name, DWORD value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

} // namespace

std::string AnsiToUtf8(const std::string& text)
{
    const int wideSize = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(wideSize, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), wideSize);
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(size > 0 ? size - 1 : 0);
    return utf8;
}

DemoProfile::DemoProfile()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "Velandor demo";
    RemoveTree(root_);
    MakeFolders(root_);

    std::vector<size_t> samplePositions;
    for (size_t n = 0; n < std::size(SampleFiles); ++n) {
        const std::string relative = ToAnsi(SampleFiles[n].relative);
        if (relative.empty())
            continue; // a Japanese name outside this code page
        const std::string path = root_ + "\\" + relative;
        if (SampleFiles[n].exists)
            MakeFile(path);
        files_.push_back(path);
        samplePositions.push_back(n);
    }
    for (const SampleEntry& sample : SampleFolders) {
        const std::wstring relative = sample.relative;
        const std::string ansi = ToAnsi(relative);
        if (ansi.empty() && !relative.empty())
            continue;
        const std::string path = ansi.empty() ? root_ : root_ + "\\" + ansi;
        if (sample.exists)
            MakeFolders(path);
        folders_.push_back(path);
    }
    for (size_t n = 0; n < files_.size(); ++n) {
        for (const size_t open : OpenSamples)
            if (samplePositions[n] == open)
                openDocuments_.push_back(files_[n]);
        if (samplePositions[n] == ActiveSample)
            activeDocument_ = files_[n];
    }
    // Open in the host but never in its recent list.
    openDocuments_.push_back(root_ + "\\scratch.txt");
    MakeFile(openDocuments_.back());

    if (!registry_.Redirected())
        return;
    WriteList(FileListKey, files_);
    WriteList(FolderListKey, folders_);
    WriteDword(CommonKey, "ExtraShortCut", 2);
}

DemoProfile::~DemoProfile()
{
    RemoveTree(root_);
}
