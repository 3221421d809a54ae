#include <windows.h>

#include "plugin/Module.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        ModuleInstance = instance;
    return TRUE;
}
