#include "host/HostEditor.h"

#include <cstring>

namespace {

constexpr char WindowClassName[] = "VelandorHostStandIn";
constexpr size_t HostPathBytes = 260;

ATOM RegisterHostClass(WNDPROC procedure)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = WindowClassName;
    return RegisterClassA(&windowClass);
}

// An export as a function of its own type. The detour through void* is the
// one conversion between function pointer types that compilers accept
// without a warning.
template <typename Function>
Function ExportAs(const HostEditor& host, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(host.Export(name)));
}

} // namespace

void WriteHostPath(const std::string& path, char* buffer)
{
    const size_t count = path.size() < HostPathBytes ? path.size() : HostPathBytes;
    std::memcpy(buffer, path.data(), count);
    if (count < HostPathBytes)
        buffer[count] = '\0';
}

HostEditor::HostEditor(const char* pluginPath)
{
    static const ATOM windowClass = RegisterHostClass(&HostEditor::WindowProc);
    (void)windowClass;
    window_ = CreateWindowExA(0, WindowClassName, "Host editor stand-in", WS_OVERLAPPEDWINDOW,
                              40, 40, 480, 320, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    plugin_ = LoadLibraryA(pluginPath);
}

HostEditor::~HostEditor()
{
    if (plugin_)
        FreeLibrary(plugin_);
    if (window_)
        DestroyWindow(window_);
}

void HostEditor::Show()
{
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
}

FARPROC HostEditor::Export(const char* name) const
{
    return plugin_ ? GetProcAddress(plugin_, name) : nullptr;
}

void HostEditor::DispatchPending()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

LRESULT CALLBACK HostEditor::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* host = reinterpret_cast<HostEditor*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (host) {
        switch (message) {
        case 2050: // 0x802, the relayed event
        case 2070: // 0x816, run a host command
            host->received.push_back({message, wParam, lParam});
            return 0;
        case 2106: // 0x83A, information request
            host->informationRequests.push_back(wParam);
            return host->AnswerInformation(wParam, lParam);
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT HostEditor::AnswerInformation(WPARAM wParam, LPARAM lParam) const
{
    const WORD code = LOWORD(wParam);
    const WORD which = HIWORD(wParam);
    if (code == 301) // 0x12D: the number of open documents
        return documentCount ? *documentCount : static_cast<LRESULT>(documents.size());
    if (code == 278 && lParam != 0) { // 0x116: a document's path
        char* buffer = reinterpret_cast<char*>(lParam);
        if (which == 0) {
            if (answersActivePath)
                WriteHostPath(activePath, buffer);
        }
        else if (which - 1u < documents.size())
            WriteHostPath(documents[which - 1u], buffer);
    }
    return 0;
}

void HostEditor::OnCommand()
{
    ExportAs<void(WINAPI*)(HWND)>(*this, "OnCommand")(window_);
}

BOOL HostEditor::QueryStatus(BOOL* checkMark)
{
    return ExportAs<BOOL(WINAPI*)(HWND, BOOL*)>(*this, "QueryStatus")(window_, checkMark);
}

void HostEditor::OnEvents(UINT events, LPARAM lParam)
{
    ExportAs<void(WINAPI*)(HWND, UINT, LPARAM)>(*this, "OnEvents")(window_, events, lParam);
}

UINT HostEditor::GetMenuTextID()
{
    return ExportAs<UINT(WINAPI*)()>(*this, "GetMenuTextID")();
}

UINT HostEditor::GetStatusMessageID()
{
    return ExportAs<UINT(WINAPI*)()>(*this, "GetStatusMessageID")();
}

UINT HostEditor::GetBitmapID()
{
    return ExportAs<UINT(WINAPI*)()>(*this, "GetBitmapID")();
}

LRESULT HostEditor::PlugInProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    using Procedure = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
    return ExportAs<Procedure>(*this, "PlugInProc")(window_, message, wParam, lParam);
}
