#pragma once
#include <windows.h>

// The library's own module handle, stored once when the library is attached
// to the process. Every text and bitmap the plug-in loads comes from it.
extern HINSTANCE ModuleInstance;
