// The Velandor.dll that users install, loaded as a data file: its texts and
// bitmaps are what the host shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr WORD Japanese = 0x411;

class ProductDllTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        product = LoadLibraryExA(VELANDOR_PLUGIN_DLL, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() { FreeLibrary(product); }

    void SetUp() override { ASSERT_NE(nullptr, product) << VELANDOR_PLUGIN_DLL << ": error " << GetLastError(); }

    // The raw bytes of one resource in Japanese; empty when there is none.
    static std::vector<BYTE> Resource(LPCSTR type, WORD id)
    {
        HRSRC found = FindResourceExA(product, type, MAKEINTRESOURCEA(id), Japanese);
        if (!found)
            return {};
        const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(product, found)));
        return {bytes, bytes + SizeofResource(product, found)};
    }

    static HMODULE product;
};
HMODULE ProductDllTest::product = nullptr;

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    reinterpret_cast<std::set<WORD>*>(found)->insert(language);
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR found)
{
    auto* names = reinterpret_cast<std::set<std::pair<ULONG_PTR, ULONG_PTR>>*>(found);
    EXPECT_TRUE(IS_INTRESOURCE(name)) << "a resource with a text name";
    std::set<WORD> languages;
    EnumResourceLanguagesA(module, type, name, CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(std::set<WORD>{Japanese}, languages)
        << "languages of resource " << reinterpret_cast<ULONG_PTR>(name) << " of type "
        << reinterpret_cast<ULONG_PTR>(type);
    names->insert({reinterpret_cast<ULONG_PTR>(type), reinterpret_cast<ULONG_PTR>(name)});
    return TRUE;
}

BOOL CALLBACK CollectType(HMODULE module, LPSTR type, LONG_PTR found)
{
    EXPECT_TRUE(IS_INTRESOURCE(type)) << "a resource type with a text name";
    EnumResourceNamesA(module, type, CollectName, found);
    return TRUE;
}

TEST_F(ProductDllTest, HoldsTheStringBlockAndTwoBitmapsInJapaneseOnly)
{
    std::set<std::pair<ULONG_PTR, ULONG_PTR>> resources;
    EnumResourceTypesA(product, CollectType, reinterpret_cast<LONG_PTR>(&resources));
    const std::set<std::pair<ULONG_PTR, ULONG_PTR>> expected = {
        {reinterpret_cast<ULONG_PTR>(RT_BITMAP), 101},
        {reinterpret_cast<ULONG_PTR>(RT_BITMAP), 102},
        {reinterpret_cast<ULONG_PTR>(RT_STRING), 1}, // the block of ids 0 to 15
    };
    EXPECT_EQ(expected, resources);
}

TEST_F(ProductDllTest, StringTableHoldsTheSevenTexts)
{
    const std::vector<BYTE> block = Resource(RT_STRING, 1);
    ASSERT_FALSE(block.empty());
    // A block is 16 counted UTF-16 strings, ids 0 to 15.
    std::vector<std::u16string> texts;
    const char16_t* cursor = reinterpret_cast<const char16_t*>(block.data());
    for (int id = 0; id < 16; ++id) {
        const size_t length = *cursor++;
        texts.emplace_back(cursor, length);
        cursor += length;
    }
    EXPECT_EQ(block.size(), static_cast<size_t>(reinterpret_cast<const BYTE*>(cursor) - block.data()));

    EXPECT_EQ(u"", texts[0]);
    EXPECT_EQ(u"最近使ったファイル一覧", texts[1]);
    EXPECT_EQ(u"最近使ったファイルをメニューで一覧表示します。\n最近使ったファイル一覧", texts[2]);
    EXPECT_EQ(u"アンインストールしてもよろしいですか？", texts[3]);
    EXPECT_EQ(u'\xFF1F', texts[3].back()) << "the question mark is the full-width one";
    EXPECT_EQ(u"Velandor", texts[4]);
    EXPECT_EQ(u"0.10 ", texts[5].substr(0, 5));
    EXPECT_GT(texts[5].size(), 5u) << "the version has an author credit";
    EXPECT_EQ(u"最近使ったフォルダ", texts[6]);
    EXPECT_EQ(u"最近使ったフォルダ(&F)", texts[7]);
    for (int id = 8; id < 16; ++id)
        EXPECT_EQ(u"", texts[id]) << "string " << id;
}

TEST_F(ProductDllTest, TextsLoadAsTheCodePageSpellsThem)
{
    const struct {
        UINT id;
        const wchar_t* text;
    } cases[] = {{1, L"最近使ったファイル一覧"}, {4, L"Velandor"}, {7, L"最近使ったフォルダ(&F)"}};
    for (const auto& c : cases) {
        char expected[80] = {};
        WideCharToMultiByte(CP_ACP, 0, c.text, -1, expected, sizeof expected, nullptr, nullptr);
        char loaded[80] = {};
        LoadStringA(product, c.id, loaded, sizeof loaded);
        EXPECT_STREQ(expected, loaded) << "string " << c.id << " in code page " << GetACP();
    }
}

TEST_F(ProductDllTest, BitmapsAreSixteenColourPicturesInBlackWhiteAndGrey)
{
    const RGBQUAD standardPalette[16] = {
        {0, 0, 0, 0},     {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
        {128, 0, 0, 0},   {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
        {128, 128, 128, 0}, {0, 0, 255, 0}, {0, 255, 0, 0},   {0, 255, 255, 0},
        {255, 0, 0, 0},   {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0},
    };
    for (const auto& [id, size] : {std::pair<WORD, LONG>{101, 16}, std::pair<WORD, LONG>{102, 24}}) {
        SCOPED_TRACE("bitmap " + std::to_string(id));
        const std::vector<BYTE> bitmap = Resource(RT_BITMAP, id);
        ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER) + sizeof standardPalette);
        BITMAPINFOHEADER header;
        std::memcpy(&header, bitmap.data(), sizeof header);
        EXPECT_EQ(sizeof header, header.biSize);
        EXPECT_EQ(size, header.biWidth);
        EXPECT_EQ(size, header.biHeight) << "positive: rows stored bottom-up";
        EXPECT_EQ(1, header.biPlanes);
        EXPECT_EQ(8, header.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression);
        EXPECT_EQ(16u, header.biClrUsed);
        EXPECT_EQ(0, std::memcmp(standardPalette, bitmap.data() + sizeof header, sizeof standardPalette))
            << "not the standard 16-colour palette";

        const size_t stride = (size + 3) & ~3;
        const BYTE* pixels = bitmap.data() + sizeof header + sizeof standardPalette;
        ASSERT_EQ(sizeof header + sizeof standardPalette + stride * size, bitmap.size());
        std::map<BYTE, int> uses;
        for (LONG row = 0; row < size; ++row)
            for (LONG column = 0; column < size; ++column)
                ++uses[pixels[row * stride + column]];
        const BYTE black = 0, grey = 7, white = 15;
        EXPECT_EQ((std::set<BYTE>{black, grey, white}), [&] {
            std::set<BYTE> used;
            for (const auto& [index, count] : uses)
                used.insert(index);
            return used;
        }());
        EXPECT_GT(uses[grey], uses[black]) << "light grey is the background";
        EXPECT_GT(uses[grey], uses[white]);
        EXPECT_EQ(grey, pixels[0]) << "bottom-left corner";
        EXPECT_EQ(grey, pixels[(size - 1) * stride + size - 1]) << "top-right corner";
    }
}

} // namespace
