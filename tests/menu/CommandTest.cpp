// The command end to end: the Velandor.dll under test in the host stand-in,
// its popup menu read and driven while user32's menu loop runs it.
#include <algorithm>

#include "tests/menu/CommandFixture.h"
#include "tests/support/Workload.h"

namespace {

constexpr UINT Grayed = MFS_GRAYED;
constexpr UINT Checked = MFS_CHECKED;
constexpr UINT Default = MFS_DEFAULT;

// "&1 " and so on before a display text; '-' stands for no prefix.
std::string Prefix(char key)
{
    return key == '-' ? std::string() : std::string("&") + key + " ";
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    return text;
}

// --- Access keys -----------------------------------------------------------

struct ShortCutMode {
    const char* name;
    DWORD type; // REG_NONE: the setting is absent
    DWORD value;
    // The access key of the item at each position, '-' for none, up to
    // position 37, the submenu item's after 37 files.
    const char* keys;
    bool folderContinuesLetters;
};

void PrintTo(const ShortCutMode& mode, std::ostream* out)
{
    *out << mode.name;
}

const ShortCutMode ShortCutModes[] = {
    {"Absent", REG_NONE, 0, "1234567890----------------------------", false},
    {"WrongType", REG_BINARY, 2, "1234567890----------------------------", false},
    {"Zero", REG_DWORD, 0, "1234567890----------------------------", false},
    {"One", REG_DWORD, 1, "12345678900000000000000000000000000000", false},
    {"Two", REG_DWORD, 2, "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\", true},
};

class AccessKeys : public CommandTest, public testing::WithParamInterface<std::tuple<ShortCutMode, int>> {};

TEST_P(AccessKeys, NumberThenFollowTheModeAndTheSubmenuContinuesTheLetters)
{
    const ShortCutMode& mode = std::get<0>(GetParam());
    const int fileCount = std::get<1>(GetParam());
    if (mode.type != REG_NONE)
        registry.SetValue(CommonKey, "ExtraShortCut", mode.type, &mode.value, sizeof mode.value);
    std::vector<std::string> files;
    std::vector<ItemExpectation> expected;
    for (int position = 0; position < fileCount; ++position) {
        files.push_back(scratch.File("f" + std::to_string(position + 1) + ".txt"));
        expected.push_back({Prefix(mode.keys[position]) + files.back(), 0, 0x1201u + position});
    }
    const std::string first = scratch.Folder("d1");
    const std::string second = scratch.Folder("d2");
    SetRecentFiles(files);
    SetRecentFolders({first, second});

    const CommandRun run = Run();

    ExpectPosted(run, 0);
    const std::string label = mode.folderContinuesLetters && fileCount > 9
                                  ? Prefix(mode.keys[fileCount]) + PluginString(6)
                                  : PluginString(7);
    ExpectMainMenu(run, expected, label);
    ExpectItems(run.folderItems, {{"&1 " + first, 0, 0x1380}, {"&2 " + second, 0, 0x1381}}, "folder menu");
}

INSTANTIATE_TEST_SUITE_P(ModesAndCounts, AccessKeys,
                         testing::Combine(testing::ValuesIn(ShortCutModes), testing::Values(9, 10, 12, 37)),
                         [](const testing::TestParamInfo<AccessKeys::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name) + "With" +
                                    std::to_string(std::get<1>(info.param)) + "Files";
                         });

// --- Display texts ---------------------------------------------------------

TEST_F(CommandTest, OpenFilesWithUniqueNamesShowTheNameAllOthersTheCompactPath)
{
    const std::string sharedOpen = scratch.File("a\\same.txt");
    const std::string sharedClosed = scratch.File("b\\same.txt");
    const std::string uniqueOpen = scratch.File("unique.txt");
    const std::string uniqueClosed = scratch.File("closed.txt");
    const std::string longShared = scratch.File("archive\\2023\\quarterly-reports\\summary-final.txt");
    const std::string longUnique = scratch.File("notes\\a-very-long-file-name-that-needs-cutting-down.txt");
    const std::string longClosed = scratch.File("summary-final.txt");
    SetRecentFiles({sharedOpen, sharedClosed, uniqueOpen, uniqueClosed, longShared, longUnique, longClosed});
    const std::string longFolder = scratch.Folder("projects\\customer-portal\\releases\\spring-2024");
    SetRecentFolders({longFolder});
    host.documents = {uniqueOpen, sharedOpen, longShared, longUnique};

    const CommandRun run = Run();

    ExpectPosted(run, 0);
    ExpectMainMenu(run,
                   {
                       {"&1 C:\\vmenu\\a\\same.txt", Checked, 0x1201},
                       {"&2 C:\\vmenu\\b\\same.txt", 0, 0x1202},
                       {"&3 unique.txt", Checked, 0x1203},
                       {"&4 C:\\vmenu\\closed.txt", 0, 0x1204},
                       {"&5 C:\\vmenu\\archive\\2023\\quarte...\\summary-final.txt", Checked, 0x1205},
                       {"&6 a-very-long-file-name-that-needs-cutting-down.txt", Checked, 0x1206},
                       {"&7 C:\\vmenu\\summary-final.txt", 0, 0x1207},
                   },
                   PluginString(7));
    ExpectItems(run.folderItems, {{"&1 C:\\vmenu\\projects\\customer-portal\\...\\spring-2024", 0, 0x1380}},
                "folder menu");
}

TEST_F(CommandTest, StripCurPathShowsTheNamesOfFilesInTheCurrentDirectoryButNoFolderName)
{
    const std::string here = scratch.File("here.txt");
    const std::string shared = scratch.File("dup.txt");
    const std::string sharedBelow = scratch.File("sub\\dup.txt");
    const std::string below = scratch.File("sub\\there.txt");
    SetRecentFiles({here, shared, sharedBelow, below});
    const std::string folderHere = scratch.Folder("sub");
    SetRecentFolders({folderHere});
    SetStripCurPath(1);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));

    const CommandRun run = Run();

    ExpectPosted(run, 0);
    ExpectMainMenu(run,
                   {
                       {"&1 here.txt", 0, 0x1201},
                       {"&2 dup.txt", 0, 0x1202},
                       {"&3 " + sharedBelow, 0, 0x1203},
                       {"&4 " + below, 0, 0x1204},
                   },
                   PluginString(7));
    ExpectItems(run.folderItems, {{"&1 " + folderHere, 0, 0x1380}}, "folder menu");
}

TEST_F(CommandTest, WithoutStripCurPathFilesInTheCurrentDirectoryShowTheirPath)
{
    const std::string here = scratch.File("here.txt");
    SetRecentFiles({here});
    SetStripCurPath(0);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));

    const CommandRun run = Run();

    ExpectPosted(run, 0);
    ExpectMainMenu(run, {{"&1 " + here, 0, 0x1201}}, PluginString(7));
}

// The current directory of a drive root ends in a backslash; the directory
// part of a file in it does not.
TEST_F(CommandTest, StripCurPathAtADriveRootShowsThePathsOfFilesInTheRoot)
{
    const std::string inRoot = "C:\\velandor-not-there.txt";
    SetRecentFiles({inRoot});
    SetStripCurPath(1);
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));

    const CommandRun run = Run();

    ExpectPosted(run, 0);
    ExpectMainMenu(run, {{"&1 " + inRoot, Grayed, 0x1201}}, PluginString(7));
}

TEST_F(CommandTest, AmpersandsInNamesAndPathsAreShownAndTheNumberKeyStillPicks)
{
    const std::string named = scratch.File("Q&A.txt");
    const std::string pathed = scratch.File("R&D\\plan.txt");
    SetRecentFiles({named, pathed});
    SetRecentFolders({scratch.Folder("R&D")});
    host.documents = {named};

    const CommandRun run = Run({Type('1')});

    ExpectPosted(run, 0x1201);
    ExpectMainMenu(run, {{"&1 Q&&A.txt", Checked, 0x1201}, {"&2 C:\\vmenu\\R&&D\\plan.txt", 0, 0x1202}},
                   PluginString(7));
    ExpectItems(run.folderItems, {{"&1 C:\\vmenu\\R&&D", 0, 0x1380}}, "folder menu");
}

// --- States ----------------------------------------------------------------

TEST_F(CommandTest, MissingIsGrayedOpenIsCheckedActiveIsCheckedAndDefault)
{
    const std::string missing = scratch.File("missing.txt", false);
    const std::string open = scratch.File("open.txt");
    const std::string active = scratch.File("active.txt");
    const std::string missingOpen = scratch.File("gone.txt", false);
    const std::string cased = scratch.File("cased.txt");
    const std::string plain = scratch.File("plain.txt");
    SetRecentFiles({missing, open, active, missingOpen, cased, plain});
    const std::string openFolder = scratch.Folder("docs");
    const std::string missingFolder = scratch.Folder("gone", false);
    SetRecentFolders({openFolder, missingFolder});
    host.documents = {open, missingOpen, Upper(cased), openFolder};
    host.activePath = active;

    const CommandRun run = Run();

    ExpectPosted(run, 0);
    ExpectMainMenu(run,
                   {
                       {"&1 " + missing, Grayed, 0x1201},
                       {"&2 open.txt", Checked, 0x1202},
                       {"&3 " + active, Checked | Default, 0x1203},
                       {"&4 gone.txt", Grayed | Checked, 0x1204},
                       {"&5 " + cased, 0, 0x1205},
                       {"&6 " + plain, 0, 0x1206},
                   },
                   PluginString(7));
    ExpectItems(run.folderItems, {{"&1 " + openFolder, 0, 0x1380}, {"&2 " + missingFolder, Grayed, 0x1381}},
                "folder menu");
}

TEST_F(CommandTest, AnActivePathDifferingInCaseIsNotActive)
{
    const std::string file = scratch.File("active.txt");
    SetRecentFiles({file});
    host.activePath = Upper(file);

    const CommandRun run = Run();

    ExpectPosted(run, 0);
    ExpectMainMenu(run, {{"&1 " + file, 0, 0x1201}}, PluginString(7));
}

TEST_F(CommandTest, AFolderIsCheckedAndDefaultOnlyAsTheActivePath)
{
    const std::string file = scratch.File("notes.txt");
    SetRecentFiles({file});
    const std::string active = scratch.Folder("active");
    const std::string open = scratch.Folder("open");
    SetRecentFolders({open, active});
    host.documents = {open};
    host.activePath = active;

    const CommandRun run = Run();

    ExpectPosted(run, 0);
    ExpectItems(run.folderItems, {{"&1 " + open, 0, 0x1380}, {"&2 " + active, Checked | Default, 0x1381}},
                "folder menu");
}

TEST_F(CommandTest, ADocumentCountOfZeroOrLessListsNoOpenDocument)
{
    const std::string open = scratch.File("open.txt");
    const std::string active = scratch.File("active.txt");
    SetRecentFiles({open, active});
    host.documents = {open};
    host.activePath = active;
    for (const LRESULT count : {0, -1}) {
        host.documentCount = count;

        const CommandRun run = Run();

        ExpectPosted(run, 0);
        ExpectMainMenu(run, {{"&1 " + open, 0, 0x1201}, {"&2 " + active, Checked | Default, 0x1202}},
                       PluginString(7));
    }
}

// --- Choosing --------------------------------------------------------------

class ChoosingTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        std::vector<std::string> files;
        for (int n = 1; n <= 12; ++n)
            files.push_back(scratch.File("f" + std::to_string(n) + ".txt"));
        SetRecentFiles(files);
        SetRecentFolders({scratch.Folder("d1"), scratch.Folder("d2")});
    }
};

TEST_F(ChoosingTest, TheThirdFilePostsItsId)
{
    ExpectPosted(Run({Press(VK_DOWN), Press(VK_DOWN), Press(VK_DOWN), Press(VK_RETURN)}), 0x1203);
}

TEST_F(ChoosingTest, TheFirstFolderPostsItsId)
{
    // Up from no selection reaches the submenu item, Right opens it on its
    // first item.
    ExpectPosted(Run({Press(VK_UP), Press(VK_RIGHT), Press(VK_RETURN)}), 0x1380);
}

TEST_F(ChoosingTest, AFileWithoutAccessKeyPostsTheIdOfItsPosition)
{
    SetExtraShortCut(0);
    ExpectPosted(Run({Press(VK_UP), Press(VK_UP), Press(VK_RETURN)}), 0x120C);
}

TEST_F(CommandTest, TheMenuOpensWithItsTopLeftCornerAtTheCursor)
{
    const CommandRun run = Run();

    ExpectPosted(run, 0);
    EXPECT_EQ(MenuCursor.x, run.window.left) << "the menu's left edge";
    EXPECT_EQ(MenuCursor.y, run.window.top) << "the menu's top edge";
}

TEST_F(CommandTest, EmptyListsGiveTheSeparatorAndTheSubmenuItemOnly)
{
    const CommandRun run = Run();

    ExpectPosted(run, 0);
    ExpectMainMenu(run, {}, PluginString(7));
    ExpectItems(run.folderItems, {}, "folder menu");
}

// --- What the host answers -------------------------------------------------

TEST_F(CommandTest, AsksTheCountThenEachDocumentThenTheActiveOne)
{
    host.documents = {"C:\\a.txt", "C:\\b.txt", "C:\\c.txt"};

    ExpectPosted(Run(), 0);

    const std::vector<WPARAM> expected = {301, MAKEWPARAM(278, 1), MAKEWPARAM(278, 2), MAKEWPARAM(278, 3), 278};
    EXPECT_EQ(expected, host.informationRequests);
}

// The high word names a document as index + 1 in 16 bits; a larger count
// would wrap around to 0, the active document.
TEST_F(CommandTest, ADocumentCountBeyondWhatARequestCanNameIsCapped)
{
    if (LightRun())
        GTEST_SKIP() << "65,535 paths take hours under heap checking, each a check of the whole heap";
    host.documentCount = 0x10000 + 5;

    ExpectPosted(Run(), 0);

    size_t activeRequests = 0;
    WORD highestDocument = 0;
    for (const WPARAM request : host.informationRequests) {
        if (LOWORD(request) != 278)
            continue;
        activeRequests += HIWORD(request) == 0;
        highestDocument = std::max(highestDocument, HIWORD(request));
    }
    EXPECT_EQ(1u, activeRequests) << "requests for the active document";
    EXPECT_EQ(0xFFFF, highestDocument) << "the last document asked";
    EXPECT_EQ(0x10000u + 1, host.informationRequests.size()) << "requests in all";
}

// The host writes at most 260 bytes, and no terminator after a full 260: the
// path ends there, not earlier and not later. The registry's value of 260
// bytes without terminator is the same path.
TEST_F(CommandTest, HostPathsFillingAll260BytesAreCutAt260)
{
    const std::string path = "C:\\vmenu\\" + std::string(260 - 9 - 4, 'p') + ".txt";
    ASSERT_EQ(260u, path.size());
    // The registry adds a terminator to a string whose next byte is 0.
    const std::string stored = path + "#";
    registry.SetValue(FileListKey, "File1", REG_SZ, stored.data(), 260);

    host.documents = {path + "\\beyond"};
    const CommandRun asOpen = Run();
    ExpectPosted(asOpen, 0);
    ASSERT_EQ(3u, asOpen.items.size()) << "the 260-byte recent file is not listed";
    EXPECT_EQ(Grayed | Checked, asOpen.items[0].state) << "the item of the open document cut at 260 bytes";

    host.documents.clear();
    host.activePath = path + "-beyond";
    const CommandRun asActive = Run();
    ExpectPosted(asActive, 0);
    ASSERT_EQ(3u, asActive.items.size()) << "the 260-byte recent file is not listed";
    EXPECT_EQ(Grayed | Checked | Default, asActive.items[0].state)
        << "the item of the active document cut at 260 bytes";
}

// --- Code page 932 ---------------------------------------------------------

class CodePage932Test : public CommandTest {
protected:
    void SetUp() override
    {
        if (GetACP() != 932)
            GTEST_SKIP() << "needs the double-byte ANSI code page 932, not " << GetACP();
        CommandTest::SetUp();
    }
};

// 最近使ったフォルダ, recently used folders, in code page 932.
const std::string RecentFolders = "\x8d\xc5\x8b\xdf\x8e\x67\x82\xc1\x82\xbd\x83\x74\x83\x48\x83\x8b\x83\x5f";

TEST_F(CodePage932Test, TheSubmenuItemShowsTheJapaneseTexts)
{
    ASSERT_EQ(RecentFolders + "(&F)", PluginString(7));
    ASSERT_EQ(RecentFolders, PluginString(6));

    const CommandRun plain = Run();
    ExpectPosted(plain, 0);
    ExpectMainMenu(plain, {}, RecentFolders + "(&F)");

    std::vector<std::string> files;
    std::vector<ItemExpectation> expected;
    for (int n = 1; n <= 10; ++n) {
        files.push_back(scratch.File("f" + std::to_string(n) + ".txt"));
        expected.push_back({"&" + std::to_string(n % 10) + " " + files.back(), 0, 0x1200u + n});
    }
    SetRecentFiles(files);
    SetExtraShortCut(2);
    const CommandRun lettered = Run();
    ExpectPosted(lettered, 0);
    ExpectMainMenu(lettered, expected, "&A " + RecentFolders);
}

TEST_F(CodePage932Test, DoubleByteNamesAndPathsAppearWhole)
{
    // 表.txt: its second byte is a backslash's.
    const std::string name = scratch.File("\x95\x5c.txt");
    // ソフト\メモ.txt, the folder's first character again with a 0x5C byte.
    const std::string path = scratch.File("\x83\x5c\x83\x74\x83\x67\\\x83\x81\x83\x82.txt");
    // 表&裏.txt
    const std::string ampersand = scratch.File("\x95\x5c&\x97\xa0.txt");
    SetRecentFiles({name, path, ampersand});
    const std::string folder = scratch.Folder("\x83\x5c\x83\x74\x83\x67");
    SetRecentFolders({folder});
    host.documents = {name, ampersand};

    const CommandRun run = Run();

    ExpectPosted(run, 0);
    ExpectMainMenu(run,
                   {
                       {"&1 \x95\x5c.txt", Checked, 0x1201},
                       {"&2 " + path, 0, 0x1202},
                       {"&3 \x95\x5c&&\x97\xa0.txt", Checked, 0x1203},
                   },
                   PluginString(7));
    ExpectItems(run.folderItems, {{"&1 " + folder, 0, 0x1380}}, "folder menu");
}

} // namespace
