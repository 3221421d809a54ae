#include "tests/support/RegistrySandbox.h"

#include <gtest/gtest.h>

namespace {

HKEY CreateWritableKey(HKEY root, const char* path)
{
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    EXPECT_EQ(ERROR_SUCCESS, status) << "RegCreateKeyExA " << path;
    return key;
}

} // namespace

RegistrySandbox::RegistrySandbox()
{
    EXPECT_TRUE(scratch_.Redirected()) << "HKEY_CURRENT_USER is not redirected to " << scratch_.Path();
}

void RegistrySandbox::CreateKey(const char* keyPath)
{
    RegCloseKey(CreateWritableKey(HKEY_CURRENT_USER, keyPath));
}

void RegistrySandbox::SetValue(const char* keyPath, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = CreateWritableKey(HKEY_CURRENT_USER, keyPath);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size))
        << "RegSetValueExA " << keyPath << "\\" << name;
    RegCloseKey(key);
}

void RegistrySandbox::SetString(const char* keyPath, const char* name, const std::string& text)
{
    SetValue(keyPath, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void RegistrySandbox::SetDword(const char* keyPath, const char* name, DWORD value)
{
    SetValue(keyPath, name, REG_DWORD, &value, sizeof value);
}
