// The command's own code, linked into this program, with memory running out
// at each of its allocations in turn.
#include "menu/Command.h"
#include "tests/menu/CommandFixture.h"
#include "tests/menu/FailingAllocator.h"

namespace {

// The live menus of this process. A user handle whose high bits are zero is
// looked up by its index alone, so probing every index finds them all.
int CountLiveMenus()
{
    int count = 0;
    for (ULONG_PTR handle = 1; handle <= 0xFFFF; ++handle)
        count += IsMenu(reinterpret_cast<HMENU>(handle)) ? 1 : 0;
    return count;
}

class OutOfMemoryTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        std::vector<std::string> files;
        for (int n = 1; n <= 11; ++n)
            files.push_back(scratch.File("f" + std::to_string(n) + ".txt"));
        files.push_back(scratch.File("other\\f1.txt"));
        SetRecentFiles(files);
        SetRecentFolders({scratch.Path(), scratch.Folder("other")});
        SetExtraShortCut(2);
        SetStripCurPath(1);
        host.documents = {files[0], files[3]};
        host.activePath = files[5];
    }

    // RunRecentCommand with allocations from the failFrom-th on failing. The
    // host's record of requests has its room beforehand, so only the
    // command's own allocations are counted.
    CommandRun RunFailing(long failFrom)
    {
        host.informationRequests.clear();
        host.informationRequests.reserve(100);
        return Drive([this, failFrom] {
            FailingAllocator::Arm(failFrom);
            RunRecentCommand(host.Window());
            FailingAllocator::Disarm();
        });
    }
};

TEST_F(OutOfMemoryTest, EveryFailedAllocationStillPostsZeroOnceAndReleasesEverything)
{
    const int menusBefore = CountLiveMenus();
    const CommandRun whole = RunFailing(0);
    ExpectPosted(whole, 0);
    const long allocations = FailingAllocator::Allocations();
    ASSERT_GT(allocations, 50) << "a run with 12 files should allocate for its lists and labels";
    EXPECT_EQ(0, FailingAllocator::LiveBlocks()) << "blocks left by a whole run";

    for (long failFrom = 1; failFrom <= allocations; ++failFrom) {
        const CommandRun run = RunFailing(failFrom);
        EXPECT_FALSE(run.opened) << "menu shown although allocation " << failFrom << " failed";
        ASSERT_EQ(1u, run.posted.size()) << "2070 posted with allocation " << failFrom << " failing";
        EXPECT_EQ(0u, run.posted[0].wParam) << "2070's wParam with allocation " << failFrom << " failing";
        EXPECT_EQ(0, run.posted[0].lParam) << "2070's lParam with allocation " << failFrom << " failing";
        ASSERT_EQ(0, FailingAllocator::LiveBlocks()) << "blocks left with allocation " << failFrom << " failing";
    }
    EXPECT_EQ(menusBefore, CountLiveMenus()) << "live menus after all runs";
}

// The probe above must see a menu that is left alive, or it proves nothing.
TEST(LiveMenuCount, SeesAMenuThatIsNotDestroyed)
{
    const int before = CountLiveMenus();
    const HMENU menu = CreatePopupMenu();
    EXPECT_GT(CountLiveMenus(), before);
    DestroyMenu(menu);
    EXPECT_EQ(before, CountLiveMenus());
}

} // namespace
