// The plug-in throws inside its command when memory runs out, and catches
// it. A C++ runtime may keep what a thread has thrown behind a fiber-local
// key whose destructor lives in the plug-in: once the host has unloaded the
// plug-in, the end of the process then calls into unmapped code. This
// program makes the plug-in's mallocs fail for one command, unloads it and
// ends; the test is that it ends with status 0 and not with a fault.
#include <windows.h>

#include <cstdio>

#include "host/HostEditor.h"

namespace {

constexpr UINT RunCommandMessage = 2070;

using Malloc = void* (*)(size_t);
Malloc realMalloc = nullptr;
int mallocs = 0;

// Memory runs out at the command's first allocation only: the runtime's own
// allocations for the exception that follows still succeed.
void* MallocFailingFirst(size_t size)
{
    return mallocs++ == 0 ? nullptr : realMalloc(size);
}

// The slot of module's import table through which it calls function of dll.
FARPROC* ImportSlot(HMODULE module, const char* dll, const char* function)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* from = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); from->Name;
         ++from) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + from->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + from->OriginalFirstThunk);
        auto* slots = reinterpret_cast<FARPROC*>(base + from->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* named = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(named->Name), function) == 0)
                return slots;
        }
    }
    return nullptr;
}

void Replace(FARPROC* slot, FARPROC by)
{
    DWORD protection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = by;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
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
    const FARPROC real = *slot;
    realMalloc = reinterpret_cast<Malloc>(reinterpret_cast<void*>(real));
    Replace(slot, reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&MallocFailingFirst)));
    host.OnCommand();
    Replace(slot, real);
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
