#pragma once
#include <windows.h>

#include <string>

#include "host/ScratchRegistry.h"

// A test's registry: HKEY_CURRENT_USER redirected to a scratch key for the
// sandbox's life (see ScratchRegistry), so tests never read or write the
// user's real data, and a failed redirection or write fails the test.
class RegistrySandbox {
public:
    RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // Writes a value below the redirected HKEY_CURRENT_USER, creating the key.
    void SetValue(const char* keyPath, const char* name, DWORD type, const void* data, DWORD size);
    void SetString(const char* keyPath, const char* name, const std::string& text);
    void SetDword(const char* keyPath, const char* name, DWORD value);
    void CreateKey(const char* keyPath);

private:
    ScratchRegistry scratch_;
};
