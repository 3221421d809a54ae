#pragma once
#include <windows.h>

// How much a bulk loop does: full normally, light in the runs that are there
// for something else (VELANDOR_LIGHT_WORKLOAD set). Those are the runs under
// Wine's heap validation, where every heap call checks every block and a full
// run would take many minutes, and the runs in code pages 936, 950 and 949,
// which are there for their double-byte cases. The light runs catch heap
// damage and code-page faults on every path; they do not repeat the coverage
// of the full ones.
inline bool LightRun()
{
    static const bool set = [] {
        char value[2];
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableA("VELANDOR_LIGHT_WORKLOAD", value, sizeof value);
        return length != 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    }();
    return set;
}

inline int Workload(int full, int light)
{
    return LightRun() ? light : full;
}
