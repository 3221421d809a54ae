// Reading one of the host's recent lists from a sandboxed HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "plugin/HostSettings.h"
#include "recent/RecentList.h"
#include "tests/support/DoubleByteText.h"
#include "tests/support/RegistrySandbox.h"
#include "tests/support/WideText.h"
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

    // As the host writes it, in UTF-16 with its terminator.
    void SetStored(int number, const std::wstring& fullPath)
    {
        registry_.CreateKey(RecentFileListKey);
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, RecentFileListKey, 0, KEY_SET_VALUE, &key));
        const std::wstring name = L"File" + std::to_wstring(number);
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(fullPath.c_str()),
                                                static_cast<DWORD>((fullPath.size() + 1) * sizeof(wchar_t))));
        RegCloseKey(key);
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

RecentEntry ReadOnlyEntryOf(const SandboxedList& host)
{
    const RecentList list = host.Read();
    EXPECT_EQ(1u, list.size());
    return list.empty() ? RecentEntry() : list.front();
}

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

// text in the ANSI code page as the registry's ANSI reading gives it, and
// whether that spells it: then it reads back as the same text.
std::string InAnsiCodePage(const std::wstring& text, bool& spelled)
{
    std::string ansi(text.size() * 4 + 1, '\0');
    ansi.resize(WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &ansi[0],
                                    static_cast<int>(ansi.size()), nullptr, nullptr));
    std::wstring back(text.size() + 1, L'\0');
    back.resize(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &back[0],
                                    static_cast<int>(back.size())));
    spelled = back == text;
    return ansi;
}

// A path of at most 259 characters stays at its place, whatever its length
// in the ANSI code page: 4 bytes a character in UTF-8, 2 in a double-byte
// code page. One of 260 characters still ends the list.
TEST(ReadRecentListTest, ListsStoredPathsOfUpTo259Characters)
{
    const std::wstring sun = L"\x65E5"; // 日: 2 bytes in every double-byte code page, 3 in UTF-8
    const std::wstring emoji = L"\xD83D\xDE00";
    const struct {
        const char* name;
        std::wstring path;
        bool listed;
    } cases[] = {
        {"130 double-byte characters", L"D:\\" + Repeat(sun, 130) + L".txt", true},
        {"90 characters of 3 bytes", L"D:\\dir\\" + Repeat(sun, 90) + L".txt", true},
        {"64 surrogate pairs", L"D:\\" + Repeat(emoji, 64) + L".txt", true},
        {"259 characters", L"D:\\" + Repeat(sun, 252) + L".txt", true},
        {"260 characters", L"D:\\" + Repeat(sun, 253) + L".txt", false},
    };
    for (const auto& c : cases) {
        SandboxedList host;
        host.Set(1, "D:\\a\\one.txt");
        host.SetStored(2, c.path);
        host.Set(3, "D:\\c\\three.txt");
        const RecentList list = host.Read();
        SCOPED_TRACE(c.name);
        if (!c.listed) {
            EXPECT_EQ(std::vector<std::string>{"D:\\a\\one.txt"}, FullPaths(list));
            continue;
        }
        bool spelled = false;
        const std::string ansi = InAnsiCodePage(c.path, spelled);
        EXPECT_EQ((std::vector<std::string>{"D:\\a\\one.txt", ansi, "D:\\c\\three.txt"}), FullPaths(list));
        ASSERT_EQ(3u, list.size());
        const RecentEntry& entry = *std::next(list.begin());
        EXPECT_TRUE(c.path == entry.storedPath.Text()) << "the stored text";
        EXPECT_EQ(spelled, entry.fullPathExact);
        EXPECT_EQ(ansi.substr(0, ansi.rfind('\\')), entry.directory.Text());
        EXPECT_EQ(CompactPath(NarrowString(ansi.c_str()), 50).Text(), std::string(entry.compactPath.Text()));
    }
}

// fullPath is exact where it reads back as the stored text: a best-fit
// look-alike or a question mark is not.
TEST(ReadRecentListTest, FullPathIsExactWhereItReadsBackAsTheStoredText)
{
    const wchar_t* const names[] = {
        L"plain.txt", L"caf\xE9.txt", L"\x03B1\x03B2.txt", L"\x65E5\x672C.txt", L"\xD55C\xAE00.txt",
        L"\x4EEC.txt", L"\xD83D\xDE00.txt",
    };
    for (const wchar_t* name : names) {
        SandboxedList host;
        const std::wstring path = std::wstring(L"D:\\a\\") + name;
        host.SetStored(1, path);
        const RecentList list = host.Read();
        ASSERT_EQ(1u, list.size());
        bool spelled = false;
        InAnsiCodePage(path, spelled);
        EXPECT_EQ(spelled, list.front().fullPathExact) << "name " << (&name - names);
    }
    SandboxedList host;
    host.SetRaw(1, REG_SZ, "", 1);
    EXPECT_FALSE(ReadOnlyEntryOf(host).fullPathExact) << "an empty value has no stored text to stand for";
}

} // namespace
