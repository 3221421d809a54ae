// Long random runs of operations on values that share storages, each step
// checked against plain std::string copies of the same texts.
#include <map>
#include <optional>
#include <random>
#include <string>

#include "tests/support/CountingAllocator.h"
#include "tests/support/Workload.h"
#include "tests/text/TextTestSupport.h"
#include "text/NarrowString.h"

namespace {

constexpr int Slots = 5;
// Appending and joining stop here, so that texts cannot double without end;
// formatting still meets texts longer than its 2048 bytes.
constexpr size_t MaxLength = 3000;

class ModelRun {
public:
    explicit ModelRun(unsigned seed) : random_(seed)
    {
        for (auto& value : values_)
            value.emplace();
    }

    // One random operation; its description for failure messages.
    std::string Step()
    {
        const int a = Below(Slots);
        const int b = Below(Slots);
        const int c = Below(Slots);
        NarrowString& value = *values_[a];
        std::string& model = models_[a];
        switch (Below(13)) {
        case 0:
            value = *values_[b];
            model = models_[b];
            return Describe("v%d = v%d", a, b);
        case 1: {
            const std::string text = RandomText(Below(4) == 0 ? 0 : 1 + Below(12));
            value = text.c_str();
            model = text;
            return Describe("v%d = \"...\" (%d bytes)", a, static_cast<int>(text.size()));
        }
        case 2:
            if (model.size() + models_[b].size() > MaxLength)
                return "too long to append";
            value += *values_[b];
            model += std::string(models_[b]);
            return Describe("v%d += v%d", a, b);
        case 3:
            if (models_[b].size() + models_[c].size() > MaxLength)
                return "too long to join";
            value = *values_[b] + *values_[c];
            model = models_[b] + models_[c];
            return Describe("v%d = v%d + v%d", a, b, c);
        case 4: {
            const int count = Below(static_cast<int>(models_[b].size()) + 5) - 2;
            value = values_[b]->Prefix(count);
            model = models_[b].substr(0, Clamp(count, 0, static_cast<int>(models_[b].size())));
            return Describe("v%d = v%d.Prefix(%d)", a, b, count);
        }
        case 5: {
            const int size = static_cast<int>(models_[b].size());
            const int first = Below(size + 5) - 2;
            const int count = Below(size + 5) - 2;
            value = values_[b]->Substring(first, count);
            const int from = Clamp(first, 0, size);
            model = models_[b].substr(from, Clamp(count, 0, size - from));
            return Describe("v%d = v%d.Substring(%d, %d)", a, b, first, count);
        }
        case 6: {
            const int first = Below(static_cast<int>(models_[b].size()) + 5) - 2;
            value = values_[b]->Substring(first);
            model = models_[b].substr(Clamp(first, 0, static_cast<int>(models_[b].size())));
            return Describe("v%d = v%d.Substring(%d)", a, b, first);
        }
        case 7:
            if (a != b) {
                values_[a].reset();
                values_[a].emplace(*values_[b]);
                model = models_[b];
            }
            return Describe("v%d destroyed, then made a copy of v%d", a, b);
        case 8: {
            const int minLength = Below(16);
            char* buffer = value.OpenBuffer(minLength);
            if (value.Capacity() > 0) {
                model = RandomText(Below(value.Capacity() + 1));
                lstrcpyA(buffer, model.c_str());
            }
            value.CloseBuffer();
            return Describe("v%d written through OpenBuffer(%d)", a, minLength);
        }
        case 9: {
            const int number = Below(1000);
            value.FormatText("%s-%d", models_[b].c_str(), number);
            model = (models_[b] + "-" + std::to_string(number)).substr(0, 2048);
            return Describe("v%d.FormatText(\"%%s-%%d\", v%d, %d)", a, b, number);
        }
        case 10: {
            static const UINT ids[] = {253, 254, 510, 255};
            const UINT id = ids[Below(4)];
            value.LoadFromResource(id);
            model = id == 255 ? "" : Digits(id);
            return Describe("v%d.LoadFromResource(%d)", a, static_cast<int>(id));
        }
        case 11: {
            const int skip = Below(static_cast<int>(model.size()) + 1);
            value = value.Text() + skip;
            model.erase(0, skip);
            return Describe("v%d = its own text from %d", a, skip);
        }
        default:
            value.CloseBuffer();
            return Describe("v%d.CloseBuffer()", a);
        }
    }

    // Every text as its model has it, every share count the number of values
    // that point to the storage, and the shared empty value as it was made.
    std::string Mismatch() const
    {
        const NarrowString empty;
        if (empty.RefCount() != -1 || empty.Length() != 0 || empty.Capacity() != 0 || empty.Text()[0] != '\0')
            return "the shared empty value changed";
        std::map<const char*, int> sharers;
        for (const auto& value : values_)
            ++sharers[value->Text()];
        for (int i = 0; i < Slots; ++i) {
            const NarrowString& value = *values_[i];
            const std::string text(value.Text(), value.Length());
            const std::string slot = "v" + std::to_string(i);
            if (text != models_[i] || value.Text()[value.Length()] != '\0')
                return slot + " is " + Printable(value.Text()) + ", expected " + Printable(models_[i]);
            if (value.Length() > value.Capacity())
                return slot + " is longer than its capacity";
            const bool sharedEmpty = value.Text() == empty.Text();
            if (!sharedEmpty && value.RefCount() != sharers[value.Text()])
                return slot + " counts " + std::to_string(value.RefCount()) + " sharers, expected " +
                       std::to_string(sharers[value.Text()]);
        }
        return "";
    }

    static std::string Digits(int length)
    {
        std::string digits;
        for (int i = 0; i < length; ++i)
            digits += static_cast<char>('0' + i % 10);
        return digits;
    }

private:
    int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random_); }
    static int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

    std::string RandomText(int length)
    {
        std::string text;
        for (int i = 0; i < length; ++i)
            text += static_cast<char>('a' + Below(26));
        return text;
    }

    template <typename... Arguments>
    static std::string Describe(const char* format, Arguments... arguments)
    {
        char text[128];
        wsprintfA(text, format, arguments...);
        return text;
    }

    std::mt19937 random_;
    std::optional<NarrowString> values_[Slots];
    std::string models_[Slots];
};

TEST(NarrowStringModelTest, RandomOperationsMatchPlainStrings)
{
    const unsigned seeds = Workload(20, 3);
    const int steps = Workload(5000, 1000);
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        AllocationCounter counter;
        {
            ModelRun run(seed);
            for (int step = 0; step < steps; ++step) {
                const std::string operation = run.Step();
                const std::string mismatch = run.Mismatch();
                if (!mismatch.empty()) {
                    counter.Stop();
                    FAIL() << mismatch << "\n  after step " << step << ": " << operation << ", seed " << seed;
                }
            }
        }
        counter.Stop();
        EXPECT_EQ(0, counter.LiveBlocks()) << "blocks left after every value went, seed " << seed;
    }
}

} // namespace
