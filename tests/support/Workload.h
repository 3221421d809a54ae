#pragma once
#include <windows.h>

// How much a bulk loop does: full normally, light when the program runs
// under Wine's heap validation (VELANDOR_HEAP_CHECK set), where every heap
// call checks every block and a full run would take many minutes. The light
// runs are there to catch heap damage on every path, not to repeat the
// coverage of the full ones.
inline bool HeapCheckRun()
{
    static const bool set = [] {
        char value[2];
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableA("VELANDOR_HEAP_CHECK", value, sizeof value);
        return length != 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    }();
    return set;
}

inline int Workload(int full, int light)
{
    return HeapCheckRun() ? light : full;
}
