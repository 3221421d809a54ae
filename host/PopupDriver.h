#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// One item of a popup menu as user32 reports it.
struct MenuItemView {
    std::string text; // the label's bytes in the ANSI code page, '&' markers included
    std::wstring wideText; // the same in UTF-16, as the menu holds it
    UINT type = 0;    // fType
    UINT state = 0;   // fState
    UINT id = 0;      // wID
    HMENU submenu = nullptr;
};

// Every item of a menu, read with GetMenuItemInfoA and GetMenuItemInfoW.
std::vector<MenuItemView> ReadMenuItems(HMENU menu);

// The visible popup menu windows (class "#32768") of one thread.
std::vector<HWND> OpenMenuWindows(DWORD threadId);

// The menu that a popup menu window shows.
HMENU MenuOfWindow(HWND popup);

// The live menus of this process. A user handle whose high bits are zero is
// looked up by its index alone, so probing every index finds them all.
int CountLiveMenus();

// Keyboard input for the menu loop, posted to one of its windows.
void PressKey(HWND popup, UINT virtualKey);
void TypeCharacter(HWND popup, char character);

// What DrivePopup saw.
struct PopupOutcome {
    bool opened = false; // a popup menu showed while run() ran
    bool ended = true;   // run() returned in time, without being made to
};

// Calls run() on this thread, where it opens a popup menu and runs its modal
// loop. Meanwhile a helper thread waits for the menu to show and hands its
// window to whileOpen, which reads it and sends it keys. A menu that does
// not show, or does not close, within timeoutMs is ended, also when it shows
// later, so a fault fails a test instead of hanging it.
PopupOutcome DrivePopup(const std::function<void()>& run, const std::function<void(HWND popup)>& whileOpen,
                        DWORD timeoutMs = 5000);
