// Labels of names in any script, read back in UTF-16: each item shows its
// name as the host stored it, whether or not the ANSI code page spells it.
#include <cstddef>
#include <iterator>

#include "tests/menu/AnsiNames.h"
#include "tests/menu/CommandFixture.h"
#include "tests/plugin/ImportPatch.h"
#include "tests/support/WideText.h"

namespace {

const std::wstring Folder = L"C:\\vmenu\\";

void MakeWideFile(const std::wstring& path)
{
    CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

// An item's label: its prefix, then its text with every '&' doubled.
std::wstring WithAmpersandsDoubled(const std::wstring& prefix, const std::wstring& text)
{
    std::wstring label = prefix;
    for (wchar_t unit : text) {
        if (unit == L'&')
            label += L'&';
        label += unit;
    }
    return label;
}

// The plug-in's string resource as the module holds it.
std::wstring StoredResource(HMODULE plugin, UINT id)
{
    const wchar_t* text = nullptr;
    const int length = LoadStringW(plugin, id, reinterpret_cast<LPWSTR>(&text), 0);
    return std::wstring(text, length);
}

void ExpectWideLabels(const std::vector<MenuItemView>& items, const std::vector<std::wstring>& expected)
{
    ASSERT_LE(expected.size(), items.size());
    for (size_t n = 0; n < expected.size(); ++n)
        EXPECT_EQ(Printable(expected[n]), Printable(items[n].wideText)) << "item " << n;
}

struct StoredName {
    const wchar_t* name;
    const char* script;
};

// Names that some code page of the tests cannot spell; each is shown whole
// in every one. The first two share their ANSI form "??.txt" in 1252, the
// Greek one is a best-fit look-alike "aß.txt" there.
const StoredName StoredNames[] = {
    {L"\xD55C\xAE00.txt", "Hangul"},
    {L"\x65E5\x672C.txt", "Japanese"},
    {L"\x0414\x043E\x043A.txt", "Cyrillic"},
    {L"\x03B1\x03B2.txt", "Greek"},
    {L"\x0101.txt", "a-macron"},
    {L"caf\xE9.txt", "Western"},
    {L"\x4EEC.txt", "simplified Chinese"},
    {L"\xD83D\xDE00.txt", "an emoji"},
    {L"R&D \xD55C.txt", "an ampersand"},
    {L"plain.txt", "ASCII"},
    {L"\x00E9t\x00E9 \x65E5.txt", "two scripts"},
};

// Eleven names in mode 2: the last carries a letter, and the submenu
// continues the letters with the lettered text.
TEST_F(CommandTest, NamesInAnyScriptAreShownAsStored)
{
    std::vector<std::wstring> paths;
    std::vector<std::wstring> expected;
    const wchar_t* const prefixes[] = {L"&1 ", L"&2 ", L"&3 ", L"&4 ", L"&5 ", L"&6 ",
                                       L"&7 ", L"&8 ", L"&9 ", L"&0 ", L"&A "};
    for (size_t n = 0; n < std::size(StoredNames); ++n) {
        paths.push_back(Folder + StoredNames[n].name);
        MakeWideFile(paths.back());
        expected.push_back(WithAmpersandsDoubled(prefixes[n], paths.back()));
    }
    SetStoredList(FileListKey, paths);
    SetExtraShortCut(2);

    const CommandRun run = Run();

    ExpectWideLabels(run.items, expected);
    for (size_t n = 0; n < std::size(StoredNames) && n < run.items.size(); ++n)
        EXPECT_EQ(0u, run.items[n].state) << StoredNames[n].script << " name: an existing file is enabled";
    ASSERT_FALSE(run.items.empty());
    EXPECT_EQ(Printable(L"&B " + StoredResource(host.Plugin(), 6)), Printable(run.items.back().wideText))
        << "the submenu's label";
}

// A compact path counts UTF-16 units where the ANSI code page cannot spell
// the name, and its cut never leaves half of a surrogate pair; the plain
// submenu label shows its own text.
TEST_F(CommandTest, CompactPathOfAStoredNameKeepsSurrogatePairsWhole)
{
    const std::wstring emoji = L"\xD83D\xDE00";
    // 9 + 40 + 6 units: the head of 40 units would end inside the 16th pair.
    SetStoredList(FileListKey, {Folder + Repeat(emoji, 20) + L"\\a.txt"});

    const CommandRun run = Run();

    ExpectWideLabels(run.items, {L"&1 " + Folder + Repeat(emoji, 15) + L"...\\a.txt"});
    ASSERT_FALSE(run.items.empty());
    EXPECT_EQ(Printable(StoredResource(host.Plugin(), 7)), Printable(run.items.back().wideText))
        << "the submenu's label";
}

// The host reports the file open by the ANSI path it answers with; the item
// is checked and shows the stored file name alone.
TEST_F(CommandTest, OpenFileWithAStoredNameShowsItsFileName)
{
    const std::wstring path = Folder + L"\xD55C\xAE00\x0101.txt";
    MakeWideFile(path);
    SetStoredList(FileListKey, {path});
    int ansiBytes = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansiPath(ansiBytes, '\0');
    WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, &ansiPath[0], ansiBytes, nullptr, nullptr);
    ansiPath.resize(ansiBytes - 1);
    host.documents = {ansiPath};

    const CommandRun run = Run();

    ExpectWideLabels(run.items, {L"&1 \xD55C\xAE00\x0101.txt"});
    ASSERT_FALSE(run.items.empty());
    EXPECT_EQ(static_cast<UINT>(MFS_CHECKED), run.items[0].state);
}

// What the plug-in hands to InsertMenuItemA and InsertMenuItemW.
struct Insertion {
    bool wide;
    UINT size;
    UINT mask;
    UINT id;
    std::string bytes;  // the text handed to InsertMenuItemA
    std::wstring units; // the text handed to InsertMenuItemW
    UINT length;
};
std::vector<Insertion>* Insertions = nullptr;

template <class ItemInfo>
bool HasText(const ItemInfo* info)
{
    return info->dwTypeData && (info->fMask & MIIM_TYPE) && info->fType == MFT_STRING;
}

BOOL WINAPI RecordInsertA(HMENU menu, UINT position, BOOL byPosition, const MENUITEMINFOA* info)
{
    Insertions->push_back({false, info->cbSize, info->fMask, info->wID, HasText(info) ? info->dwTypeData : "",
                           L"", info->cch});
    return InsertMenuItemA(menu, position, byPosition, info);
}

BOOL WINAPI RecordInsertW(HMENU menu, UINT position, BOOL byPosition, const MENUITEMINFOW* info)
{
    Insertions->push_back({true, info->cbSize, info->fMask, info->wID, "", HasText(info) ? info->dwTypeData : L"",
                           info->cch});
    return InsertMenuItemW(menu, position, byPosition, info);
}

// An entry that the ANSI code page spells goes to InsertMenuItemA with its
// ANSI label's bytes; any other to InsertMenuItemW with the stored text,
// both in the short form with the text's length in its own units.
TEST_F(CommandTest, OnlyNamesTheCodePageCannotSpellAreInsertedInUtf16)
{
    std::vector<Insertion> insertions;
    Insertions = &insertions;
    ImportPatch narrow(ImportSlot(host.Plugin(), "user32.dll", "InsertMenuItemA"), AsImport(RecordInsertA));
    ImportPatch wide(ImportSlot(host.Plugin(), "user32.dll", "InsertMenuItemW"), AsImport(RecordInsertW));
    std::vector<std::wstring> paths;
    for (const StoredName& name : StoredNames)
        paths.push_back(Folder + name.name);
    SetStoredList(FileListKey, paths);

    Run();
    Insertions = nullptr;

    ASSERT_EQ(std::size(StoredNames) + 2, insertions.size()) << "insertions: files, separator, submenu";
    for (size_t n = 0; n < std::size(StoredNames); ++n) {
        const Insertion& item = insertions[n];
        const std::wstring prefix = n < 9 ? L"&" + std::to_wstring(n + 1) + L" " : n == 9 ? L"&0 " : L"";
        const std::string ansi = InAnsiCodePage(paths[n].c_str());
        SCOPED_TRACE(StoredNames[n].script);
        EXPECT_EQ(ansi.empty(), item.wide) << "inserted in UTF-16";
        EXPECT_EQ(item.wide ? offsetof(MENUITEMINFOW, hbmpItem) : offsetof(MENUITEMINFOA, hbmpItem), item.size);
        EXPECT_EQ(static_cast<UINT>(MIIM_STATE | MIIM_ID | MIIM_TYPE), item.mask);
        EXPECT_EQ(0x1201 + n, item.id);
        if (item.wide) {
            EXPECT_EQ(Printable(WithAmpersandsDoubled(prefix, paths[n])), Printable(item.units));
            EXPECT_EQ(item.units.size(), item.length);
        } else {
            EXPECT_EQ(InAnsiCodePage(WithAmpersandsDoubled(prefix, paths[n]).c_str()), item.bytes);
            EXPECT_EQ(item.bytes.size(), item.length);
        }
    }
    const Insertion& submenu = insertions.back();
    EXPECT_EQ(InAnsiCodePage(StoredResource(host.Plugin(), 7).c_str()).empty(), submenu.wide)
        << "the submenu's label in UTF-16";
}

// With UTF-8 as the ANSI code page every name is spelled, and compaction
// counts bytes: its cut moves back to the first byte of the character that
// it would split, of 2, 3 or 4 bytes.
TEST_F(CommandTest, Utf8CutsLandOnTheStartOfACharacter)
{
    if (GetACP() != CP_UTF8)
        GTEST_SKIP() << "needs UTF-8 as the ANSI code page, running in " << GetACP();
    const struct {
        const wchar_t* character;
        int count;
        int kept; // a head of 40 bytes: 9 of the folder, 31 for these
    } cases[] = {{L"\xE9", 20, 15}, {L"\x65E5", 15, 10}, {L"\xD83D\xDE00", 10, 7}};
    std::vector<std::wstring> paths;
    std::vector<std::wstring> expected;
    for (const auto& c : cases) {
        paths.push_back(Folder + Repeat(c.character, c.count) + L"\\a.txt");
        expected.push_back(L"&" + std::to_wstring(paths.size()) + L" " + Folder + Repeat(c.character, c.kept) +
                           L"...\\a.txt");
    }
    SetStoredList(FileListKey, paths);

    ExpectWideLabels(Run().items, expected);
}

// A path of at most 259 characters stays at its place in the list, however
// many bytes it takes in the ANSI code page, and so do the entries after it.
TEST_F(CommandTest, LongPathStaysInTheListWithTheEntriesAfterIt)
{
    const std::wstring kanji = L"\x6F22";
    // 145 characters; 275 bytes in a double-byte code page, 405 in UTF-8.
    const std::wstring longPath =
        Folder + Repeat(kanji, 45) + L"\\" + Repeat(kanji, 45) + L"\\" + Repeat(kanji, 40) + L".txt";
    const std::vector<std::wstring> paths = {Folder + L"one.txt", longPath, Folder + L"three.txt"};
    MakeWideFile(paths[0]);
    MakeWideFile(paths[2]);
    SetStoredList(FileListKey, paths);

    const CommandRun run = Run({Type('3')});

    ExpectPosted(run, 0x1203);
    ASSERT_EQ(5u, run.items.size()) << DescribeItems(run.items);
    for (UINT n = 0; n < 3; ++n)
        EXPECT_EQ(0x1201 + n, run.items[n].id) << "item " << n;
    EXPECT_EQ(Printable(L"&1 " + paths[0]), Printable(run.items[0].wideText));
    EXPECT_EQ(Printable(L"&3 " + paths[2]), Printable(run.items[2].wideText));
    const std::wstring& shown = run.items[1].wideText;
    EXPECT_EQ(0u, shown.find(L"&2 ")) << Printable(shown);
    EXPECT_NE(std::wstring::npos, shown.find(Repeat(kanji, 7))) << Printable(shown);
    EXPECT_EQ(std::wstring::npos, shown.find_first_of(L"?\xFFFD")) << Printable(shown);
}

} // namespace
