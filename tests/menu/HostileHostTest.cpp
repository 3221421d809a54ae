// The command against a host that answers badly: document counts below zero
// and beyond what a request can name, paths that fill the whole 260-byte
// buffer without a terminator, and an active document answered with an
// empty path or not answered at all.
#include <limits>
#include <cstdlib>
#include <cstring>

#include "tests/menu/CommandFixture.h"
#include "tests/support/Workload.h"

namespace {

constexpr UINT Grayed = MFS_GRAYED;
constexpr UINT Checked = MFS_CHECKED;
constexpr UINT Default = MFS_DEFAULT;

constexpr WPARAM CountRequest = 301;
constexpr WORD PathCode = 278;

// Leaves freed blocks of the sizes a path buffer takes full of 'x', so a
// buffer handed to the host without its empty text would show it.
void DirtyFreeBlocks()
{
    void* blocks[64];
    for (int size = 256; size <= 320; size += 8) {
        for (void*& block : blocks) {
            block = std::malloc(size);
            std::memset(block, 'x', size);
        }
        for (void* block : blocks)
            std::free(block);
    }
}

// The states of the main menu's file items, in order.
std::vector<UINT> FileStates(const CommandRun& run)
{
    std::vector<UINT> states;
    for (size_t i = 0; i + 2 < run.items.size(); ++i)
        states.push_back(run.items[i].state);
    return states;
}

class HostileHostTest : public CommandTest {
protected:
    // Values of the file list as they are: File<n> is paths[n - 1], written
    // unterminated when it fills 260 bytes.
    void SetFileList(const std::vector<std::string>& paths)
    {
        for (size_t n = 0; n < paths.size(); ++n) {
            // A '#' after the data keeps the registry from adding a terminator.
            const bool full = paths[n].size() >= 260;
            const std::string data = paths[n] + (full ? '#' : '\0');
            registry.SetValue(FileListKey, ("File" + std::to_string(n + 1)).c_str(), REG_SZ, data.data(),
                              static_cast<DWORD>(paths[n].size() + (full ? 0 : 1)));
        }
    }
};

// --- Document counts ---------------------------------------------------------

struct CountCase {
    const char* name;
    LRESULT count;
    WORD asked; // documents the command asks for
};

TEST_F(HostileHostTest, DocumentCountsAreAskedUpTo65535AndUnansweredPathsAreEmpty)
{
    std::vector<CountCase> cases = {
        {"LRESULT min", std::numeric_limits<LRESULT>::min(), 0},
        {"-70000", -70000, 0},
        {"-1", -1, 0},
        {"0", 0, 0},
        {"1", 1, 1},
        {"2", 2, 2},
        {"65535", 65535, 65535},
        {"65536", 65536, 65535},
        {"70000", 70000, 65535},
        {"LRESULT max", std::numeric_limits<LRESULT>::max(), 65535},
    };
    // Where LRESULT has 64 bits, a count whose low 32 bits are small must not
    // be taken for them.
    if (sizeof(LRESULT) > 4)
        cases.push_back({"0x1'0000'0003", static_cast<LRESULT>(0x100000003LL), 65535});
    const std::string open = scratch.File("open.txt");
    const std::string active = scratch.File("active.txt");
    // An empty path: it equals every document the host does not answer.
    SetFileList({open, active, ""});
    host.documents = {open};
    host.activePath = active;
    // Under heap checking every one of 65,535 paths costs a check of the
    // whole heap: there only the small counts run.
    const WORD mostAsked = static_cast<WORD>(Workload(65535, 2));
    for (const CountCase& c : cases) {
        if (c.asked > mostAsked)
            continue;
        SCOPED_TRACE(testing::Message() << "document count " << c.name);
        host.documentCount = c.count;
        host.informationRequests.clear();
        DirtyFreeBlocks();

        const CommandRun run = Run();

        ExpectPosted(run, 0);
        std::vector<WPARAM> expected = {CountRequest};
        for (WORD k = 1; k <= c.asked && k != 0; ++k)
            expected.push_back(MAKEWPARAM(PathCode, k));
        expected.push_back(PathCode);
        EXPECT_EQ(expected.size(), host.informationRequests.size()) << "requests 2106";
        EXPECT_TRUE(expected == host.informationRequests) << "requests 2106 differ from the count, each document "
                                                             "from 1 up, then the active one";
        const std::vector<UINT> states = {c.asked >= 1 ? Checked : 0u, Checked | Default,
                                          Grayed | (c.asked >= 2 ? Checked : 0u)};
        EXPECT_EQ(states, FileStates(run)) << "states of the open, the active and the empty file";
    }
}

// --- Paths of 260 bytes ------------------------------------------------------

// A path of exactly 260 bytes, and the same cut a byte short.
std::string Path260(char fill)
{
    return "C:\\vmenu\\" + std::string(260 - 9 - 4, fill) + ".txt";
}

struct PathCase {
    const char* name;
    std::string document; // as the host has it; it writes 260 bytes at most
};

// Whatever the host has past 260 bytes, the command compares exactly the
// first 260: the recent file that is those 260 bytes is the document, the
// one a byte shorter is not, and what follows never matters.
TEST_F(HostileHostTest, PathsAreTheFirst260BytesTheHostWrites)
{
    const std::string full = Path260('p');
    const std::string shorter = full.substr(0, 259);
    const std::string other = scratch.File("other.txt");
    SetFileList({full, shorter, other});
    const PathCase cases[] = {
        {"259 bytes", shorter},
        {"260 bytes", full},
        {"261 bytes", full + "x"},
        {"300 bytes", full + std::string(40, 'y')},
        {"a separator after 260", full + "\\more.txt"},
        {"a lead byte after 260", full + "\x81\x40"},
        {"520 bytes", full + full},
    };
    for (const bool active : {false, true}) {
        for (const PathCase& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (active ? " as the active path" : " as a document"));
            host.documents = active ? std::vector<std::string>{other} : std::vector<std::string>{c.document, other};
            host.activePath = active ? c.document : "";
            DirtyFreeBlocks();

            const CommandRun run = Run();

            ExpectPosted(run, 0);
            const std::string cut = c.document.substr(0, 260);
            const UINT match = active ? Checked | Default : Checked;
            const std::vector<UINT> states = {Grayed | (cut == full ? match : 0), Grayed | (cut == shorter ? match : 0),
                                              Checked};
            EXPECT_EQ(states, FileStates(run)) << "states of the 260-byte file, the 259-byte one and another";
        }
    }
}

TEST_F(HostileHostTest, NothingPast260BytesChangesTheMenu)
{
    const std::string full = Path260('q');
    SetFileList({full, full.substr(0, 259), scratch.File("other.txt")});
    SetRecentFolders({full.substr(0, 255)});
    const std::string tails[] = {"", "\\", std::string(300, 'z'), "\x81", "\x95\x5c\\x", std::string(1, '\x7f')};
    std::string first;
    for (const std::string& tail : tails) {
        SCOPED_TRACE(testing::Message() << "a tail of " << tail.size() << " bytes");
        host.documents = {full + tail, full + tail};
        host.activePath = full + tail;
        DirtyFreeBlocks();

        const CommandRun run = Run();

        ExpectPosted(run, 0);
        ASSERT_EQ(5u, run.items.size());
        EXPECT_EQ(Checked | Default | Grayed, run.items[0].state) << "the 260-byte file";
        const std::string menu = DescribeItems(run.items) + DescribeItems(run.folderItems);
        if (first.empty())
            first = menu;
        EXPECT_EQ(first, menu) << "the menu with another tail";
    }
}

// In code page 932 a cut at 260 bytes can split a double-byte character.
// The command compares the 260 bytes as they are, lone lead byte and all;
// what equal means for them is lstrcmpA's to say.
TEST_F(HostileHostTest, ACutThroughADoubleByteCharacterIsComparedAsCut)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs the double-byte ANSI code page 932, not " << GetACP();
    const std::string head = Path260('r').substr(0, 259);
    const std::string other = scratch.File("other.txt");
    SetFileList({head, other});
    for (const std::string& document : {head + "\x95\x5c", head + "\x81", head + "\x81\x40tail"}) {
        SCOPED_TRACE(testing::Message() << "a document of " << document.size() << " bytes");
        host.documents = {document};
        host.activePath = document;

        const CommandRun run = Run();

        ExpectPosted(run, 0);
        const std::string cut = document.substr(0, 260);
        const bool same = lstrcmpA(cut.c_str(), head.c_str()) == 0;
        EXPECT_EQ((std::vector<UINT>{Grayed | (same ? Checked | Default : 0u), 0}), FileStates(run))
            << "states of the 259-byte file and another";
    }
}

// --- The active document -----------------------------------------------------

// Asked for the active document, the host may write an empty path or
// nothing at all. Either way the command's buffer holds the empty text,
// which is the path of the empty recent value alone.
TEST_F(HostileHostTest, AnActivePathAnsweredEmptyOrNotAtAllIsTheEmptyText)
{
    const std::string first = scratch.File("first.txt");
    const std::string second = scratch.File("second.txt", false);
    SetFileList({first, "", second});
    SetRecentFolders({"", scratch.Path()});
    host.documents = {first};
    host.activePath = "";
    std::string answered;
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers ? "answered with an empty path" : "not answered");
        host.answersActivePath = answers;
        DirtyFreeBlocks();

        const CommandRun run = Run();

        ExpectPosted(run, 0);
        EXPECT_EQ((std::vector<UINT>{Checked, Grayed | Checked | Default, Grayed}), FileStates(run))
            << "states of an open file, the empty one and a missing one";
        ASSERT_EQ(2u, run.folderItems.size());
        EXPECT_EQ(Grayed | Checked | Default, run.folderItems[0].state) << "the empty folder";
        EXPECT_EQ(0u, run.folderItems[1].state) << "an existing folder";
        const std::string menu = DescribeItems(run.items) + DescribeItems(run.folderItems);
        if (answered.empty())
            answered = menu;
        EXPECT_EQ(answered, menu) << "the menu differs from that with the active path answered empty";
    }
}

// Documents the host counts but does not answer read as empty paths, as do
// those it answers with an empty buffer; nothing else of them remains.
TEST_F(HostileHostTest, DocumentsCountedButNotAnsweredAreEmptyPaths)
{
    const std::string file = scratch.File("file.txt");
    SetFileList({file, ""});
    for (const bool answered : {false, true}) {
        SCOPED_TRACE(answered ? "answered with empty paths" : "not answered");
        host.documents = answered ? std::vector<std::string>{"", "", ""} : std::vector<std::string>{};
        host.documentCount = 3;
        host.activePath = file;
        DirtyFreeBlocks();

        const CommandRun run = Run();

        ExpectPosted(run, 0);
        EXPECT_EQ((std::vector<UINT>{Checked | Default, Grayed | Checked}), FileStates(run))
            << "states of the active file and the empty one";
    }
}

} // namespace
