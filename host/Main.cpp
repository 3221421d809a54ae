// The host stand-in as a program: loads Velandor.dll from beside itself (or
// from the path given) and shows what the host learns from the plug-in.
#include <windows.h>

#include <cstdio>
#include <string>

#include "host/HostEditor.h"

namespace {

// A string resource of the plug-in as UTF-8, whatever the ANSI code page.
std::string PluginText(HMODULE plugin, UINT id)
{
    const wchar_t* text = nullptr;
    const int length = LoadStringW(plugin, id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0)
        return {};
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

std::string AskText(HostEditor& host, UINT query)
{
    char text[80] = {};
    host.PlugInProc(query, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string PluginBesideHost()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + "Velandor.dll";
}

} // namespace

int main(int argc, char** argv)
{
    const std::string pluginPath = argc > 1 ? argv[1] : PluginBesideHost();
    HostEditor host(pluginPath.c_str());
    if (!host.Loaded()) {
        std::fprintf(stderr, "cannot load %s (error %lu)\n", pluginPath.c_str(), GetLastError());
        return 1;
    }
    BOOL checked = TRUE;
    const BOOL enabled = host.QueryStatus(&checked);
    const UINT menuTextId = host.GetMenuTextID();
    const UINT statusId = host.GetStatusMessageID();
    std::printf("plug-in      %s\n", pluginPath.c_str());
    std::printf("name         %s\n", AskText(host, 2306).c_str());
    std::printf("version      %s\n", AskText(host, 2308).c_str());
    std::printf("menu text    %u: %s\n", menuTextId, PluginText(host.Plugin(), menuTextId).c_str());
    std::printf("status text  %u: %s\n", statusId, PluginText(host.Plugin(), statusId).c_str());
    std::printf("bitmaps      %u (GetBitmapID), %d (small), %d (large)\n", host.GetBitmapID(),
                static_cast<int>(host.PlugInProc(2312, 0, 0)),
                static_cast<int>(host.PlugInProc(2312, 1, 0)));
    std::printf("command      %s, %s\n", enabled ? "enabled" : "disabled", checked ? "checked" : "not checked");
    return 0;
}
