#pragma once
#include <windows.h>

// The library's own module handle, stored once when the library is attached
// to the process. Every text and bitmap the plug-in loads comes from it.
extern HINSTANCE ModuleInstance;

// The UTF-16 text of string resource id, as the module holds it (not
// terminated), when the ANSI code page cannot spell it: its length, and
// text pointing at it. 0 when LoadStringA's text stands for it exactly, or
// there is no such resource.
int UnspellableResourceText(UINT id, const wchar_t*& text);
