#pragma once
#include <windows.h>

#include <string>

// Redirects HKEY_CURRENT_USER of this process to a fresh scratch key for the
// sandbox's lifetime, so tests never read or write the user's real data.
// The scratch key is deleted when the sandbox ends. Sandboxes nest: an inner
// one gives HKEY_CURRENT_USER back to the outer one, never to the real hive.
class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // Writes a value below the redirected HKEY_CURRENT_USER, creating the key.
    void SetValue(const char* keyPath, const char* name, DWORD type, const void* data, DWORD size);
    void SetString(const char* keyPath, const char* name, const std::string& text);
    void SetDword(const char* keyPath, const char* name, DWORD value);
    void CreateKey(const char* keyPath);

private:
    HKEY scratch_ = nullptr;
    std::string scratchPath_;
    RegistrySandbox* outer_;
};
