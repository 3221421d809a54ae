// Counting system calls by pointing this program's imports at counters.
#include "bench/CallCounter.h"

#include <windows.h>

#include <cstring>

const char* const CallNames[CallKindCount] = {
    "SendMessageA",       "RegOpenKeyExA",      "RegQueryValueExA",   "RegQueryValueExW",
    "RegCloseKey",        "GetCurrentDirectoryA", "QueryDosDeviceW",  "GetFileAttributesA",
    "GetFileAttributesW", "lstrcmpA",           "CreatePopupMenu",    "InsertMenuItemA",
    "InsertMenuItemW",    "DestroyMenu",        "LoadStringA",        "LoadStringW",
    "MultiByteToWideChar",
};

void* RedirectImport(const char* name, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    void* previous = nullptr;
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name != 0; ++module) {
        if (module->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            // Not lstrcmpA: it may be the very import being redirected.
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0)
                continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            if (previous == nullptr)
                previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
        }
    }
    return previous;
}

namespace {

CallCounts Counted;

template <CallKind Kind, typename Result, typename... Args>
struct CountingCall {
    static inline Result(WINAPI* real)(Args...) = nullptr;
    static Result WINAPI Call(Args... args)
    {
        ++Counted.of[Kind];
        return real(args...);
    }
};

// Puts a counter in place of the imports of kind; returns the system's
// function. The counter's signature comes from the system's declaration.
template <CallKind Kind, typename Result, typename... Args>
void* Count(Result(WINAPI*)(Args...))
{
    using Counter = CountingCall<Kind, Result, Args...>;
    void* real = RedirectImport(CallNames[Kind], reinterpret_cast<void*>(&Counter::Call));
    Counter::real = reinterpret_cast<Result(WINAPI*)(Args...)>(real);
    return real;
}

} // namespace

CallCounter::CallCounter()
{
    originals_[SendKind] = Count<SendKind>(&SendMessageA);
    originals_[RegOpenKind] = Count<RegOpenKind>(&RegOpenKeyExA);
    originals_[RegQueryKind] = Count<RegQueryKind>(&RegQueryValueExA);
    originals_[RegQueryWideKind] = Count<RegQueryWideKind>(&RegQueryValueExW);
    originals_[RegCloseKind] = Count<RegCloseKind>(&RegCloseKey);
    originals_[CurrentDirectoryKind] = Count<CurrentDirectoryKind>(&GetCurrentDirectoryA);
    originals_[DosDeviceKind] = Count<DosDeviceKind>(&QueryDosDeviceW);
    originals_[FileAttributesKind] = Count<FileAttributesKind>(&GetFileAttributesA);
    originals_[FileAttributesWideKind] = Count<FileAttributesWideKind>(&GetFileAttributesW);
    originals_[CompareKind] = Count<CompareKind>(&lstrcmpA);
    originals_[CreateMenuKind] = Count<CreateMenuKind>(&CreatePopupMenu);
    originals_[InsertItemKind] = Count<InsertItemKind>(&InsertMenuItemA);
    originals_[InsertItemWideKind] = Count<InsertItemWideKind>(&InsertMenuItemW);
    originals_[DestroyMenuKind] = Count<DestroyMenuKind>(&DestroyMenu);
    originals_[LoadStringKind] = Count<LoadStringKind>(&LoadStringA);
    originals_[LoadStringWideKind] = Count<LoadStringWideKind>(&LoadStringW);
    originals_[WidenKind] = Count<WidenKind>(&MultiByteToWideChar);
    Counted = CallCounts();
}

CallCounter::~CallCounter()
{
    for (int kind = 0; kind < CallKindCount; ++kind)
        if (originals_[kind] != nullptr)
            RedirectImport(CallNames[kind], originals_[kind]);
}

CallCounts CallCounter::Take()
{
    const CallCounts counts = Counted;
    Counted = CallCounts();
    return counts;
}
