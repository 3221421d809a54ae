#include "tests/menu/CommandFixture.h"

#include "host/FileTree.h"

namespace {

std::string ParentOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\'));
}

void SetList(RegistrySandbox& registry, const char* key, const std::vector<std::string>& paths)
{
    registry.CreateKey(key);
    for (size_t n = 0; n < paths.size(); ++n)
        registry.SetString(key, ("File" + std::to_string(n + 1)).c_str(), paths[n]);
}

} // namespace

ScratchFolder::ScratchFolder() : path_("C:\\vmenu")
{
    RemoveTree(path_);
    MakeFolders(path_);
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(path_);
}

std::string ScratchFolder::File(const std::string& relative, bool exists) const
{
    const std::string path = path_ + "\\" + relative;
    if (exists)
        MakeFile(path);
    else
        MakeFolders(ParentOf(path));
    return path;
}

std::string ScratchFolder::Folder(const std::string& relative, bool exists) const
{
    const std::string path = path_ + "\\" + relative;
    MakeFolders(exists ? path : ParentOf(path));
    return path;
}

void CommandTest::SetUp()
{
    ASSERT_TRUE(host.Loaded()) << "LoadLibrary error " << GetLastError();
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    savedDirectory_ = directory;
}

void CommandTest::TearDown()
{
    SetCurrentDirectoryA(savedDirectory_.c_str());
}

void CommandTest::SetRecentFiles(const std::vector<std::string>& paths)
{
    SetList(registry, FileListKey, paths);
}

void CommandTest::SetRecentFolders(const std::vector<std::string>& paths)
{
    SetList(registry, FolderListKey, paths);
}

void CommandTest::SetStoredList(const char* key, const std::vector<std::wstring>& paths)
{
    registry.CreateKey(key);
    HKEY opened = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &opened));
    for (size_t n = 0; n < paths.size(); ++n) {
        const std::wstring name = L"File" + std::to_wstring(n + 1);
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(opened, name.c_str(), 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(paths[n].c_str()),
                                                static_cast<DWORD>((paths[n].size() + 1) * sizeof(wchar_t))));
    }
    RegCloseKey(opened);
}

void CommandTest::SetExtraShortCut(DWORD mode)
{
    registry.SetDword(CommonKey, "ExtraShortCut", mode);
}

void CommandTest::SetStripCurPath(DWORD on)
{
    registry.SetDword(CommonKey, "StripCurPath", on);
}

CommandRun CommandTest::Run(const std::vector<Key>& keys)
{
    return Drive([this] { host.OnCommand(); }, keys);
}

CommandRun CommandTest::Drive(const std::function<void()>& command, const std::vector<Key>& keys)
{
    CommandRun run;
    SetCursorPos(MenuCursor.x, MenuCursor.y);
    const DWORD start = GetTickCount();
    const PopupOutcome outcome = DrivePopup(command,
                                            [&](HWND popup) {
                                                run.showedAfterMs = GetTickCount() - start;
                                                GetWindowRect(popup, &run.window);
                                                run.mainMenu = MenuOfWindow(popup);
                                                run.items = ReadMenuItems(run.mainMenu);
                                                if (!run.items.empty()) {
                                                    run.folderMenu = run.items.back().submenu;
                                                    run.folderItems = ReadMenuItems(run.folderMenu);
                                                }
                                                for (const Key& key : keys)
                                                    PostMessageA(popup, key.message, key.value, 1);
                                            },
                                            menuTimeoutMs);
    run.opened = outcome.opened;
    run.ended = outcome.ended;
    host.DispatchPending();
    for (const HostMessage& message : host.received)
        if (message.message == 2070) // 0x816
            run.posted.push_back(message);
    host.received.clear();
    return run;
}

std::string CommandTest::PluginString(UINT id) const
{
    char text[256] = {};
    LoadStringA(host.Plugin(), id, text, sizeof text);
    return text;
}

void ExpectPosted(const CommandRun& run, UINT id)
{
    EXPECT_TRUE(run.opened) << "no popup menu showed";
    EXPECT_TRUE(run.ended) << "the menu did not close on its keys and had to be ended";
    ASSERT_EQ(1u, run.posted.size()) << "messages 2070 posted";
    EXPECT_EQ(id, run.posted[0].wParam) << "2070's wParam";
    EXPECT_EQ(0, run.posted[0].lParam) << "2070's lParam";
    EXPECT_NE(nullptr, run.mainMenu);
    EXPECT_NE(nullptr, run.folderMenu);
    EXPECT_FALSE(IsMenu(run.mainMenu)) << "the main menu outlived the command";
    EXPECT_FALSE(IsMenu(run.folderMenu)) << "the folder menu outlived the command";
}

void ExpectItems(const std::vector<MenuItemView>& items, const std::vector<ItemExpectation>& expected,
                 const char* menuName)
{
    EXPECT_EQ(expected.size(), items.size()) << "items in the " << menuName;
    for (size_t n = 0; n < expected.size() && n < items.size(); ++n) {
        EXPECT_EQ(expected[n].text, items[n].text) << menuName << " item " << n << ": text";
        EXPECT_EQ(static_cast<UINT>(MFT_STRING), items[n].type) << menuName << " item " << n << ": type";
        EXPECT_EQ(expected[n].state, items[n].state) << menuName << " item " << n << ": state";
        EXPECT_EQ(expected[n].id, items[n].id) << menuName << " item " << n << ": id";
        EXPECT_EQ(nullptr, items[n].submenu) << menuName << " item " << n << ": submenu";
    }
}

std::string DescribeItems(const std::vector<MenuItemView>& items)
{
    std::string text;
    for (const MenuItemView& item : items)
        text += "[" + item.text + " type " + std::to_string(item.type) + " state " + std::to_string(item.state) +
                " id " + std::to_string(item.id) + "]";
    return text;
}

void ExpectMainMenu(const CommandRun& run, const std::vector<ItemExpectation>& files,
                    const std::string& folderLabel)
{
    ASSERT_EQ(files.size() + 2, run.items.size()) << "items in the main menu";
    ExpectItems({run.items.begin(), run.items.end() - 2}, files, "main menu");
    const MenuItemView& separator = run.items[files.size()];
    const MenuItemView& folders = run.items.back();
    EXPECT_EQ(static_cast<UINT>(MFT_SEPARATOR), separator.type) << "type of the item after the files";
    EXPECT_EQ(folderLabel, folders.text) << "the submenu item's label";
    EXPECT_EQ(static_cast<UINT>(MFT_STRING), folders.type) << "the submenu item's type";
    EXPECT_EQ(0u, folders.state) << "the submenu item's state";
    EXPECT_EQ(0u, folders.id) << "the submenu item's id";
    EXPECT_NE(nullptr, folders.submenu) << "the last item opens no submenu";
}
