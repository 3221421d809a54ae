// The host's display settings, read from a sandboxed HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <vector>

#include "plugin/HostSettings.h"
#include "tests/support/RegistrySandbox.h"

namespace {

// How one setting is stored, if at all.
struct StoredSetting {
    const char* what;
    bool keyExists;
    bool valueExists;
    DWORD type;
    std::vector<BYTE> data;
};

std::vector<BYTE> DwordBytes(DWORD value)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    return {bytes, bytes + sizeof value};
}

void Store(RegistrySandbox& registry, const char* name, const StoredSetting& setting)
{
    if (setting.valueExists)
        registry.SetValue(CommonSettingsKey, name, setting.type, setting.data.data(),
                          static_cast<DWORD>(setting.data.size()));
    else if (setting.keyExists)
        registry.CreateKey(CommonSettingsKey);
}

TEST(HostSettingsTest, ExtraShortCut)
{
    const struct {
        StoredSetting setting;
        int expected;
    } cases[] = {
        {{"missing key", false, false, 0, {}}, -1},
        {{"missing value", true, false, 0, {}}, -1},
        {{"REG_SZ", true, true, REG_SZ, {'2', 0}}, -1},
        {{"REG_BINARY of 4 bytes", true, true, REG_BINARY, DwordBytes(2)}, -1},
        {{"REG_DWORD of 8 bytes", true, true, REG_DWORD, {2, 0, 0, 0, 0, 0, 0, 0}}, -1},
        {{"REG_DWORD 0", true, true, REG_DWORD, DwordBytes(0)}, 0},
        {{"REG_DWORD 1", true, true, REG_DWORD, DwordBytes(1)}, 1},
        {{"REG_DWORD 2", true, true, REG_DWORD, DwordBytes(2)}, 2},
        {{"REG_DWORD 7", true, true, REG_DWORD, DwordBytes(7)}, 7},
        {{"REG_DWORD of 1 byte", true, true, REG_DWORD, {2}}, 2},
        {{"REG_DWORD of 0 bytes", true, true, REG_DWORD, {}}, 0},
    };
    for (const auto& c : cases) {
        RegistrySandbox registry;
        Store(registry, "ExtraShortCut", c.setting);
        EXPECT_EQ(c.expected, ReadExtraShortCut()) << c.setting.what;
    }
}

TEST(HostSettingsTest, StripCurPath)
{
    const struct {
        StoredSetting setting;
        bool expected;
    } cases[] = {
        {{"missing key", false, false, 0, {}}, false},
        {{"missing value", true, false, 0, {}}, false},
        {{"REG_SZ", true, true, REG_SZ, {'1', 0}}, false},
        {{"REG_BINARY of 4 bytes", true, true, REG_BINARY, DwordBytes(1)}, false},
        {{"REG_DWORD of 8 bytes", true, true, REG_DWORD, {1, 0, 0, 0, 0, 0, 0, 0}}, false},
        {{"REG_DWORD 0", true, true, REG_DWORD, DwordBytes(0)}, false},
        {{"REG_DWORD 1", true, true, REG_DWORD, DwordBytes(1)}, true},
        {{"REG_DWORD 0x100", true, true, REG_DWORD, DwordBytes(0x100)}, true},
        {{"REG_DWORD of 1 byte 0", true, true, REG_DWORD, {0}}, false},
        {{"REG_DWORD of 0 bytes", true, true, REG_DWORD, {}}, false},
    };
    for (const auto& c : cases) {
        RegistrySandbox registry;
        Store(registry, "StripCurPath", c.setting);
        EXPECT_EQ(c.expected, ReadStripCurPath()) << c.setting.what;
    }
}

TEST(HostSettingsTest, EachSettingIsReadFromItsOwnValue)
{
    RegistrySandbox registry;
    registry.SetDword(CommonSettingsKey, "ExtraShortCut", 2);
    EXPECT_FALSE(ReadStripCurPath());
    registry.SetDword(CommonSettingsKey, "StripCurPath", 1);
    EXPECT_EQ(2, ReadExtraShortCut());
    EXPECT_TRUE(ReadStripCurPath());
}

// Tests must never reach the real hive, not even after a nested sandbox.
TEST(HostSettingsTest, NestedSandboxGivesTheOuterOneBack)
{
    RegistrySandbox outer;
    outer.SetDword(CommonSettingsKey, "ExtraShortCut", 2);
    {
        RegistrySandbox inner;
        EXPECT_EQ(-1, ReadExtraShortCut()) << "the inner sandbox starts empty";
        inner.SetDword(CommonSettingsKey, "ExtraShortCut", 1);
        EXPECT_EQ(1, ReadExtraShortCut());
    }
    EXPECT_EQ(2, ReadExtraShortCut()) << "after the inner sandbox ends";
}

} // namespace
