#include "host/PopupDriver.h"

#include <thread>

namespace {

constexpr char MenuWindowClass[] = "#32768";
constexpr UINT GetMenuMessage = 0x01E1; // MN_GETHMENU
constexpr DWORD PollMilliseconds = 10;

// An item's text as the menu holds it, in UTF-16, whichever call inserted it.
std::wstring ReadWideText(HMENU menu, int position)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    GetMenuItemInfoW(menu, position, TRUE, &info); // the text's length first
    std::vector<wchar_t> text(info.cch + 1, L'\0');
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
    if (!GetMenuItemInfoW(menu, position, TRUE, &info))
        return {};
    return std::wstring(text.data(), info.cch);
}

} // namespace

std::vector<MenuItemView> ReadMenuItems(HMENU menu)
{
    std::vector<MenuItemView> items;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING | MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
        GetMenuItemInfoA(menu, position, TRUE, &info); // the text's length first
        std::vector<char> text(info.cch + 1, '\0');
        info.dwTypeData = text.data();
        info.cch = static_cast<UINT>(text.size());
        MenuItemView item;
        if (GetMenuItemInfoA(menu, position, TRUE, &info)) {
            item.text.assign(text.data(), info.cch);
            item.type = info.fType;
            item.state = info.fState;
            item.id = info.wID;
            item.submenu = info.hSubMenu;
        }
        item.wideText = ReadWideText(menu, position);
        items.push_back(item);
    }
    return items;
}

std::vector<HWND> OpenMenuWindows(DWORD threadId)
{
    std::vector<HWND> windows;
    for (HWND window = FindWindowExA(nullptr, nullptr, MenuWindowClass, nullptr); window;
         window = FindWindowExA(nullptr, window, MenuWindowClass, nullptr))
        if (IsWindowVisible(window) && GetWindowThreadProcessId(window, nullptr) == threadId)
            windows.push_back(window);
    return windows;
}

HMENU MenuOfWindow(HWND popup)
{
    return reinterpret_cast<HMENU>(SendMessageA(popup, GetMenuMessage, 0, 0));
}

int CountLiveMenus()
{
    int count = 0;
    for (ULONG_PTR handle = 1; handle <= 0xFFFF; ++handle)
        count += IsMenu(reinterpret_cast<HMENU>(handle)) ? 1 : 0;
    return count;
}

void PressKey(HWND popup, UINT virtualKey)
{
    PostMessageA(popup, WM_KEYDOWN, virtualKey, 1);
}

void TypeCharacter(HWND popup, char character)
{
    PostMessageA(popup, WM_CHAR, static_cast<unsigned char>(character), 1);
}

PopupOutcome DrivePopup(const std::function<void()>& run, const std::function<void(HWND popup)>& whileOpen,
                        DWORD timeoutMs)
{
    PopupOutcome outcome;
    const DWORD menuThread = GetCurrentThreadId();
    const HANDLE returned = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread helper([&] {
        const DWORD start = GetTickCount();
        HWND popup = nullptr;
        while (WaitForSingleObject(returned, PollMilliseconds) == WAIT_TIMEOUT) {
            const std::vector<HWND> open = OpenMenuWindows(menuThread);
            if (!open.empty()) {
                popup = open.front();
                break;
            }
            if (GetTickCount() - start > timeoutMs)
                break;
        }
        if (popup) {
            outcome.opened = true;
            whileOpen(popup);
        }
        if (WaitForSingleObject(returned, popup ? timeoutMs : 0) == WAIT_TIMEOUT) {
            // Also a menu that shows only after the wait for it ended must
            // not stay open with no one to close it.
            outcome.ended = false;
            do
                EndMenu();
            while (WaitForSingleObject(returned, PollMilliseconds) == WAIT_TIMEOUT);
        }
    });
    run();
    SetEvent(returned);
    helper.join();
    CloseHandle(returned);
    return outcome;
}
