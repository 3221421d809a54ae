#include "menu/MenuBuilder.h"

#include <cstddef>

namespace {

static_assert(sizeof(void*) != 4 || offsetof(MENUITEMINFOA, hbmpItem) == 44, "the 32-bit short form is 44 bytes");

void InsertAt(HMENU menu, UINT position, MENUITEMINFOA& info)
{
    InsertMenuItemA(menu, position, TRUE, &info);
}

void InsertAt(HMENU menu, UINT position, MENUITEMINFOW& info)
{
    InsertMenuItemW(menu, position, TRUE, &info);
}

// The structure goes without its final hbmpItem, the form every Windows
// version accepts.
template <class ItemInfo>
void Insert(MenuBuilder& builder, ItemInfo& info)
{
    info.cbSize = offsetof(ItemInfo, hbmpItem);
    InsertAt(builder.menu, static_cast<UINT>(builder.count), info);
    ++builder.count;
}

void SetText(MENUITEMINFOA& info, const NarrowString& text)
{
    info.fType = MFT_STRING;
    info.dwTypeData = const_cast<char*>(text.Text());
    info.cch = static_cast<UINT>(text.Length());
}

void SetText(MENUITEMINFOW& info, const wchar_t* text)
{
    info.fType = MFT_STRING;
    info.dwTypeData = const_cast<wchar_t*>(text);
    info.cch = static_cast<UINT>(lstrlenW(text));
}

template <class ItemInfo, class Text>
void InsertItem(MenuBuilder& builder, UINT id, const Text& text, bool grayed, bool checked, bool isDefault)
{
    ItemInfo info = {};
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE;
    SetText(info, text);
    info.fState = (grayed ? MFS_GRAYED : 0) | (checked ? MFS_CHECKED : 0) | (isDefault ? MFS_DEFAULT : 0);
    info.wID = id;
    Insert(builder, info);
}

template <class ItemInfo, class Text>
void InsertSubmenu(MenuBuilder& builder, const Text& label, HMENU submenu)
{
    ItemInfo info = {};
    info.fMask = MIIM_STATE | MIIM_SUBMENU | MIIM_TYPE;
    SetText(info, label);
    info.hSubMenu = submenu;
    Insert(builder, info);
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
    InsertItem<MENUITEMINFOA>(*this, id, text, grayed, checked, isDefault);
}

void MenuBuilder::AppendItem(UINT id, const wchar_t* text, bool grayed, bool checked, bool isDefault)
{
    InsertItem<MENUITEMINFOW>(*this, id, text, grayed, checked, isDefault);
}

void MenuBuilder::AppendSubmenu(const NarrowString& label, HMENU submenu)
{
    InsertSubmenu<MENUITEMINFOA>(*this, label, submenu);
}

void MenuBuilder::AppendSubmenu(const wchar_t* label, HMENU submenu)
{
    InsertSubmenu<MENUITEMINFOW>(*this, label, submenu);
}

UINT MenuBuilder::TrackAtCursor(HWND owner) const
{
    POINT cursor = {};
    GetCursorPos(&cursor);
    // Either mouse button may choose, as in the host's own menus.
    return static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, owner, nullptr));
}
