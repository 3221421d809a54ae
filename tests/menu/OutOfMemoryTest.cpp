// The command's own code, linked into this program, with memory running out
// at each of its allocations in turn.
#include <iostream>
#include <new>
#include <optional>

#include "host/PopupDriver.h"
#include "menu/Command.h"
#include "tests/menu/AnsiNames.h"
#include "tests/menu/CommandFixture.h"
#include "tests/support/CountingAllocator.h"

namespace {

// What one run with a chosen allocation failing did.
struct FailingRun {
    CommandRun run;
    bool failed = false;  // the chosen allocation came and failed
    bool escaped = false; // an exception left RunRecentCommand
    long allocations = 0;
    long liveBlocks = 0;
};

// A profile that takes every allocating path of a run: both lists, names
// shared between entries, open documents and an active one, a file list
// past ten with lettered access keys, StripCurPath over the current
// directory, long paths to compact, ampersands to double, and names that in
// code page 932 are double-byte with trail bytes of a backslash's value.
class OutOfMemoryTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        // 表示 and ソフト start with characters whose second byte is 0x5C.
        const std::string shown = AnsiName({L"表示.txt", L"Übersicht.txt", L"shown.txt"});
        const std::string soft = AnsiName({L"ソフト", L"Café", L"soft"});
        const std::string minutes = AnsiName({L"議事録.txt", L"Résumé.txt", L"minutes.txt"});
        const std::string memo = AnsiName({L"報告書&メモ.txt", L"Naïve&Co.txt", L"report&memo.txt"});
        const std::string deep = AnsiName({L"予定表\\第二四半期の見直し\\最終版", L"Straße\\Überprüfung des Quartals\\Endfassung",
                                           L"plans\\quarterly review\\final"});
        const std::string longName = AnsiName({L"能力評価シート（改訂版）.txt", L"Ærøskøbing-Übersichtsblatt-überarbeitet.txt",
                                               L"capability-assessment-sheet-revised.txt"});
        ASSERT_FALSE(shown.empty() || soft.empty() || minutes.empty() || memo.empty() || deep.empty() ||
                     longName.empty());

        files = {
            scratch.File(shown),                     // open, unique name: shown by name
            scratch.File(soft + "\\" + shown),       // same name elsewhere
            scratch.File("a\\same.txt"),             // open, but its name is shared
            scratch.File("b\\same.txt", false),      // missing
            scratch.File(minutes, false),            // missing and active
            scratch.File(memo),                      // in the current directory
            scratch.File(deep + "\\" + longName),    // compacted
            scratch.File(soft + "\\" + memo, false), // missing, ampersand in its path
        };
        for (int n = static_cast<int>(files.size()) + 1; n <= 14; ++n)
            files.push_back(scratch.File("f" + std::to_string(n) + ".txt", n % 3 != 0));
        SetRecentFiles(files);
        folders = {scratch.Path(), scratch.Folder(soft), scratch.Folder(deep), scratch.Folder("gone", false),
                   scratch.Folder("R&D")};
        SetRecentFolders(folders);
        SetExtraShortCut(2);
        SetStripCurPath(1);
        ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));
        host.documents = {files[0], files[2], scratch.Path() + "\\not-recent.txt", files[7], ""};
        host.activePath = files[4];
    }

    // RunRecentCommand with its failAt-th allocation failing (0: none). Only
    // the command's own allocations are counted: the host's record of
    // requests has its room beforehand, and the driver's thread allocates
    // before the count starts.
    FailingRun RunFailing(long failAt)
    {
        host.informationRequests.clear();
        host.informationRequests.reserve(100);
        FailingRun result;
        std::optional<AllocationCounter> counter;
        result.run = Drive([&] {
            counter.emplace();
            counter->FailAllocation(failAt);
            try {
                RunRecentCommand(host.Window());
            } catch (...) {
                result.escaped = true;
            }
            counter->Stop();
        });
        result.failed = counter->FailureInjected();
        result.allocations = counter->Allocations();
        result.liveBlocks = counter->LiveBlocks();
        return result;
    }

    std::vector<std::string> files;
    std::vector<std::string> folders;
};

TEST_F(OutOfMemoryTest, EveryFailedAllocationStillPostsOnceAndReleasesEverything)
{
    const int menusBefore = CountLiveMenus();
    const FailingRun whole = RunFailing(0);
    ExpectPosted(whole.run, 0);
    ASSERT_FALSE(whole.escaped);
    ASSERT_EQ(files.size() + 2, whole.run.items.size()) << "items of the main menu without failures";
    ASSERT_EQ(folders.size(), whole.run.folderItems.size()) << "items of the folder menu without failures";
    ASSERT_GT(whole.allocations, 100) << "a run of this profile allocates for its lists and labels";
    EXPECT_EQ(0, whole.liveBlocks) << "blocks left by a whole run";

    // Every point, under heap checking too: a failure path is where a
    // block is most likely freed twice or written after its end.
    long failurePoints = 0;
    for (long failAt = 1;; ++failAt) {
        const FailingRun failing = RunFailing(failAt);
        const int liveMenus = CountLiveMenus();
        SCOPED_TRACE(testing::Message() << "allocation " << failAt << " failing, code page " << GetACP());
        EXPECT_FALSE(failing.escaped) << "an exception left the command";
        ASSERT_EQ(1u, failing.run.posted.size()) << "messages 2070 posted";
        EXPECT_EQ(0, failing.run.posted[0].lParam) << "2070's lParam";
        ASSERT_EQ(0, failing.liveBlocks) << "blocks left";
        ASSERT_EQ(menusBefore, liveMenus) << "live menus after the run, expected as many as before";
        if (!failing.failed) {
            // Past the last allocation: the run is whole again.
            ExpectPosted(failing.run, 0);
            EXPECT_EQ(DescribeItems(whole.run.items), DescribeItems(failing.run.items)) << "main menu";
            EXPECT_EQ(DescribeItems(whole.run.folderItems), DescribeItems(failing.run.folderItems)) << "folder menu";
            EXPECT_EQ(whole.allocations, failing.allocations) << "allocations of a run without failure";
            EXPECT_EQ(whole.allocations, failAt - 1) << "allocations that could fail";
            break;
        }
        ++failurePoints;
        EXPECT_FALSE(failing.run.opened) << "the menu showed although an allocation failed";
        EXPECT_EQ(0u, failing.run.posted[0].wParam) << "2070's wParam";
        ASSERT_LE(failAt, whole.allocations) << "a failure past the last allocation of the whole run";
    }
    RecordProperty("failurePoints", static_cast<int>(failurePoints));
    std::cout << "[ SWEEP    ] code page " << GetACP() << ": " << failurePoints << " failure points of "
              << whole.allocations << " allocations" << std::endl;
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
