#include "menu/Command.h"

void RunRecentCommand(HWND hwnd)
{
    PostMessageA(hwnd, 2070 /* 0x816 */, 0, 0);
}
