// Reading one of the host's recent lists from a sandboxed HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "plugin/HostSettings.h"
#include "recent/RecentList.h"
#include "tests/support/DoubleByteText.h"
#include "tests/support/RegistrySandbox.h"
#include "tests/support/Workload.h"
#include "text/CompactPath.h"

namespace {

std::string ValueName(int number)
{
    return "File" + std::to_string(number);
}

std::vector<std::string> FullPaths(const RecentList& list)
{
    std::vector<std::string> fullPaths;
    for (const RecentEntry& entry : list)
        fullPaths.emplace_back(entry.fullPath.Text());
    return fullPaths;
}

// A recent list of the host in a fresh sandboxed HKEY_CURRENT_USER.
class SandboxedList {
public:
    void Set(int number, const std::string& fullPath)
    {
        registry_.SetString(RecentFileListKey, ValueName(number).c_str(), fullPath);
    }

    void SetRaw(int number, DWORD type, const void* data, DWORD size)
    {
        registry_.SetValue(RecentFileListKey, ValueName(number).c_str(), type, data, size);
    }

    RecentList Read() const
    {
        RecentList list;
        ReadRecentList(list, RecentFileListKey);
        return list;
    }

private:
    RegistrySandbox registry_;
};

// The entry of a list whose only value File1 holds fullPath.
RecentEntry ReadOnlyEntry(const std::string& fullPath)
{
    SandboxedList host;
    host.Set(1, fullPath);
    const RecentList list = host.Read();
    EXPECT_EQ(1u, list.size()) << "entries read for [" << fullPath << "]";
    return list.empty() ? RecentEntry() : list.front();
}

TEST(ReadRecentListTest, MissingKeyGivesAnEmptyList)
{
    SandboxedList host;
    EXPECT_TRUE(host.Read().empty());
}

TEST(ReadRecentListTest, MissingFile1GivesAnEmptyList)
{
    SandboxedList host;
    host.Set(2, "D:\\a\\two.txt");
    EXPECT_TRUE(host.Read().empty());
}

TEST(ReadRecentListTest, ReadsInOrderUpToTheFirstGap)
{
    SandboxedList host;
    const std::vector<std::string> stored{"D:\\a\\one.txt", "D:\\b\\two.txt", "D:\\c\\three.txt"};
    for (int number = 1; number <= 3; ++number)
        host.Set(number, stored[number - 1]);
    EXPECT_EQ(stored, FullPaths(host.Read()));
}

TEST(ReadRecentListTest, SkippedNumberEndsTheList)
{
    SandboxedList host;
    host.Set(1, "D:\\a\\one.txt");
    host.Set(2, "D:\\b\\two.txt");
    host.Set(4, "D:\\d\\four.txt");
    EXPECT_EQ((std::vector<std::string>{"D:\\a\\one.txt", "D:\\b\\two.txt"}), FullPaths(host.Read()));
}

TEST(ReadRecentListTest, ValueOfAnotherTypeEndsTheList)
{
    static const char path[] = "D:\\b\\two.txt";
    static const char multi[] = "D:\\b\\two.txt\0D:\\c\\three.txt\0";
    const DWORD number = 1;
    const struct {
        const char* name;
        DWORD type;
        const void* data;
        DWORD size;
    } cases[] = {
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, path, sizeof path},
        {"REG_MULTI_SZ", REG_MULTI_SZ, multi, sizeof multi},
        {"REG_BINARY", REG_BINARY, path, sizeof path},
        {"REG_DWORD", REG_DWORD, &number, sizeof number},
    };
    for (const auto& c : cases) {
        SandboxedList host;
        host.Set(1, "D:\\a\\one.txt");
        host.SetRaw(2, c.type, c.data, c.size);
        host.Set(3, "D:\\c\\three.txt");
        EXPECT_EQ(std::vector<std::string>{"D:\\a\\one.txt"}, FullPaths(host.Read())) << "File2 of type " << c.name;
    }
}

TEST(ReadRecentListTest, EmptyValueGivesAnEmptyEntryAndReadingGoesOn)
{
    const struct {
        const char* name;
        DWORD size;
    } cases[] = {{"terminator only", 1}, {"no data at all", 0}};
    for (const auto& c : cases) {
        SandboxedList host;
        host.Set(1, "D:\\a\\one.txt");
        host.SetRaw(2, REG_SZ, "", c.size);
        host.Set(3, "D:\\c\\three.txt");
        const RecentList list = host.Read();
        ASSERT_EQ(3u, list.size()) << "entries read with an empty File2, " << c.name;
        const RecentEntry& empty = *std::next(list.begin());
        const struct {
            const char* name;
            const NarrowString& text;
        } texts[] = {{"fullPath", empty.fullPath},   {"compactPath", empty.compactPath},
                     {"directory", empty.directory}, {"fileName", empty.fileName},
                     {"menuText", empty.menuText}};
        for (const auto& text : texts)
            EXPECT_STREQ("", text.text.Text()) << text.name << " of the empty File2, " << c.name;
    }
}

TEST(ReadRecentListTest, ReadsValuesOfUpTo260Bytes)
{
    const struct {
        int textBytes;
        bool terminated;
        bool read;
    } cases[] = {
        {259, true, true},
        {259, false, true},
        {260, false, true},
        {260, true, false},
        {261, false, false},
        {261, true, false},
    };
    for (const auto& c : cases) {
        SandboxedList host;
        const std::string text = "D:\\dir\\" + std::string(c.textBytes - 7, 'n');
        // RegSetValueExA adds a terminator when the byte after the data is 0.
        const std::string source = text + (c.terminated ? std::string(1, '\0') : std::string("X"));
        host.Set(1, "D:\\a\\one.txt");
        host.SetRaw(2, REG_SZ, source.data(), static_cast<DWORD>(text.size() + (c.terminated ? 1 : 0)));
        host.Set(3, "D:\\c\\three.txt");
        const std::vector<std::string> expected =
            c.read ? std::vector<std::string>{"D:\\a\\one.txt", text, "D:\\c\\three.txt"}
                   : std::vector<std::string>{"D:\\a\\one.txt"};
        EXPECT_EQ(expected, FullPaths(host.Read()))
            << "File2 of " << c.textBytes << " bytes " << (c.terminated ? "with" : "without") << " terminator";
    }
}

// The text as the host stored it, which names the file on disk, is kept
// wherever it fits a path buffer, also when the ANSI code page cannot spell
// it; it ends where the ANSI text does at an embedded zero.
TEST(ReadRecentListTest, KeepsTheStoredTextOfPathsThatFit)
{
    const std::wstring korean = L"D:\\dir\\\xD55C\xAE00.txt";
    const std::wstring longest = L"D:\\dir\\" + std::wstring(259 - 7, L'n');
    static const wchar_t embedded[] = L"D:\\a\\one.txt\0D:\\b\\rest.txt";
    const struct {
        const char* name;
        std::wstring data; // stored with RegSetValueExW, terminator included
        std::wstring stored;
    } cases[] = {
        {"a name outside the code page", korean + L'\0', korean},
        {"259 characters", longest + L'\0', longest},
        {"an embedded zero", std::wstring(embedded, std::size(embedded)), L"D:\\a\\one.txt"},
    };
    for (const auto& c : cases) {
        SandboxedList host;
        host.Set(1, "D:\\a\\one.txt");
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, RecentFileListKey, 0, KEY_SET_VALUE, &key));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"File1", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.data.data()),
                                                static_cast<DWORD>(c.data.size() * sizeof(wchar_t))));
        RegCloseKey(key);
        const RecentList list = host.Read();
        ASSERT_EQ(1u, list.size()) << c.name;
        EXPECT_EQ(c.stored, std::wstring(list.front().storedPath.Text())) << c.name;
    }
}

TEST(ReadRecentListTest, EmbeddedZeroByteCutsTheText)
{
    SandboxedList host;
    static const char data[] = "D:\\a\\one.txt\0D:\\b\\rest.txt";
    host.SetRaw(1, REG_SZ, data, sizeof data);
    host.Set(2, "D:\\b\\two.txt");
    const RecentList list = host.Read();
    EXPECT_EQ((std::vector<std::string>{"D:\\a\\one.txt", "D:\\b\\two.txt"}), FullPaths(list));
    ASSERT_FALSE(list.empty());
    EXPECT_STREQ("one.txt", list.front().fileName.Text());
}

TEST(ReadRecentListTest, SplitsAtTheLastBackslash)
{
    const struct {
        const char* fullPath;
        const char* directory;
        const char* fileName;
    } cases[] = {
        {"D:\\a\\b.txt", "D:\\a", "b.txt"},
        {"D:\\b.txt", "D:", "b.txt"},
        {"D:\\a\\b\\", "D:\\a\\b", ""},
        {"readme.txt", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const RecentEntry entry = ReadOnlyEntry(c.fullPath);
        EXPECT_STREQ(c.directory, entry.directory.Text()) << "directory of [" << c.fullPath << "]";
        EXPECT_STREQ(c.fileName, entry.fileName.Text()) << "file name of [" << c.fullPath << "]";
        EXPECT_STREQ("", entry.menuText.Text()) << "menu text of [" << c.fullPath << "]";
        EXPECT_TRUE(entry.nameUnique) << "mark of [" << c.fullPath << "]";
    }
}

TEST(ReadRecentListTest, TrailByteBackslashDoesNotSplitADoubleByteName)
{
    DOUBLE_BYTE_CHARACTERS_OR_SKIP(characters);
    if (characters->backslashTrail == nullptr)
        GTEST_SKIP() << "no character of code page " << GetACP() << " has a backslash as trail byte";
    // {B} is one character whose trail byte has a backslash's value.
    const struct {
        const char* fullPath;
        const char* directory;
        const char* fileName;
    } cases[] = {
        {"D:\\dir\\{B}name.txt", "D:\\dir", "{B}name.txt"},
        {"D:\\dir\\{B}", "D:\\dir", "{B}"},
        {"D:\\{B}\\x.txt", "D:\\{B}", "x.txt"},
    };
    for (const auto& c : cases) {
        const std::string fullPath = *Spell(*characters, c.fullPath);
        const RecentEntry entry = ReadOnlyEntry(fullPath);
        EXPECT_EQ(fullPath, entry.fullPath.Text());
        EXPECT_EQ(*Spell(*characters, c.directory), entry.directory.Text()) << "directory of [" << c.fullPath << "]";
        EXPECT_EQ(*Spell(*characters, c.fileName), entry.fileName.Text()) << "file name of [" << c.fullPath << "]";
    }
}

TEST(ReadRecentListTest, PathOf48BytesIsItsOwnCompactPath)
{
    const std::string fullPath = "D:\\dir\\" + std::string(41, 'n');
    ASSERT_EQ(48u, fullPath.size());
    EXPECT_EQ(fullPath, ReadOnlyEntry(fullPath).compactPath.Text());
}

TEST(ReadRecentListTest, LongerPathsAreCompactedTo50Bytes)
{
    for (int bytes : {49, 150}) {
        const std::string fullPath = "D:\\first\\second\\" + std::string(bytes - 20, 'n') + ".txt";
        ASSERT_EQ(static_cast<size_t>(bytes), fullPath.size());
        const NarrowString expected = CompactPath(fullPath.c_str(), 50);
        EXPECT_STREQ(expected.Text(), ReadOnlyEntry(fullPath).compactPath.Text())
            << "compact path of a " << bytes << "-byte path";
    }
}

TEST(ReadRecentListTest, MarksNamesSharedWithinTheList)
{
    SandboxedList host;
    host.Set(1, "D:\\a\\x.txt");
    host.Set(2, "D:\\b\\x.txt");
    host.Set(3, "D:\\c\\y.txt");
    std::vector<bool> marks;
    for (const RecentEntry& entry : host.Read())
        marks.push_back(entry.nameUnique);
    EXPECT_EQ((std::vector<bool>{false, false, true}), marks);
}

TEST(ReadRecentListTest, ReadsAListOfThousandsCompletelyInOrder)
{
    SandboxedList host;
    std::vector<std::string> stored;
    const int values = Workload(3000, 1000);
    for (int number = 1; number <= values; ++number) {
        stored.push_back("D:\\list\\entry" + std::to_string(number) + ".txt");
        host.Set(number, stored.back());
    }
    EXPECT_EQ(stored, FullPaths(host.Read()));
}

} // namespace
