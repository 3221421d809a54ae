#pragma once
#include <windows.h>

// The functions the host calls, exported by these undecorated names at
// ordinals 1 to 7 (see Velandor.def).
extern "C" {
void WINAPI OnCommand(HWND hwnd);
BOOL WINAPI QueryStatus(HWND hwnd, BOOL* pbCheckMark);
void WINAPI OnEvents(HWND hwnd, UINT nEvent, LPARAM lParam);
UINT WINAPI GetMenuTextID();
UINT WINAPI GetStatusMessageID();
UINT WINAPI GetBitmapID();
LRESULT WINAPI PlugInProc(HWND hwnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
}
