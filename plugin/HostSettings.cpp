#include "plugin/HostSettings.h"

#include "plugin/RegistryKey.h"

namespace {

// Reads one REG_DWORD of the host's common settings, opening and closing the
// key around the single value. Data shorter than 4 bytes land in a zeroed
// buffer, so no stray bytes reach the result.
bool ReadCommonDword(const char* valueName, DWORD& value)
{
    RegistryKey key;
    if (!key.OpenForReading(CommonSettingsKey))
        return false;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    const LONG status = RegQueryValueExA(key.Get(), valueName, nullptr, &type,
                                         reinterpret_cast<BYTE*>(&data), &size);
    if (status != ERROR_SUCCESS || type != REG_DWORD)
        return false;
    value = data;
    return true;
}

} // namespace

int ReadExtraShortCut()
{
    DWORD value = 0;
    return ReadCommonDword("ExtraShortCut", value) ? static_cast<int>(value) : -1;
}

bool ReadStripCurPath()
{
    DWORD value = 0;
    return ReadCommonDword("StripCurPath", value) && value != 0;
}
