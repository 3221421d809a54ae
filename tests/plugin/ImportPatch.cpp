#include "tests/plugin/ImportPatch.h"

namespace {

void Store(FARPROC* slot, FARPROC value)
{
    DWORD protection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
}

} // namespace

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

ImportPatch::ImportPatch(FARPROC* slot, FARPROC by) : slot_(slot), original_(*slot)
{
    Store(slot_, by);
}

ImportPatch::~ImportPatch()
{
    Store(slot_, original_);
}
