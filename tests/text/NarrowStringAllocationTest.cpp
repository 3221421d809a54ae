// What the narrow string type costs in allocations, that it frees every
// block, and what an allocation failure leaves behind.
#include <functional>
#include <iterator>
#include <new>
#include <string>

#include "tests/support/CountingAllocator.h"
#include "tests/text/TextTestSupport.h"
#include "text/CompactPath.h"
#include "text/NarrowString.h"

namespace {

int LengthOf(NarrowString text)
{
    return text.Length();
}

NarrowString Returned(const NarrowString& text)
{
    return text;
}

TEST(NarrowStringAllocationTest, SharingCostsNoAllocation)
{
    const NarrowString text("shared text");
    const NarrowString empty;
    AllocationCounter counter;
    {
        NarrowString copy(text);
        NarrowString assigned;
        assigned = text;
        assigned = copy;
        const int length = LengthOf(text) + Returned(text).Length();
        NarrowString emptyCopy(empty);
        emptyCopy = empty;
        assigned = empty;
        NarrowString joined = empty + empty;
        joined += empty;
        copy = "";
        NarrowString fromResource(MAKEINTRESOURCEA(255));
        counter.Stop();
        EXPECT_EQ(22, length);
    }
    EXPECT_EQ(0, counter.Allocations());
}

TEST(NarrowStringAllocationTest, EveryBlockIsFreedWithTheLastValue)
{
    AllocationCounter counter;
    long liveWithBoth = 0;
    long liveWithOne = 0;
    {
        NarrowString first("abc");
        {
            NarrowString second(first);
            const NarrowString suffix("def");
            second += suffix;
            liveWithBoth = counter.LiveBlocks();
        }
        liveWithOne = counter.LiveBlocks();
        first = Concat(first, first);
        first.LoadFromResource(510);
        first.FormatText("%s", "x");
        NarrowString compact = CompactPath(NarrowString("C:\\dir\\sub\\verylongname.txt"), 20);
    }
    counter.Stop();
    EXPECT_EQ(3, liveWithBoth) << "abc, def and abcdef";
    EXPECT_EQ(1, liveWithOne);
    EXPECT_EQ(0, counter.LiveBlocks());
}

enum class Outcome { Unchanged, Empty };

struct FailureCase {
    const char* operation;
    std::function<void(NarrowString& value, NarrowString& other)> run;
    Outcome outcome; // of value; other never changes
    bool shared;     // other shares value's storage when the operation starts
};

// Each operation meets a failure at its first allocation; the values must
// then be as the failure rules say, and nothing may leak.
TEST(NarrowStringAllocationTest, AFailedAllocationLeavesValuesUnchangedOrEmpty)
{
    using V = NarrowString;
    const FailureCase cases[] = {
        {"Append", [](V& v, V& o) { v += o; }, Outcome::Unchanged, false},
        {"Append to itself", [](V& v, V&) { v += v; }, Outcome::Unchanged, false},
        {"Append to a shared value", [](V& v, V& o) { v += o; }, Outcome::Unchanged, true},
        {"OpenBuffer", [](V& v, V&) { v.OpenBuffer(100); }, Outcome::Unchanged, false},
        {"OpenBuffer on a shared value", [](V& v, V&) { v.OpenBuffer(0); }, Outcome::Unchanged, true},
        {"FormatText", [](V& v, V&) { v.FormatText("%d", 1); }, Outcome::Unchanged, false},
        {"Prefix", [](V& v, V& o) { o = v.Prefix(2); }, Outcome::Unchanged, false},
        {"Substring", [](V& v, V& o) { o = v.Substring(1, 1); }, Outcome::Unchanged, false},
        {"Concat", [](V& v, V& o) { o = v + o; }, Outcome::Unchanged, false},
        {"byte assignment", [](V& v, V&) { v = "a longer text"; }, Outcome::Empty, false},
        {"byte assignment to a shared value", [](V& v, V&) { v = "x"; }, Outcome::Empty, true},
        {"CloseBuffer on a shared value", [](V& v, V&) { v.CloseBuffer(); }, Outcome::Empty, true},
        {"LoadFromResource", [](V& v, V&) { v.LoadFromResource(253); }, Outcome::Empty, false},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.operation);
        AllocationCounter counter;
        bool thrown = false;
        bool valueAsExpected = false;
        bool otherUnchanged = false;
        {
            NarrowString value("abc");
            NarrowString other = c.shared ? value : NarrowString("def");
            const char* storage = value.Text();
            counter.FailAllocation(1);
            try {
                c.run(value, other);
            } catch (const std::bad_alloc&) {
                thrown = true;
            }
            valueAsExpected = c.outcome == Outcome::Unchanged
                                  ? value.Text() == storage && lstrcmpA(value, "abc") == 0 && value.Length() == 3
                                  : value.Text() == NarrowString().Text();
            otherUnchanged = lstrcmpA(other, c.shared ? "abc" : "def") == 0 && other.Length() == 3;
        }
        counter.Stop();
        EXPECT_TRUE(thrown) << "std::bad_alloc did not reach the caller";
        EXPECT_TRUE(valueAsExpected) << (c.outcome == Outcome::Unchanged ? "value changed" : "value not empty");
        EXPECT_TRUE(otherUnchanged) << "the other value changed";
        EXPECT_EQ(0, counter.LiveBlocks()) << "blocks leaked";
    }
}

// Operations of several allocations, failed at each of them in turn.
TEST(NarrowStringAllocationTest, FailureAtEveryAllocationLeaksNothing)
{
    const std::function<void()> operations[] = {
        [] { NarrowString text(MAKEINTRESOURCEA(510)); },
        [] {
            NarrowString text("abc");
            text.LoadFromResource(510);
        },
        [] {
            NarrowString text = NarrowString("C:\\") + NarrowString("dir");
            text += NarrowString("\\verylongname.txt");
            text = CompactPath(text, 10);
        },
    };
    for (size_t i = 0; i < std::size(operations); ++i) {
        for (long k = 1;; ++k) {
            AllocationCounter counter;
            counter.FailAllocation(k);
            bool thrown = false;
            try {
                operations[i]();
            } catch (const std::bad_alloc&) {
                thrown = true;
            }
            counter.Stop();
            EXPECT_EQ(counter.FailureInjected(), thrown) << "operation " << i << ", allocation " << k;
            EXPECT_EQ(0, counter.LiveBlocks()) << "operation " << i << ", failed allocation " << k;
            if (!counter.FailureInjected())
                break;
        }
    }
}

} // namespace
