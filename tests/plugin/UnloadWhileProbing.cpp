// The host unloads the plug-in, or ends, while a probe that the plug-in
// started still waits on a server that does not answer. The probe's thread
// must keep the plug-in's code mapped until it has returned, and must not
// keep the process from ending. Each mode runs in a process of its own; the
// test is that it ends with status 0 and not with a fault.
//   unload: the host frees the plug-in, then the server answers
//   exit:   the process ends while the server still does not answer
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "host/HostEditor.h"
#include "host/PopupDriver.h"
#include "host/ScratchRegistry.h"
#include "tests/plugin/ProbeHooks.h"

namespace {

constexpr UINT RunCommandMessage = 2070;

// Runs the command on a list with one file on the offline server, and
// dismisses its menu; true when the menu showed and 2070 came with 0.
bool RunWithOfflineFile(HostEditor& host)
{
    HKEY key = nullptr;
    const char path[] = "\\\\offline\\share\\report.txt";
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\EmSoft\\EmEditor v3\\Recent File List", 0, nullptr, 0,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS ||
        RegSetValueExA(key, "File1", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof path) != ERROR_SUCCESS) {
        std::printf("FAIL: cannot write the recent file list\n");
        return false;
    }
    RegCloseKey(key);
    const PopupOutcome outcome = DrivePopup([&] { host.OnCommand(); }, [](HWND popup) { PressKey(popup, VK_ESCAPE); });
    host.DispatchPending();
    const bool posted = host.received.size() == 1 && host.received[0].message == RunCommandMessage &&
                        host.received[0].wParam == 0;
    if (!outcome.opened || !posted)
        std::printf("FAIL: the menu %s; %u messages\n", outcome.opened ? "showed" : "did not show",
                    static_cast<unsigned>(host.received.size()));
    return outcome.opened && posted;
}

} // namespace

int main(int argc, char** argv)
{
    const bool unload = argc == 2 && std::strcmp(argv[1], "unload") == 0;
    if (argc != 2 || (!unload && std::strcmp(argv[1], "exit") != 0)) {
        std::printf("usage: unload_while_probing unload|exit\n");
        return 2;
    }
    const ScratchRegistry registry;
    auto* host = new HostEditor{VELANDOR_PLUGIN_DLL};
    if (!registry.Redirected() || !host->Loaded()) {
        std::printf("FAIL: no scratch registry, or LoadLibrary error %lu\n", GetLastError());
        return 1;
    }
    const HMODULE plugin = host->Plugin();
    // Never destroyed: its patches lie in the import table of a plug-in that
    // is gone by the end.
    auto* hooks = new ProbeHooks{plugin};
    bool ok = hooks->Hooked() && RunWithOfflineFile(*host) && hooks->OfflineProbes() == 1;
    if (!ok)
        std::printf("FAIL: the offline file was not probed on a thread that waits\n");
    if (!unload) {
        // The hooks, the host window and the plug-in stay as they are.
        std::printf("%s: the process ends while the probe waits\n", ok ? "ok" : "FAIL");
        std::fflush(stdout);
        return ok ? 0 : 1;
    }
    delete host;
    HMODULE stillLoaded = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(plugin), &stillLoaded)) {
        std::printf("FAIL: the plug-in was unmapped while its probe waited\n");
        ok = false;
    }
    hooks->ReleaseBlocked();
    if (!hooks->JoinThreads(10000)) {
        std::printf("FAIL: the probe thread did not end once its server answered\n");
        ok = false;
    }
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(plugin), &stillLoaded)) {
        std::printf("FAIL: the plug-in stayed loaded after its last probe ended\n");
        ok = false;
    }
    std::printf("%s: the plug-in was unloaded while its probe waited, and the probe ended after\n",
                ok ? "ok" : "FAIL");
    std::fflush(stdout);
    return ok ? 0 : 1;
}
