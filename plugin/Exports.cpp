#include "plugin/Exports.h"

#include "menu/Command.h"
#include "plugin/Module.h"

namespace {

// String and bitmap resources handed to the host.
constexpr UINT MenuTextId = 1;
constexpr UINT StatusMessageId = 2;
constexpr UINT UninstallQuestionId = 3;
constexpr UINT NameId = 4;
constexpr UINT VersionId = 5;
constexpr UINT SmallBitmapId = 101;
constexpr UINT LargeBitmapId = 102;

// The host's own texts are limited to 79 bytes and a terminator.
constexpr int TextBufferSize = 80;

// The value last given with event bit 0x400, relayed to the host with 2050.
LPARAM SavedEventParam = 0;

void LoadText(UINT id, char (&buffer)[TextBufferSize])
{
    if (LoadStringA(ModuleInstance, id, buffer, TextBufferSize) == 0)
        buffer[0] = '\0';
}

// Answers a text query: the text's length plus 1, whether or not the caller
// gave a buffer and whether or not the text fitted into it.
LRESULT AnswerText(UINT id, WPARAM bufferSize, LPARAM buffer)
{
    char text[TextBufferSize];
    LoadText(id, text);
    if (buffer != 0)
        lstrcpynA(reinterpret_cast<char*>(buffer), text, static_cast<int>(bufferSize));
    return lstrlenA(text) + 1;
}

// Asks in UTF-16 where the ANSI code page cannot spell the question.
BOOL ConfirmUninstall(HWND hwnd)
{
    constexpr UINT Style = MB_YESNO | MB_ICONQUESTION;
    const wchar_t* stored = nullptr;
    const int storedLength = UnspellableResourceText(UninstallQuestionId, stored);
    if (storedLength == 0) {
        char question[TextBufferSize];
        LoadText(UninstallQuestionId, question);
        return MessageBoxA(hwnd, question, "EmEditor", Style) == IDYES;
    }
    wchar_t question[TextBufferSize];
    lstrcpynW(question, stored, storedLength < TextBufferSize ? storedLength + 1 : TextBufferSize);
    return MessageBoxW(hwnd, question, L"EmEditor", Style) == IDYES;
}

} // namespace

extern "C" {

void WINAPI OnCommand(HWND hwnd)
{
    RunRecentCommand(hwnd);
}

BOOL WINAPI QueryStatus(HWND, BOOL* pbCheckMark)
{
    if (pbCheckMark)
        *pbCheckMark = FALSE;
    return TRUE;
}

void WINAPI OnEvents(HWND hwnd, UINT nEvent, LPARAM lParam)
{
    if (nEvent & 0x400)
        SavedEventParam = lParam;
    if (nEvent & 0x40)
        SendMessageA(hwnd, 2050 /* 0x802 */, static_cast<WPARAM>(SavedEventParam), 0);
}

UINT WINAPI GetMenuTextID()
{
    return MenuTextId;
}

UINT WINAPI GetStatusMessageID()
{
    return StatusMessageId;
}

UINT WINAPI GetBitmapID()
{
    return SmallBitmapId;
}

LRESULT WINAPI PlugInProc(HWND hwnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    switch (nMsg) {
    case 2306: // 0x902: the plug-in's name
        return AnswerText(NameId, wParam, lParam);
    case 2308: // 0x904: its version text
        return AnswerText(VersionId, wParam, lParam);
    case 2310: // 0x906
        return TRUE;
    case 2311: // 0x907: may the host uninstall it?
        return ConfirmUninstall(hwnd);
    case 2312: // 0x908: its bitmap, the larger one when bit 0 asks for it
        return (wParam & 1) ? LargeBitmapId : SmallBitmapId;
    default:
        return 0;
    }
}

} // extern "C"
