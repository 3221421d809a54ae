#include "menu/MenuBuilder.h"

#include <cstddef>

namespace {

// The structure without its final hbmpItem, the form every Windows version
// accepts.
constexpr UINT ShortItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);
static_assert(sizeof(void*) != 4 || ShortItemInfoSize == 44, "the 32-bit short form is 44 bytes");

void Insert(MenuBuilder& builder, MENUITEMINFOA& info)
{
    info.cbSize = ShortItemInfoSize;
    InsertMenuItemA(builder.menu, static_cast<UINT>(builder.count), TRUE, &info);
    ++builder.count;
}

void SetText(MENUITEMINFOA& info, const NarrowString& text)
{
    info.fType = MFT_STRING;
    info.dwTypeData = const_cast<char*>(text.Text());
    info.cch = static_cast<UINT>(text.Length());
}

} // namespace

void MenuBuilder::AppendSeparator()
{
    MENUITEMINFOA info = {};
    info.fMask = MIIM_TYPE;
    info.fType = MFT_SEPARATOR;
    Insert(*this, info);
}

void MenuBuilder::AppendItem(UINT id, const NarrowString& text, bool grayed, bool checked, bool isDefault)
{
    MENUITEMINFOA info = {};
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE;
    SetText(info, text);
    info.fState = (grayed ? MFS_GRAYED : 0) | (checked ? MFS_CHECKED : 0) | (isDefault ? MFS_DEFAULT : 0);
    info.wID = id;
    Insert(*this, info);
}

void MenuBuilder::AppendSubmenu(const NarrowString& label, HMENU submenu)
{
    MENUITEMINFOA info = {};
    info.fMask = MIIM_STATE | MIIM_SUBMENU | MIIM_TYPE;
    SetText(info, label);
    info.hSubMenu = submenu;
    Insert(*this, info);
}

UINT MenuBuilder::TrackAtCursor(HWND owner) const
{
    POINT cursor = {};
    GetCursorPos(&cursor);
    // Either mouse button may choose, as in the host's own menus.
    return static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, owner, nullptr));
}
