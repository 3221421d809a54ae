#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "host/ScratchRegistry.h"

// The host's data for the demo: recent files and folders made on disk in a
// temporary folder (some left missing on purpose), the host's settings, and
// which documents are open and active. The registry part goes into a
// ScratchRegistry that stands in for HKEY_CURRENT_USER in this process only,
// so the user's own data is never read or written; the files, the folder and
// the key are removed again when the profile ends.
class DemoProfile {
public:
    DemoProfile();
    ~DemoProfile();
    DemoProfile(const DemoProfile&) = delete;
    DemoProfile& operator=(const DemoProfile&) = delete;

    // Whether the scratch key stands in for HKEY_CURRENT_USER; without it
    // the plug-in would read the user's own data.
    bool Ready() const { return registry_.Redirected(); }

    const std::vector<std::string>& Files() const { return files_; }
    const std::vector<std::string>& Folders() const { return folders_; }
    const std::vector<std::string>& OpenDocuments() const { return openDocuments_; }
    const std::string& ActiveDocument() const { return activeDocument_; }
    const std::string& Folder() const { return root_; }

private:
    std::string root_;
    std::vector<std::string> files_;
    std::vector<std::string> folders_;
    std::vector<std::string> openDocuments_;
    std::string activeDocument_;
    ScratchRegistry registry_;
};

// Text in the ANSI code page as UTF-8, for the console.
std::string AnsiToUtf8(const std::string& text);
