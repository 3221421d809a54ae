// The plug-in throws inside its command when memory runs out, and catches
// it. A C++ runtime may keep what a thread has thrown behind a fiber-local
// key whose destructor lives in the plug-in: once the host has unloaded the
// plug-in, the end of the process then calls into unmapped code. This
// program makes the plug-in's mallocs fail for one command, unloads it and
// ends; the test is that it ends with status 0 and not with a fault.
#include <windows.h>

#include <cstdio>

#include "host/HostEditor.h"
#include "tests/plugin/ImportPatch.h"

namespace {

constexpr UINT RunCommandMessage = 2070;

void* (*realMalloc)(size_t) = nullptr;
int mallocs = 0;

// Memory runs out at the command's first allocation only: the runtime's own
// allocations for the exception that follows still succeed.
void* MallocFailingFirst(size_t size)
{
    return mallocs++ == 0 ? nullptr : realMalloc(size);
}

// Runs the command with the plug-in's first malloc failing; true when it
// ran into it and still gave the host its one empty pick.
bool RunCommandOutOfMemory(HostEditor& host)
{
    FARPROC* slot = ImportSlot(host.Plugin(), "msvcrt.dll", "malloc");
    if (!slot) {
        std::printf("FAIL: the plug-in imports no malloc from msvcrt.dll\n");
        return false;
    }
    realMalloc = FromImport<void*(size_t)>(*slot);
    {
        const ImportPatch failing{slot, AsImport(&MallocFailingFirst)};
        host.OnCommand();
    }
    host.DispatchPending();

    bool ok = true;
    if (mallocs == 0) {
        std::printf("FAIL: the command asked for no memory\n");
        ok = false;
    }
    if (host.received.size() != 1 || host.received[0].message != RunCommandMessage || host.received[0].wParam != 0) {
        std::printf("FAIL: got %u messages, expected one %u with wParam 0\n",
                    static_cast<unsigned>(host.received.size()), RunCommandMessage);
        ok = false;
    }
    return ok;
}

} // namespace

int main()
{
    bool ok;
    {
        HostEditor host{VELANDOR_PLUGIN_DLL};
        if (!host.Loaded()) {
            std::printf("FAIL: LoadLibrary error %lu\n", GetLastError());
            return 1;
        }
        host.documents = {"C:\\unload\\one.txt"};
        ok = RunCommandOutOfMemory(host);
    }
    std::printf("%s: the command's first malloc of %d failed; the plug-in is unloaded and the process ends\n",
                ok ? "ok" : "FAIL", mallocs);
    std::fflush(stdout);
    return ok ? 0 : 1;
}
