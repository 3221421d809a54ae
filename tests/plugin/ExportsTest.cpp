// The plug-in's face as the host sees it: the exports of the 64-bit
// Velandor.dll, called through the host stand-in.
#include <gtest/gtest.h>

#include "host/HostEditor.h"

namespace {

class ExportsTest : public testing::Test {
protected:
    HostEditor host{"Velandor.dll"};
};

TEST_F(ExportsTest, LoadsWithAllSevenExports)
{
    ASSERT_TRUE(host.Loaded()) << "LoadLibrary error " << GetLastError();
    for (const char* name : {"OnCommand", "QueryStatus", "OnEvents", "GetMenuTextID", "GetStatusMessageID",
                             "GetBitmapID", "PlugInProc"})
        EXPECT_NE(nullptr, host.Export(name)) << name;
}

} // namespace
