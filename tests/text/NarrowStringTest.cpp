// The narrow string type: its storage rules, copy on write, substrings,
// search, buffers, formatting and string resources.
#include <climits>
#include <iterator>
#include <string>

#include "plugin/Module.h"
#include "tests/support/CountingAllocator.h"
#include "tests/support/DoubleByteText.h"
#include "tests/text/TextTestSupport.h"
#include "text/TextUnits.h"
#include "text/NarrowString.h"

namespace {

// The length the value reports agrees with its bytes and terminator.
void ExpectText(const std::string& expected, const NarrowString& value)
{
    EXPECT_EQ(Printable(expected), Printable(std::string(value.Text(), value.Length())));
    EXPECT_EQ(static_cast<int>(expected.size()), value.Length());
    EXPECT_EQ('\0', value.Text()[value.Length()]) << "no terminator at the length";
}

void ExpectSharedEmpty(const NarrowString& value)
{
    EXPECT_EQ(NarrowString().Text(), value.Text()) << "not the shared empty value";
    EXPECT_EQ(-1, value.RefCount());
    EXPECT_EQ(0, value.Length());
    EXPECT_EQ(0, value.Capacity());
    EXPECT_EQ('\0', value.Text()[0]);
}

// A value that owns a storage of the given capacity and holds text.
NarrowString Owning(int capacity, const char* text)
{
    NarrowString value(std::string(capacity, 'x').c_str());
    value = text;
    return value;
}

TEST(NarrowStringTest, EmptyTextsAreTheOneSharedEmptyValue)
{
    const NarrowString byDefault;
    ExpectSharedEmpty(byDefault);
    ExpectSharedEmpty(NarrowString(static_cast<const char*>(nullptr)));
    ExpectSharedEmpty(NarrowString(""));
    ExpectSharedEmpty(NarrowString(byDefault));
    ExpectSharedEmpty(Concat(byDefault, byDefault));
    NarrowString assigned("abc");
    NarrowString sharer(assigned);
    assigned = "";
    ExpectSharedEmpty(assigned);
}

TEST(NarrowStringTest, NewStorageIsExactlyTheTextSize)
{
    const NarrowString text("hello");
    ExpectText("hello", text);
    EXPECT_EQ(5, text.Capacity());
    EXPECT_EQ(1, text.RefCount());
    EXPECT_EQ(7, (text + NarrowString("!?")).Capacity());
}

TEST(NarrowStringTest, CopiesShareUntilOneChanges)
{
    NarrowString original("abc");
    const NarrowString copy(original);
    NarrowString assigned;
    assigned = original;
    EXPECT_EQ(original.Text(), copy.Text());
    EXPECT_EQ(original.Text(), assigned.Text());
    EXPECT_EQ(3, original.RefCount());

    original += NarrowString("def");
    ExpectText("abcdef", original);
    ExpectText("abc", copy);
    EXPECT_EQ(2, copy.RefCount());

    assigned.OpenBuffer(0)[0] = 'X';
    assigned.CloseBuffer();
    ExpectText("Xbc", assigned);
    ExpectText("abc", copy);
    EXPECT_EQ(3, assigned.Capacity()) << "made private without growing";
}

TEST(NarrowStringTest, AssigningItselfOrASharerChangesNothing)
{
    NarrowString text("abc");
    NarrowString sharer(text);
    const char* storage = text.Text();
    const NarrowString& itself = text; // named, as a caller would reach it
    text = itself;
    text = sharer;
    EXPECT_EQ(storage, text.Text());
    EXPECT_EQ(2, text.RefCount());
}

TEST(NarrowStringTest, ByteAssignmentKeepsALargerPrivateStorage)
{
    NarrowString value = Owning(10, "abc");
    const char* storage = value.Text();
    ExpectText("abc", value);

    value = "";
    EXPECT_EQ(storage, value.Text());
    EXPECT_EQ(10, value.Capacity());
    ExpectText("", value);

    value = NarrowString();
    EXPECT_EQ(storage, value.Text()) << "the empty value is assigned by its bytes";
    EXPECT_EQ(10, value.Capacity());

    value = "0123456789";
    EXPECT_EQ(storage, value.Text());
    value = "0123456789A";
    ExpectText("0123456789A", value);
    EXPECT_EQ(11, value.Capacity());

    value = static_cast<const char*>(nullptr);
    ExpectText("", value);
    EXPECT_EQ(11, value.Capacity());
}

TEST(NarrowStringTest, ByteAssignmentToASharedValueTakesNewStorage)
{
    NarrowString value = Owning(10, "abc");
    const NarrowString sharer(value);
    value = "x";
    ExpectText("x", value);
    EXPECT_EQ(1, value.Capacity());
    ExpectText("abc", sharer);
    EXPECT_EQ(1, sharer.RefCount());
}

TEST(NarrowStringTest, AssigningPartOfItsOwnTextIsCorrect)
{
    NarrowString value("abcdef");
    value = value.Text() + 2;
    ExpectText("cdef", value);
}

TEST(NarrowStringTest, AppendGrowsInPlaceOnlyIntoRoomLeftByALongerText)
{
    NarrowString value = Owning(8, "abc");
    const char* storage = value.Text();
    value += NarrowString("de");
    value.Append(NarrowString());
    ExpectText("abcde", value);
    EXPECT_EQ(storage, value.Text());

    value += NarrowString("fghi");
    ExpectText("abcdefghi", value);
    EXPECT_EQ(9, value.Capacity());

    NarrowString empty;
    empty += NarrowString();
    ExpectSharedEmpty(empty);
}

TEST(NarrowStringTest, AppendingAValueToItself)
{
    NarrowString inPlace = Owning(8, "abcd");
    const char* storage = inPlace.Text();
    inPlace += inPlace;
    ExpectText("abcdabcd", inPlace);
    EXPECT_EQ(storage, inPlace.Text());

    NarrowString growing("abc");
    growing += growing;
    ExpectText("abcabc", growing);
    EXPECT_EQ(6, growing.Capacity());
}

enum class Cut { Prefix, Range, ToTheEnd };

struct SubstringCase {
    Cut cut;
    const char* text;
    int first; // not used by Prefix
    int count; // not used by ToTheEnd
    const char* expected;
};

TEST(NarrowStringTest, SubstringsClampPositionsAndCounts)
{
    const SubstringCase cases[] = {
        {Cut::Prefix, "abc", 0, -1, ""},          {Cut::Prefix, "abc", 0, 100, "abc"},
        {Cut::Prefix, "abc", 0, 2, "ab"},         {Cut::Range, "abcdef", 2, 100, "cdef"},
        {Cut::Range, "abc", -5, 2, "ab"},         {Cut::Range, "abc", 3, 5, ""},
        {Cut::Range, "abc", 10, 2, ""},           {Cut::Range, "abc", 1, -1, ""},
        {Cut::Range, "abc", 1, INT_MAX, "bc"},    {Cut::ToTheEnd, "abc", -3, 0, "abc"},
        {Cut::ToTheEnd, "abc", 5, 0, ""},         {Cut::ToTheEnd, "abc", 3, 0, ""},
        {Cut::ToTheEnd, "abc", 1, 0, "bc"},
    };
    for (const SubstringCase& c : cases) {
        const NarrowString text(c.text);
        const NarrowString part = c.cut == Cut::Prefix  ? text.Prefix(c.count)
                                  : c.cut == Cut::Range ? text.Substring(c.first, c.count)
                                                        : text.Substring(c.first);
        SCOPED_TRACE(testing::Message() << c.text << ", first " << c.first << ", count " << c.count);
        ExpectText(c.expected, part);
        if (part.IsEmpty())
            ExpectSharedEmpty(part);
        else
            EXPECT_EQ(part.Length(), part.Capacity());
        ExpectText(c.text, text);
    }
}

struct SearchCase {
    const char* text;
    int expected;
};

void ExpectLastBackslashes(const SearchCase* cases, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const SearchCase& c = cases[i];
        EXPECT_EQ(c.expected, NarrowString(c.text).ReverseFindChar('\\')) << Printable(c.text);
        const char* found = ReverseFindChar(c.text, '\\');
        EXPECT_EQ(c.expected, found == nullptr ? -1 : static_cast<int>(found - c.text)) << Printable(c.text);
    }
}

TEST(NarrowStringTest, ReverseFindCharGivesTheLastMatch)
{
    const SearchCase cases[] = {{"C:\\dir\\file", 6}, {"file", -1}, {"", -1}, {"\\", 0}, {"dir\\", 3}};
    ExpectLastBackslashes(cases, std::size(cases));
    EXPECT_EQ(-1, NarrowString("abc").ReverseFindChar('\0'));
}

TEST(NarrowStringTest, ReverseFindCharNeverMatchesATrailByte)
{
    DOUBLE_BYTE_CHARACTERS_OR_SKIP(characters);
    if (characters->backslashTrail == nullptr)
        GTEST_SKIP() << "no character of code page " << GetACP() << " has a backslash as trail byte";
    const SearchCase cases[] = {{"{B}", -1}, {"{B}\\x", 2}, {"a\\{B}", 1}, {"{L}{B}", -1}};
    for (const SearchCase& c : cases) {
        const std::string text = *Spell(*characters, c.text);
        const SearchCase spelled = {text.c_str(), c.expected};
        ExpectLastBackslashes(&spelled, 1);
    }
}

TEST(NarrowStringTest, EqualityIsLstrcmpA)
{
    EXPECT_TRUE(NarrowString("abc") == NarrowString("abc"));
    EXPECT_TRUE(NarrowString("abc") != NarrowString("ABC"));
    EXPECT_TRUE(NarrowString("abc") != NarrowString("abcd"));
    EXPECT_TRUE(NarrowString() == Owning(5, ""));
}

TEST(NarrowStringTest, OpenBufferForAWindowsCall)
{
    NarrowString value;
    char* buffer = value.OpenBuffer(260);
    EXPECT_EQ(260, value.Capacity());
    EXPECT_EQ('\0', buffer[0]);
    lstrcpyA(buffer, "xyz");
    value.CloseBuffer();
    ExpectText("xyz", value);

    buffer = value.OpenBuffer(260);
    lstrcpynA(buffer, std::string(300, 'w').c_str(), 261);
    value.CloseBuffer();
    ExpectText(std::string(260, 'w'), value);
}

TEST(NarrowStringTest, OpenBufferKeepsTheTextAndGrowsToTheLargerSize)
{
    NarrowString value("abcdef");
    const NarrowString sharer(value);
    value.OpenBuffer(3);
    EXPECT_NE(sharer.Text(), value.Text());
    EXPECT_EQ(6, value.Capacity());
    ExpectText("abcdef", value);
    value.OpenBuffer(10);
    EXPECT_EQ(10, value.Capacity());
    ExpectText("abcdef", value);
    ExpectText("abcdef", sharer);
}

TEST(NarrowStringTest, BufferOnTheEmptyValueOnlyReads)
{
    NarrowString value;
    EXPECT_EQ('\0', *value.OpenBuffer(0));
    value.CloseBuffer();
    value.CloseBuffer(0);
    ExpectSharedEmpty(value);
}

TEST(NarrowStringTest, CloseBufferMakesASharedValuePrivate)
{
    NarrowString value("abc");
    const NarrowString sharer(value);
    value.CloseBuffer();
    EXPECT_NE(sharer.Text(), value.Text());
    ExpectText("abc", value);
    EXPECT_EQ(1, sharer.RefCount());
}

TEST(NarrowStringTest, CloseBufferWithAnExplicitLength)
{
    NarrowString value("abcdef");
    value.CloseBuffer(100);
    ExpectText("abcdef", value);
    value.CloseBuffer(2);
    ExpectText("ab", value);
    value.CloseBuffer(-5);
    ExpectText("ab", value);
    EXPECT_EQ(6, value.Capacity());
}

TEST(NarrowStringTest, FormatTextKeepsAtMost2048Bytes)
{
    NarrowString value;
    EXPECT_TRUE(value.FormatText("File%d", 12));
    ExpectText("File12", value);

    // A storage larger than the window, so that only the cut ends the text.
    value = std::string(3000, 'v').c_str();
    for (int length : {0, 2047, 2048, 2049, 3000}) {
        const std::string output(length, 'f');
        EXPECT_TRUE(value.FormatText("%s", output.c_str()));
        ExpectText(output.substr(0, 2048), value);
        EXPECT_EQ(3000, value.Capacity());
    }
}

// The texts of the test resources: the digits over and over.
std::string Digits(int length)
{
    std::string digits;
    for (int i = 0; i < length; ++i)
        digits += static_cast<char>('0' + i % 10);
    return digits;
}

struct ResourceCase {
    UINT id;
    int length;
    int capacity;
    long allocations; // one per load into storage of its own
};

TEST(NarrowStringTest, LoadFromResourceGrowsIn256ByteSteps)
{
    const ResourceCase cases[] = {{253, 253, 253, 1}, {254, 254, 511, 1}, {510, 510, 767, 2}};
    for (const ResourceCase& c : cases) {
        NarrowString text;
        AllocationCounter counter;
        const bool loaded = text.LoadFromResource(c.id);
        counter.Stop();
        SCOPED_TRACE(testing::Message() << "id " << c.id);
        EXPECT_TRUE(loaded);
        ExpectText(Digits(c.length), text);
        EXPECT_EQ(c.capacity, text.Capacity());
        EXPECT_EQ(c.allocations, counter.Allocations());
    }
}

TEST(NarrowStringTest, LoadFromResourceOfAMissingIdGivesTheEmptyText)
{
    NarrowString text("abc");
    EXPECT_FALSE(text.LoadFromResource(255));
    ExpectText("", text);
    ExpectSharedEmpty(NarrowString(MAKEINTRESOURCEA(999)));
}

TEST(NarrowStringTest, PointersBelow0x10000AreResourceIds)
{
    ExpectText(Digits(253), NarrowString(MAKEINTRESOURCEA(253)));
    char expected[256];
    ASSERT_LT(0, LoadStringA(ModuleInstance, 7, expected, sizeof expected));
    const NarrowString label(reinterpret_cast<const char*>(7));
    ExpectText(expected, label);
}

} // namespace
