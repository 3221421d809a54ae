// The plug-in's face as the host sees it: the exports of the Velandor.dll
// under test, loaded afresh for every test by its path and called through
// the host stand-in. On 32 bits that is the product's own file.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "host/HostEditor.h"

namespace {

class ExportsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, host.Window()) << "no host window: is there a display?";
        ASSERT_TRUE(host.Loaded()) << "LoadLibrary error " << GetLastError();
    }

    std::string PluginTextA(UINT id)
    {
        char text[256] = {};
        LoadStringA(host.Plugin(), id, text, sizeof text);
        return text;
    }

    std::vector<WPARAM> Relayed2050() const
    {
        std::vector<WPARAM> values;
        for (const HostMessage& message : host.received) {
            EXPECT_EQ(2050u, message.message);
            EXPECT_EQ(0, message.lParam);
            values.push_back(message.wParam);
        }
        return values;
    }

    HostEditor host{VELANDOR_PLUGIN_DLL};
};

TEST_F(ExportsTest, TheLoadedPluginIsTheFileUnderTest)
{
    char loaded[MAX_PATH] = {};
    GetModuleFileNameA(host.Plugin(), loaded, MAX_PATH);
    EXPECT_EQ(0, lstrcmpiA(VELANDOR_PLUGIN_DLL, loaded))
        << "got " << loaded << ", expected " << VELANDOR_PLUGIN_DLL;
}

TEST_F(ExportsTest, IdsOfMenuTextStatusMessageAndBitmap)
{
    EXPECT_EQ(1u, host.GetMenuTextID());
    EXPECT_EQ(2u, host.GetStatusMessageID());
    EXPECT_EQ(101u, host.GetBitmapID());
}

TEST_F(ExportsTest, QueryStatusOffersTheCommandEnabledAndUnchecked)
{
    BOOL checkMark = TRUE;
    EXPECT_EQ(TRUE, host.QueryStatus(&checkMark));
    EXPECT_EQ(FALSE, checkMark);
}

TEST_F(ExportsTest, QueryStatusWithoutFlagStillAnswersTrue)
{
    EXPECT_EQ(TRUE, host.QueryStatus(nullptr));
}

TEST_F(ExportsTest, NameAndVersionQueriesAnswerTheLengthPlusOne)
{
    struct Case {
        UINT query;
        UINT textId;
    };
    for (const Case& c : {Case{2306, 4}, Case{2308, 5}}) {
        const std::string text = PluginTextA(c.textId);
        ASSERT_FALSE(text.empty());
        const LRESULT expected = static_cast<LRESULT>(text.size() + 1);

        EXPECT_EQ(expected, host.PlugInProc(c.query, 0, 0)) << "query " << c.query << " without a buffer";

        char whole[80];
        std::memset(whole, 'x', sizeof whole);
        EXPECT_EQ(expected, host.PlugInProc(c.query, sizeof whole, reinterpret_cast<LPARAM>(whole)));
        EXPECT_EQ(text, whole) << "query " << c.query;

        char shortBuffer[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
        EXPECT_EQ(expected, host.PlugInProc(c.query, 4, reinterpret_cast<LPARAM>(shortBuffer)))
            << "query " << c.query << " into 4 bytes";
        EXPECT_EQ(text.substr(0, 3), std::string(shortBuffer)) << "query " << c.query;
        EXPECT_EQ('x', shortBuffer[4]) << "wrote past the 4 bytes it was given";
    }
}

TEST_F(ExportsTest, NameIsVelandorAndVersionStartsWithItsNumber)
{
    char name[80] = {};
    EXPECT_EQ(9, host.PlugInProc(2306, sizeof name, reinterpret_cast<LPARAM>(name)));
    EXPECT_STREQ("Velandor", name);
    char version[80] = {};
    host.PlugInProc(2308, sizeof version, reinterpret_cast<LPARAM>(version));
    EXPECT_EQ(0, std::strncmp(version, "0.10 ", 5)) << "got \"" << version << "\"";
}

TEST_F(ExportsTest, BitmapQueryFollowsBitZeroOfWParam)
{
    const struct {
        WPARAM wParam;
        LRESULT bitmap;
    } cases[] = {{0, 101}, {1, 102}, {2, 101}, {3, 102}, {0xFFFFFFFE, 101}, {0xFFFFFFFF, 102}};
    for (const auto& c : cases)
        EXPECT_EQ(c.bitmap, host.PlugInProc(2312, c.wParam, 0)) << "wParam " << c.wParam;
}

TEST_F(ExportsTest, QueryWithoutActionAnswersTrue)
{
    EXPECT_EQ(1, host.PlugInProc(2310, 0, 0));
    EXPECT_EQ(1, host.PlugInProc(2310, 12345, -1));
}

TEST_F(ExportsTest, UnlistedQueriesAnswerZero)
{
    for (UINT query : {0u, 1u, 2305u, 2307u, 2309u, 2313u, 0x400u, 0xFFFFFFFFu})
        EXPECT_EQ(0, host.PlugInProc(query, 1, 1)) << "query " << query;
}

// Answers the uninstall question from inside MessageBoxA's own modal loop:
// a timer on this thread finds the message box, notes what it shows and
// presses one of its buttons.
struct UninstallAnswer {
    int button = IDNO;
    bool found = false;
    std::wstring caption; // as the box shows them, in UTF-16
    std::wstring text;
};
UninstallAnswer* PendingAnswer = nullptr;

BOOL CALLBACK PressButtonOfMessageBox(HWND window, LPARAM)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    wchar_t caption[80] = {};
    wchar_t text[256] = {};
    GetWindowTextW(window, caption, std::size(caption));
    GetDlgItemTextW(window, 0xFFFF, text, std::size(text));
    PendingAnswer->found = true;
    PendingAnswer->caption = caption;
    PendingAnswer->text = text;
    PostMessageA(GetDlgItem(window, PendingAnswer->button), BM_CLICK, 0, 0);
    return FALSE;
}

void CALLBACK LookForMessageBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), PressButtonOfMessageBox, 0);
    if (PendingAnswer->found)
        KillTimer(nullptr, timer);
}

TEST_F(ExportsTest, UninstallQuestionAnsweredYesAndNo)
{
    // The question as the module holds it, whether or not the ANSI code
    // page spells it.
    const wchar_t* stored = nullptr;
    const int storedLength = LoadStringW(host.Plugin(), 3, reinterpret_cast<LPWSTR>(&stored), 0);
    const std::wstring question(stored, storedLength);
    for (const auto& [button, expected] : {std::pair{IDYES, 1}, std::pair{IDNO, 0}}) {
        UninstallAnswer answer;
        answer.button = button;
        PendingAnswer = &answer;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, LookForMessageBox);
        const LRESULT result = host.PlugInProc(2311, 0, 0);
        KillTimer(nullptr, timer);
        PendingAnswer = nullptr;

        ASSERT_TRUE(answer.found) << "no message box appeared";
        EXPECT_EQ(expected, result) << "answered button " << button;
        EXPECT_EQ(L"EmEditor", answer.caption);
        EXPECT_TRUE(question == answer.text) << "the box shows the question as stored";
        // Either answer leaves the plug-in as it was.
        EXPECT_EQ(9, host.PlugInProc(2306, 0, 0));
        EXPECT_TRUE(host.received.empty());
    }
}

TEST_F(ExportsTest, EventRightAfterLoadRelaysZero)
{
    host.OnEvents(0x40, 5);
    EXPECT_EQ(std::vector<WPARAM>{0}, Relayed2050());
}

TEST_F(ExportsTest, EventRelaysTheValueSavedBefore)
{
    host.OnEvents(0x400, 7);
    EXPECT_TRUE(host.received.empty()) << "saving a value sends nothing";
    host.OnEvents(0x40, 3);
    EXPECT_EQ(std::vector<WPARAM>{7}, Relayed2050());
}

TEST_F(ExportsTest, EventWithBothBitsRelaysTheValueItCarries)
{
    host.OnEvents(0x400, 4);
    host.OnEvents(0x440, 9);
    EXPECT_EQ(std::vector<WPARAM>{9}, Relayed2050());
}

TEST_F(ExportsTest, EventWithNeitherBitSendsAndChangesNothing)
{
    host.OnEvents(0x400, 5);
    host.OnEvents(~0x440u, 8);
    EXPECT_TRUE(host.received.empty());
    host.OnEvents(0x40, 0);
    EXPECT_EQ(std::vector<WPARAM>{5}, Relayed2050());
}

} // namespace
