#include <gtest/gtest.h>

#include "plugin/Module.h"

// Test programs carry the plug-in's resources themselves, so the code under
// test loads its texts from the program's own module.
int main(int argc, char** argv)
{
    ModuleInstance = GetModuleHandleA(nullptr);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
