// Path compaction, both forms, in the single-byte and the double-byte code
// page the tests run in.
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tests/support/DoubleByteText.h"
#include "tests/support/Workload.h"
#include "tests/text/TextTestSupport.h"
#include "text/CompactPath.h"

namespace {

struct Compaction {
    int budget;
    const char* path;
    const char* expected;
};

// Compacts with both forms; the buffer-level one gets exactly budget + 1
// bytes, followed by guard bytes that must stay untouched.
void ExpectCompaction(const Compaction& row)
{
    SCOPED_TRACE(testing::Message() << "budget " << row.budget << ", path " << Printable(row.path));
    const NarrowString compact = CompactPath(NarrowString(row.path), row.budget);
    EXPECT_EQ(Printable(row.expected), Printable(compact.Text()));
    EXPECT_EQ(lstrlenA(row.expected), compact.Length());

    const std::string guard = "GUARD";
    std::string destination(row.budget + 1, '#');
    destination += guard;
    EXPECT_TRUE(CompactPath(&destination[0], row.path, row.budget));
    EXPECT_EQ(Printable(row.expected), Printable(destination.c_str()));
    EXPECT_EQ(guard, destination.substr(row.budget + 1)) << "written past budget + 1 bytes";
}

const Compaction SingleByteCompactions[] = {
    {50, "C:\\dir\\sub\\verylongname.txt", "C:\\dir\\sub\\verylongname.txt"},
    {29, "C:\\dir\\sub\\verylongname.txt", "C:\\dir\\sub\\verylongname.txt"},
    {28, "C:\\dir\\sub\\verylongname.txt", "C:\\dir\\...\\verylongname.txt"},
    {27, "C:\\dir\\sub\\verylongname.txt", "C:\\dir...\\verylongname.txt"},
    {25, "C:\\dir\\sub\\verylongname.txt", "C:\\d...\\verylongname.txt"},
    {21, "C:\\dir\\sub\\verylongname.txt", "...\\verylongname.txt"},
    {20, "C:\\dir\\sub\\verylongname.txt", "...\\verylongname..."},
    {20, "averyveryverylongfilenamewithoutseparators.txt", "averyveryverylon..."},
    {20, "C:\\a\\averyveryverylongfilenamewithoutseparators.txt", "...\\averyveryver..."},
    {20, "abcdefghijklmnopqrstuvwxyz\\", "abcdefghijklmnop..."},
    {20, "\\\\server\\share\\dir\\file.txt", "\\\\serve...\\file.txt"},
    {20, "C:abcdefghijklmnop.txt", "...\\abcdefghijkl..."},
    {25, "C:/dir/sub/verylongname.txt", "C:/d.../verylongname.txt"},
    {25, "C:\\dir\\sub/verylongname.txt", "C:\\d.../verylongname.txt"},
    {25, "C:/dir/sub\\verylongname.txt", "C:/d...\\verylongname.txt"},
    {25, "C:\\dir\\sub\\verylongname.txt\\", "C:\\...\\verylongname.txt\\"},
    {17, "C:\\dir\\sub\\folder\\", "C:\\di...\\folder\\"},
    {12, "C:\\dir\\sub\\folder\\", "...\\folder\\"},
    {11, "C:\\dir\\sub\\folder\\", "...\\fol..."},
    {8, "C:\\dir\\sub\\verylongname.txt", "...\\..."},
    {7, "C:\\dir\\sub\\verylongname.txt", "...\\..."},
    {6, "C:\\dir\\sub\\verylongname.txt", "...\\."},
    {5, "C:\\dir\\sub\\verylongname.txt", "...\\"},
    {4, "C:\\dir\\sub\\verylongname.txt", "..."},
    {3, "C:\\dir\\sub\\verylongname.txt", ".."},
    {1, "C:\\dir\\sub\\verylongname.txt", ""},
    {6, "averyveryverylongfilename", "av..."},
    {5, "averyveryverylongfilename", "a..."},
    {4, "averyveryverylongfilename", "..."},
    {3, "averyveryverylongfilename", ".."},
    {1, "", ""},
};

TEST(CompactPathTest, WorkedExamples)
{
    for (const Compaction& row : SingleByteCompactions)
        ExpectCompaction(row);
}

// {P} is a double-byte character, {B} one with a backslash as trail byte,
// {L} one with two bytes of lead-byte values, in the running code page.
const Compaction DoubleByteCompactions[] = {
    // A cut inside the first double-byte character steps back one byte.
    {20, "abcdefghijklmno{P}{P}{P}", "abcdefghijklmno..."},
    {20, "abcdefghijklmnop{P}{P}{P}", "abcdefghijklmnop..."},
    // The head before the last component, and the head of the last component.
    {19, "C:\\ab{P}cd\\file.txt", "C:\\ab...\\file.txt"},
    {19, "C:\\ab{B}cd\\file.txt", "C:\\ab...\\file.txt"},
    {20, "C:\\dir\\a{P}{P}{P}{P}{P}{P}{P}{P}{P}{P}", "...\\a{P}{P}{P}{P}{P}..."},
    // A trail byte 0x5C neither ends a component nor becomes the separator.
    {16, "C:/dir/{B}name.txt", "C.../{B}name.txt"},
    {16, "C:/dir/{B}ab{B}cdefgh", ".../{B}ab{B}cd..."},
    {20, "C:\\{L}{L}{L}{L}\\sub\\file.txt", "C:\\{L}{L}...\\file.txt"},
    {21, "C:\\{L}{L}{L}{L}\\sub\\file.txt", "C:\\{L}{L}...\\file.txt"},
};

TEST(CompactPathTest, DoubleByteCharactersStayWhole)
{
    DOUBLE_BYTE_CHARACTERS_OR_SKIP(characters);
    int lacking = 0;
    for (const Compaction& row : DoubleByteCompactions) {
        const std::optional<std::string> path = Spell(*characters, row.path);
        const std::optional<std::string> expected = Spell(*characters, row.expected);
        if (!path || !expected) {
            ++lacking;
            continue;
        }
        ExpectCompaction({row.budget, path->c_str(), expected->c_str()});
    }
    if (lacking > 0)
        std::cout << "[ LACKING  ] " << lacking << " rows need a character that code page " << GetACP()
                  << " has not" << std::endl;
}

struct CutCase {
    const char* text;
    int cut;
    bool expected;
};

TEST(CompactPathTest, EndsInLeadByteCountsTheRunOfLeadByteValues)
{
    DOUBLE_BYTE_CHARACTERS_OR_SKIP(characters);
    const CutCase cases[] = {
        {"ab", 0, false},    {"ab", -1, false},       {"a{P}", 2, true},         {"a{P}", 3, false},
        {"{P}", 1, true},    {"{L}{L}", 3, true},     {"{L}{L}", 4, false},      {"a{L}{L}", 4, true},
        {"{B}a", 2, false},
    };
    for (const CutCase& c : cases) {
        const std::optional<std::string> text = Spell(*characters, c.text);
        if (!text)
            continue;
        EXPECT_EQ(c.expected, EndsInLeadByte(text->c_str(), c.cut))
            << "text " << Printable(*text) << ", cut " << c.cut;
    }
}

// The worked examples in UTF-16, where the budget counts units.
TEST(CompactPathTest, WorkedExamplesInUtf16)
{
    for (const Compaction& row : SingleByteCompactions) {
        const std::wstring path(row.path, row.path + lstrlenA(row.path));
        const std::wstring expected(row.expected, row.expected + lstrlenA(row.expected));
        std::wstring destination(row.budget + 1, L'#');
        destination += L"GUARD";
        EXPECT_TRUE(CompactPath(&destination[0], path.c_str(), row.budget));
        EXPECT_TRUE(expected == destination.c_str()) << "budget " << row.budget << ", path " << row.path;
        EXPECT_TRUE(destination.substr(row.budget + 1) == L"GUARD") << "written past budget + 1 units";
    }
}

// E stands for an emoji, a surrogate pair: no cut separates its halves.
TEST(CompactPathTest, Utf16CutsKeepSurrogatePairsWhole)
{
    const struct {
        int budget;
        const wchar_t* path;
        const wchar_t* expected;
    } rows[] = {
        {20, L"abcdefghijklmnoEEE", L"abcdefghijklmno..."},
        {20, L"abcdefghijklmnEEEE", L"abcdefghijklmnE..."},
        {19, L"C:\\abEEcd\\file.txt", L"C:\\ab...\\file.txt"},
        {20, L"C:\\abEEcd\\file.txt", L"C:\\abE...\\file.txt"},
        {20, L"C:\\dir\\aEEEEEEEEEE", L"...\\aEEEEE..."},
        {20, L"C:\\dir\\EEEEEEEEEE", L"...\\EEEEEE..."},
    };
    const auto spell = [](const wchar_t* pattern) {
        std::wstring text;
        for (const wchar_t* c = pattern; *c; ++c)
            text += *c == L'E' ? std::wstring(L"\xD83D\xDE00") : std::wstring(1, *c);
        return text;
    };
    for (const auto& row : rows) {
        wchar_t destination[64] = {};
        EXPECT_TRUE(CompactPath(destination, spell(row.path).c_str(), row.budget));
        EXPECT_TRUE(spell(row.expected) == destination) << "budget " << row.budget << ", row " << (&row - rows);
    }
}

// With UTF-8 as the ANSI code page, a cut that would split a sequence of 2,
// 3 or 4 bytes moves back to its first byte; stray bytes stay characters of
// their own.
TEST(CompactPathTest, Utf8CutsLandOnTheStartOfACharacter)
{
    if (GetACP() != CP_UTF8)
        GTEST_SKIP() << "needs UTF-8 as the ANSI code page, running in " << GetACP();
    const Compaction rows[] = {
        // é is 2 bytes: the head of 16 bytes ends inside the 8th.
        {20, "a\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
         "a\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9..."},
        // 日 is 3 bytes: the head of 16 bytes ends inside the 6th.
        {20, "\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5",
         "\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5..."},
        // An emoji is 4 bytes: the head of 9 bytes before the last component
        // ends inside the second.
        {22, "C:\\\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\\file.txt",
         "C:\\\xF0\x9F\x98\x80...\\file.txt"},
        // In the last component: a head of 13 bytes ends inside the 5th 日.
        {21, "C:\\dir\\\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5",
         "...\\\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5..."},
        // Stray continuation bytes and a lone lead byte are one byte each.
        {12, "ab\x80\x80\x80\x80\x80\x80\x80\x80\x80", "ab\x80\x80\x80\x80\x80\x80..."},
        {12, "abcdefg\xE6zzzz", "abcdefg..."},
    };
    for (const Compaction& row : rows)
        ExpectCompaction(row);
}

// Offsets at which the characters of text begin, its length last.
std::vector<size_t> CharacterStarts(const std::string& text)
{
    std::vector<size_t> starts;
    const bool utf8 = GetACP() == CP_UTF8;
    for (size_t i = 0; i < text.size();
         i += IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1) {
        // Generated UTF-8 is well formed: every byte but 10xxxxxx begins one.
        if (!utf8 || (static_cast<BYTE>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    }
    starts.push_back(text.size());
    return starts;
}

// The most bytes of one character: a cut may step back all but one of them.
int MaxCharacterBytes()
{
    return GetACP() == CP_UTF8 ? 4 : 2;
}

bool IsCharacterStart(const std::string& text, size_t offset)
{
    for (size_t start : CharacterStarts(text)) {
        if (start == offset)
            return true;
    }
    return false;
}

// The last slash or backslash that begins a character, else a backslash.
char ExpectedSeparator(const std::string& path)
{
    char separator = '\\';
    for (size_t start : CharacterStarts(path)) {
        if (start < path.size() && (path[start] == '\\' || path[start] == '/'))
            separator = path[start];
    }
    return separator;
}

// The rules a compaction keeps, stated apart from how it is made. Generated
// paths never hold two full stops in a row, so the first run of three or more
// in a result holds the inserted "...". Returns the rule broken, or nothing.
std::string BrokenRule(const std::string& path, int budget, const std::string& result)
{
    const int n = static_cast<int>(path.size());
    const int length = static_cast<int>(result.size());
    if (n <= budget - 2)
        return result == path ? "" : "a path of at most budget - 2 bytes stays whole";
    const int stepBack = budget - 1 - length;
    if (!((stepBack >= 0 && stepBack < MaxCharacterBytes() && (stepBack == 0 || budget >= 5)) ||
          (length == 7 && budget == 7)))
        return "a compacted result has budget - 1 bytes, fewer only after a step back, 7 for budget 7";

    const std::vector<size_t> starts = CharacterStarts(result);
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        if (starts[i + 1] - starts[i] > 1 && result[starts[i] + 1] == '.')
            return "no cut leaves a lone lead byte before the ellipsis";
    }
    if (GetACP() == CP_UTF8 && !result.empty() &&
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, result.data(), length, nullptr, 0) == 0)
        return "no cut splits a UTF-8 sequence";
    if (budget < 4)
        return result == std::string(budget - 1, '.') ? "" : "budgets below 4 give full stops only";

    const size_t run = result.find("...");
    if (run == std::string::npos)
        return "a compacted result holds an ellipsis";
    if (result.compare(0, run, path, 0, run) != 0 || !IsCharacterStart(path, run))
        return "the text before the ellipsis is the path's beginning, cut between characters";
    const size_t afterRun = result.find_first_not_of('.', run);
    if (afterRun != std::string::npos && result[afterRun] != ExpectedSeparator(path))
        return "the ellipsis is followed by the path's last slash or backslash";
    return "";
}

// Paths of every kind compaction meets: drive letters, UNC names, slashes,
// colons, trailing separators, none at all, single-byte characters and
// double-byte ones of the running code page, also with trail bytes 0x5C and
// trail bytes that have lead-byte values.
class PathGenerator {
public:
    explicit PathGenerator(unsigned seed) : random_(seed) {}

    std::string Next()
    {
        static const char* const starts[] = {"", "C:\\", "C:/", "C:", "\\\\server\\share\\", "\\", "/", "D:\\x\\"};
        static const char* const separators[] = {"\\", "/", "\\", "/", ":", "\\\\"};
        std::string path = starts[Below(8)];
        const int components = Below(7);
        for (int i = 0; i < components; ++i) {
            if (i > 0)
                path += separators[Below(6)];
            AppendComponent(path);
        }
        if (Below(5) == 0)
            path += separators[Below(6)];
        return path;
    }

private:
    int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random_); }

    void AppendComponent(std::string& path)
    {
        static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -_";
        const int characters = 1 + Below(24);
        bool afterFullStop = false;
        for (int i = 0; i < characters; ++i) {
            const int kind = Below(10);
            if (kind < 5) {
                path += letters[Below(sizeof letters - 1)];
            } else if (kind < 8 && GetACP() == CP_UTF8) {
                AppendUtf8(path);
            } else if (kind < 8) {
                AppendDoubleByte(path);
            } else if (kind < 9) {
                AppendHighSingleByte(path);
            } else if (!afterFullStop) {
                path += '.';
            }
            afterFullStop = kind == 9;
        }
    }

    // A character of 2, 3 or 4 bytes: é, 日 or an emoji, with every
    // continuation byte's value now and then.
    void AppendUtf8(std::string& path)
    {
        static const wchar_t* const characters[] = {L"\xE9", L"\x07FF", L"\x65E5", L"\xFFFD", L"\xD83D\xDE00",
                                                    L"\xDBFF\xDFFF"};
        const wchar_t* character = characters[Below(6)];
        char bytes[8];
        path.append(bytes, WideCharToMultiByte(CP_UTF8, 0, character, -1, bytes, sizeof bytes, nullptr, nullptr) - 1);
    }

    // Single-byte katakana in 932; in 936, 950 and 949 those bytes are lead
    // bytes, and a double-byte character stands in for them, as does a
    // UTF-8 one in UTF-8.
    void AppendHighSingleByte(std::string& path)
    {
        const BYTE byte = static_cast<BYTE>(0xA1 + Below(0xDF - 0xA1 + 1));
        if (GetACP() == CP_UTF8)
            AppendUtf8(path);
        else if (IsDBCSLeadByte(byte))
            AppendDoubleByte(path);
        else
            path += static_cast<char>(byte);
    }

    // A character of the running double-byte code page, or of code page 932
    // where the page is single-byte: there its bytes are plain characters.
    void AppendDoubleByte(std::string& path)
    {
        const auto& [leadFirst, leadLast] = page_.leadRanges[Below(static_cast<int>(page_.leadRanges.size()))];
        path += static_cast<char>(leadFirst + Below(leadLast - leadFirst + 1));
        path += static_cast<char>(Below(3) == 0 ? specialTrails_[Below(static_cast<int>(specialTrails_.size()))]
                                                : AnyTrail());
    }

    BYTE AnyTrail()
    {
        int count = 0;
        for (const auto& [first, last] : page_.trailRanges)
            count += last - first + 1;
        int pick = Below(count);
        for (const auto& [first, last] : page_.trailRanges) {
            if (pick <= last - first)
                return static_cast<BYTE>(first + pick);
            pick -= last - first + 1;
        }
        return page_.trailRanges.front().first;
    }

    // The trail bytes where cuts and searches go wrong: a backslash, the
    // lowest trail, and the ends of the lead-byte ranges.
    static std::vector<BYTE> SpecialTrails(const DoubleByteCharacters& page)
    {
        std::vector<BYTE> trails = {page.trailRanges.front().first};
        if (page.backslashTrail)
            trails.push_back(0x5C);
        for (const auto& [first, last] : page.leadRanges) {
            trails.push_back(first);
            trails.push_back(last);
        }
        return trails;
    }

    const DoubleByteCharacters& page_ =
        RunningDoubleByteCharacters() ? *RunningDoubleByteCharacters() : *DoubleByteCharactersOf(932);
    const std::vector<BYTE> specialTrails_ = SpecialTrails(page_);
    std::mt19937 random_;
};

TEST(CompactPathTest, GeneratedPathsKeepTheRules)
{
    constexpr unsigned Seed = 20240613;
    const int Paths = Workload(5000, 50);
    PathGenerator generator(Seed);
    int failures = 0;
    for (int i = 0; i < Paths && failures < 10; ++i) {
        const std::string path = generator.Next();
        for (int budget = 1; budget <= 60 && failures < 10; ++budget) {
            const NarrowString result = CompactPath(NarrowString(path.c_str()), budget);
            const std::string rule = BrokenRule(path, budget, result.Text());
            if (!rule.empty()) {
                ++failures;
                ADD_FAILURE() << rule << "\n  path " << Printable(path) << " (" << path.size()
                              << " bytes), budget " << budget << "\n  got " << Printable(result.Text())
                              << " (" << result.Length() << " bytes), seed " << Seed << ", path " << i;
            }
        }
    }
}

} // namespace
