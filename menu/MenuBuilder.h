#pragma once
#include <windows.h>

#include "text/NarrowString.h"

// Owns one popup menu from Create until it goes out of scope. An owner
// creates its menu once, at the point of the run where the menu is due; a
// failed creation leaves a null handle, which every menu call rejects.
class PopupMenu {
public:
    PopupMenu() = default;
    ~PopupMenu()
    {
        if (handle_)
            DestroyMenu(handle_);
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    void Create() { handle_ = CreatePopupMenu(); }
    HMENU Handle() const { return handle_; }

private:
    HMENU handle_ = nullptr;
};

// Appends items to a popup menu that someone else owns. Every append goes to
// position count, and count advances even when the insertion fails, so item
// positions and command ids stay in step with the list being shown.
struct MenuBuilder {
    HMENU menu;
    int count = 0;

    void AppendSeparator();
    void AppendItem(UINT id, const NarrowString& text, bool grayed, bool checked, bool isDefault);
    void AppendSubmenu(const NarrowString& label, HMENU submenu);
    // The same with a UTF-16 text, for names that the ANSI code page cannot
    // spell.
    void AppendItem(UINT id, const wchar_t* text, bool grayed, bool checked, bool isDefault);
    void AppendSubmenu(const wchar_t* label, HMENU submenu);

    // Shows the menu at the mouse cursor and returns the chosen item's id, or
    // 0 when the menu was dismissed.
    UINT TrackAtCursor(HWND owner) const;
};
