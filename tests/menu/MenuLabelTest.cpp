// Labels without a menu: the access-key prefixes, the folder submenu's label
// and the display texts with their ampersands doubled, from the code linked into this program,
// which carries the plug-in's string resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "menu/RecentMenu.h"

namespace {

std::string ResourceText(UINT id)
{
    char text[256] = {};
    LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    return text;
}

struct PrefixCase {
    int position;
    int mode;
    const char* prefix;
};

TEST(BuildMnemonicPrefix, FollowsThePositionAndTheMode)
{
    const PrefixCase cases[] = {
        {0, -1, "&1 "}, {0, 2, "&1 "}, {8, -1, "&9 "}, {8, 2, "&9 "}, {9, -1, "&0 "}, {9, 0, "&0 "},
        {9, 1, "&0 "},  {9, 2, "&0 "}, {9, 7, "&0 "},  {10, 1, "&0 "}, {36, 1, "&0 "}, {10, 2, "&A "},
        {11, 2, "&B "}, {35, 2, "&Z "}, {36, 2, "&[ "}, {37, 2, "&\\ "}, {10, 0, ""},   {10, -1, ""},
        {10, 3, ""},    {36, 0, ""},
    };
    for (const PrefixCase& c : cases)
        EXPECT_EQ(c.prefix, std::string(BuildMnemonicPrefix(c.position, c.mode)))
            << "position " << c.position << ", mode " << c.mode;
}

struct LabelCase {
    int mode;
    int fileCount;
    const char* prefix;
    UINT resource;
};

TEST(BuildFolderMenuLabel, ContinuesTheLettersOnlyInModeTwoAfterNineFiles)
{
    const LabelCase cases[] = {
        {2, 10, "&A ", 6}, {2, 12, "&C ", 6}, {2, 37, "&\\ ", 6}, {2, 9, "", 7},  {2, 0, "", 7},
        {1, 12, "", 7},    {0, 12, "", 7},    {-1, 37, "", 7},    {3, 12, "", 7},
    };
    for (const LabelCase& c : cases)
        EXPECT_EQ(c.prefix + ResourceText(c.resource), std::string(BuildFolderMenuLabel(7, 6, c.mode, c.fileCount)))
            << "mode " << c.mode << ", " << c.fileCount << " files";
}

TEST(BuildFolderMenuLabel, TakesTheTextsOfTheIdsItIsGiven)
{
    EXPECT_EQ(ResourceText(4), std::string(BuildFolderMenuLabel(4, 5, 1, 12)));
    EXPECT_EQ("&B " + ResourceText(5), std::string(BuildFolderMenuLabel(4, 5, 2, 11)));
}

struct DisplayCase {
    const char* label;
    const char* text;
    const char* expected;
};

void ExpectAppended(const DisplayCase& c)
{
    NarrowString label(c.label);
    AppendDisplayText(label, c.text);
    EXPECT_EQ(c.expected, std::string(label)) << "\"" << c.text << "\" after \"" << c.label << "\"";
}

TEST(AppendDisplayText, DoublesEveryAmpersandOfTheTextButNoneOfTheLabel)
{
    const DisplayCase cases[] = {
        {"", "", ""},
        {"&1 ", "", "&1 "},
        {"", "plain.txt", "plain.txt"},
        {"&1 ", "plain.txt", "&1 plain.txt"},
        {"&2 ", "Q&A.txt", "&2 Q&&A.txt"},
        {"", "&", "&&"},
        {"&A ", "a&&b", "&A a&&&&b"},
        {"&0 ", "&start", "&0 &&start"},
        {"", "end&", "end&&"},
    };
    for (const DisplayCase& c : cases)
        ExpectAppended(c);
}

TEST(AppendDisplayText, WritesIntoTheRoomOfAFormattedPrefix)
{
    NarrowString label = BuildMnemonicPrefix(2, -1);
    AppendDisplayText(label, "R&D");
    EXPECT_EQ("&3 R&&D", std::string(label));
    EXPECT_EQ(7, label.Length());
}

TEST(AppendDisplayText, StepsOverDoubleByteCharacters)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs the double-byte ANSI code page 932, not " << GetACP();
    const DisplayCase cases[] = {
        {"&1 ", "\x95\x5c&", "&1 \x95\x5c&&"}, // 表&
        // A lead byte takes the 0x26 after it as its trail byte.
        {"&1 ", "\x81\x26", "&1 \x81\x26"},
        {"", "\x81\x26&\x81\x26", "\x81\x26&&\x81\x26"},
        {"&A ", "&\x97\xa0", "&A &&\x97\xa0"}, // &裏
    };
    for (const DisplayCase& c : cases)
        ExpectAppended(c);
}

TEST(QueryCurrentDirectory, KeepsTheBackslashOfADriveRootOnly)
{
    char saved[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\windows\\"));
    EXPECT_EQ("C:\\windows", std::string(QueryCurrentDirectory()));
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    EXPECT_EQ("C:\\", std::string(QueryCurrentDirectory()));
    SetCurrentDirectoryA(saved);
}

} // namespace
