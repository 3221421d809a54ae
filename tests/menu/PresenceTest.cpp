// Which items are grayed when some of their volumes or servers do not
// answer, or when their names have no ANSI spelling: the plug-in's probes
// go through hooks on its import table.
#include "tests/menu/CommandFixture.h"
#include "tests/plugin/ProbeHooks.h"

namespace {

constexpr UINT Grayed = MFS_GRAYED;
// Far below the minute that an offline probe blocks, far above what a run
// takes on a loaded emulated machine.
constexpr DWORD ShowsWithinMs = 5000;

class PresenceTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        ASSERT_TRUE(hooks.Hooked()) << "the plug-in imports no GetFileAttributesW, GetFileAttributesA or CreateThread";
    }

    ProbeHooks hooks{host.Plugin()};
};

std::vector<UINT> States(const std::vector<MenuItemView>& items, size_t count)
{
    std::vector<UINT> states;
    for (size_t n = 0; n < count && n < items.size(); ++n)
        states.push_back(items[n].state & Grayed);
    return states;
}

TEST_F(PresenceTest, OfflineServerEntriesShowAtOnceEnabledAndLocalOnesAsOnDisk)
{
    SetRecentFiles({scratch.File("here.txt"), "\\\\offline\\share\\report.txt", scratch.File("gone.txt", false),
                    "\\\\nowhere\\share\\notes.txt", "\\\\offline\\share\\plans.txt"});
    SetRecentFolders({"\\\\offline\\share", scratch.Folder("gone", false), "\\\\nowhere\\share", scratch.Path()});

    const CommandRun run = Run({Type('5')});

    ExpectPosted(run, 0x1205);
    EXPECT_LT(run.showedAfterMs, ShowsWithinMs) << "milliseconds to the menu";
    EXPECT_EQ((std::vector<UINT>{0, 0, Grayed, Grayed, 0}), States(run.items, 5))
        << "here, offline, gone, a server that fails at once, offline again";
    EXPECT_EQ((std::vector<UINT>{0, Grayed, Grayed, 0}), States(run.folderItems, 4))
        << "offline, gone, a server that fails at once, here";
    EXPECT_EQ(2, hooks.ThreadsMade()) << "one thread for each server";
    EXPECT_EQ(1, hooks.OfflineProbes()) << "the offline server's first path blocks the rest";
}

TEST_F(PresenceTest, ServerStillProbedFromTheLastRunIsNotProbedAgain)
{
    SetRecentFiles({"\\\\offline\\share\\report.txt", scratch.File("gone.txt", false)});
    SetRecentFolders({"\\\\OFFLINE\\other share"});
    const CommandRun first = Run();
    ExpectPosted(first, 0);
    ASSERT_EQ(1, hooks.ThreadsMade());

    const CommandRun second = Run({Type('1')});

    ExpectPosted(second, 0x1201);
    EXPECT_LT(second.showedAfterMs, ShowsWithinMs) << "milliseconds to the second menu";
    EXPECT_EQ(1, hooks.ThreadsMade()) << "threads made in both runs";
    EXPECT_EQ(1, hooks.OfflineProbes()) << "offline probes in both runs";
    EXPECT_EQ((std::vector<UINT>{0, Grayed}), States(second.items, 2));
    EXPECT_EQ((std::vector<UINT>{0}), States(second.folderItems, 1));
}

TEST_F(PresenceTest, MoreServersThanThreadsAreAllAsked)
{
    std::vector<std::string> files;
    for (int n = 1; n <= 12; ++n)
        files.push_back("\\\\nowhere" + std::to_string(n) + "\\share\\notes.txt");
    SetRecentFiles(files);

    const CommandRun run = Run();

    ExpectPosted(run, 0);
    EXPECT_EQ(std::vector<UINT>(12, Grayed), States(run.items, 12)) << "servers that fail at once";
    EXPECT_EQ(8, hooks.ThreadsMade());
}

TEST_F(PresenceTest, ProbesOffTheHostThreadNeverAskTheUserForADisk)
{
    // A drive letter that names a folder, not a disk's volume, as a
    // removable or network drive does not either.
    ASSERT_TRUE(DefineDosDeviceA(0, "R:", scratch.Path().c_str()));
    SetRecentFiles({"R:\\missing.txt", "\\\\nowhere\\share\\notes.txt", scratch.File("here.txt")});

    const CommandRun run = Run();
    DefineDosDeviceA(DDD_REMOVE_DEFINITION, "R:", nullptr);

    ExpectPosted(run, 0);
    EXPECT_EQ((std::vector<UINT>{Grayed, Grayed, 0}), States(run.items, 3));
    EXPECT_EQ(2, hooks.ThreadsMade()) << "one thread for the drive, one for the server";
    EXPECT_EQ(2, hooks.ProbesOffThread());
    EXPECT_EQ(0, hooks.ProbesOffThreadThatMayAsk()) << "probes without SEM_FAILCRITICALERRORS";
}

// Names that the ANSI code page of the run may not spell: the item is grayed
// when the file the host stored is missing, whatever its ANSI form finds.
struct StoredName {
    const wchar_t* name;
    bool exists;
    const wchar_t* lookAlike; // made on disk; null for none
};

class StoredNameTest : public PresenceTest, public testing::WithParamInterface<StoredName> {};

TEST_P(StoredNameTest, IsGrayedExactlyWhenTheStoredFileIsMissing)
{
    const StoredName& name = GetParam();
    const std::wstring folder = L"C:\\vmenu\\";
    const std::wstring path = folder + name.name;
    if (name.exists)
        CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (name.lookAlike)
        CloseHandle(CreateFileW((folder + name.lookAlike).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                nullptr));
    ASSERT_EQ(name.exists, GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
    SetStoredList(FileListKey, {path});
    SetStoredList(FolderListKey, {});

    const CommandRun run = Run({Type('1')});

    ASSERT_EQ(3u, run.items.size());
    EXPECT_EQ(name.exists ? 0u : Grayed, run.items[0].state & Grayed);
    // A grayed item cannot be picked.
    ExpectPosted(run, name.exists ? 0x1201 : 0);
    EXPECT_EQ(0, hooks.ThreadsMade()) << "a local file is probed on the host's thread";
}

INSTANTIATE_TEST_SUITE_P(PresenceTest, StoredNameTest,
                         testing::Values(StoredName{L"\xD55C\xAE00.txt", true, nullptr},     // Korean
                                         StoredName{L"\xD83D\xDE00.txt", true, nullptr},     // an emoji
                                         StoredName{L"\x0101.txt", false, L"a.txt"},         // a-macron
                                         StoredName{L"\x0434\x043E\x043A.txt", true, nullptr})); // Cyrillic

} // namespace
