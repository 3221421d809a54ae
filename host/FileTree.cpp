#include "host/FileTree.h"

#include <windows.h>

void MakeFolders(const std::string& path)
{
    for (size_t slash = path.find('\\', 3); slash != std::string::npos; slash = path.find('\\', slash + 1))
        CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

void MakeFile(const std::string& path)
{
    MakeFolders(path.substr(0, path.find_last_of('\\')));
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

namespace {

// Wide, so that names which the ANSI code page cannot spell go too.
void RemoveWideTree(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveWideTree(path + L"\\" + name);
            else
                DeleteFileW((path + L"\\" + name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

} // namespace

void RemoveTree(const std::string& path)
{
    if (path.empty())
        return; // never the root of the current drive
    std::wstring widePath(path.size(), L'\0');
    widePath.resize(MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), &widePath[0],
                                        static_cast<int>(widePath.size())));
    RemoveWideTree(widePath);
}
