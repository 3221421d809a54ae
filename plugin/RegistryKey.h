#pragma once
#include <windows.h>

// Owns one open registry key and closes it when it goes out of scope, so no
// path out of a reader can leave the host's key open.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() { Close(); }

    // Opens HKEY_CURRENT_USER\path for reading only: the plug-in never
    // writes the host's data.
    bool OpenForReading(const char* path)
    {
        Close();
        HKEY opened = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &opened) != ERROR_SUCCESS)
            return false;
        handle_ = opened;
        return true;
    }

    void Close()
    {
        if (handle_) {
            RegCloseKey(handle_);
            handle_ = nullptr;
        }
    }

    HKEY Get() const { return handle_; }

private:
    HKEY handle_ = nullptr;
};
