#include "menu/HostDocuments.h"

namespace {

constexpr UINT InformationMessage = 2106; // 0x83A
constexpr WORD DocumentCountCode = 301;   // 0x12D
constexpr WORD DocumentPathCode = 278;    // 0x116

// The most documents the high word of the request can name: index k is asked
// as k + 1, and 0 means the active document.
constexpr LRESULT MaxDocuments = 0xFFFF;

// Asks the host for one path, which it writes into a 260-byte buffer. Its
// text is not trusted to end: the byte after the 260 it may fill is always a
// terminator.
void AskDocumentPath(HWND hwnd, WORD document, NarrowString& path)
{
    char* buffer = path.OpenBuffer(MAX_PATH);
    SendMessageA(hwnd, InformationMessage, MAKEWPARAM(DocumentPathCode, document), reinterpret_cast<LPARAM>(buffer));
    buffer[MAX_PATH] = '\0';
    path.CloseBuffer();
}

} // namespace

void CollectOpenDocuments(HWND hwnd, PathList& documents)
{
    LRESULT count = SendMessageA(hwnd, InformationMessage, DocumentCountCode, 0);
    if (count > MaxDocuments)
        count = MaxDocuments;
    for (LRESULT k = 0; k < count; ++k) {
        documents.emplace_back();
        AskDocumentPath(hwnd, static_cast<WORD>(k + 1), documents.back());
    }
}

NarrowString GetActiveDocumentPath(HWND hwnd)
{
    NarrowString path;
    AskDocumentPath(hwnd, 0, path);
    return path;
}
