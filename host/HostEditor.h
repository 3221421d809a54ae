#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// One message that the plug-in sent or posted to the host window.
struct HostMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A stand-in for the host editor. It loads a Velandor.dll by path, owns a
// host window that answers the information message 2106 from the documents
// it is given, records every 2050 and 2070 that reaches that window, and
// calls the plug-in's exports the way the host does.
class HostEditor {
public:
    explicit HostEditor(const char* pluginPath);
    ~HostEditor();
    HostEditor(const HostEditor&) = delete;
    HostEditor& operator=(const HostEditor&) = delete;

    bool Loaded() const { return plugin_ != nullptr; }
    HWND Window() const { return window_; }
    HMODULE Plugin() const { return plugin_; }

    // The window starts hidden: tests need no visible host, and under X
    // without a window manager every hidden-again window costs a wait.
    void Show();

    // What the host answers to 2106. Paths are written as the host writes
    // them, at most 260 bytes; a longer path fills all 260 bytes and leaves
    // no terminator, as a misbehaving host would.
    std::vector<std::string> documents;
    std::optional<LRESULT> documentCount; // the answer to 301; documents.size() when unset
    std::string activePath;
    bool answersActivePath = true; // false: the buffer for the active path is left as it came

    // Every 2050 as it was sent, every 2070 once the host's queue gives it.
    std::vector<HostMessage> received;

    // The wParam of every 2106 asked, in order.
    std::vector<WPARAM> informationRequests;

    // Runs the host's message loop until its queue is empty, as the host
    // does once the plug-in returns.
    void DispatchPending();

    // The plug-in's exports.
    void OnCommand();
    BOOL QueryStatus(BOOL* checkMark);
    void OnEvents(UINT events, LPARAM lParam);
    UINT GetMenuTextID();
    UINT GetStatusMessageID();
    UINT GetBitmapID();
    LRESULT PlugInProc(UINT message, WPARAM wParam, LPARAM lParam);

    FARPROC Export(const char* name) const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT AnswerInformation(WPARAM wParam, LPARAM lParam) const;

    HMODULE plugin_ = nullptr;
    HWND window_ = nullptr;
};

// The bytes the host writes for a document path into a 260-byte buffer.
void WriteHostPath(const std::string& path, char* buffer);
