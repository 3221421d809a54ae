#pragma once
#include <windows.h>

// The slot of module's import table through which it calls function of dll,
// by name; nullptr when it imports no such function.
FARPROC* ImportSlot(HMODULE module, const char* dll, const char* function);

// Points an import slot at another function for the object's life: the
// module's own calls go there, every other module's still go to the real one.
class ImportPatch {
public:
    ImportPatch(FARPROC* slot, FARPROC by);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

private:
    FARPROC* slot_;
    FARPROC original_;
};

// Function pointers to and from the type of an import slot. The detour
// through void* is the one conversion between function pointer types that
// compilers accept without a warning.
template <typename Function>
FARPROC AsImport(Function* function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

template <typename Function>
Function* FromImport(FARPROC import)
{
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(import));
}
