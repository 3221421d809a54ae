#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/HostEditor.h"
#include "host/PopupDriver.h"
#include "tests/support/RegistrySandbox.h"

// One keystroke for the open menu: a virtual key (WM_KEYDOWN) or a typed
// character (WM_CHAR).
struct Key {
    UINT message;
    WPARAM value;
};
inline Key Press(UINT virtualKey) { return {WM_KEYDOWN, virtualKey}; }
inline Key Type(char character) { return {WM_CHAR, static_cast<unsigned char>(character)}; }

// What one run of the command showed and what it posted.
struct CommandRun {
    bool opened = false;
    bool ended = false;
    RECT window = {};                      // where the main menu showed
    DWORD showedAfterMs = 0;               // from the command's start
    HMENU mainMenu = nullptr;
    HMENU folderMenu = nullptr;
    std::vector<MenuItemView> items;       // the main menu, read while it was open
    std::vector<MenuItemView> folderItems; // the folder submenu
    std::vector<HostMessage> posted;       // every 2070 the host got
};

// A folder on drive C with files for one test, removed afterwards. Its name
// is fixed and short, so the paths in it stay below the compaction budget
// and compacted forms can be written out.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The full path of relative, with its folders made on disk; the file
    // itself is made only when it is to exist.
    std::string File(const std::string& relative, bool exists = true) const;
    std::string Folder(const std::string& relative, bool exists = true) const;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The command run in the host stand-in against a sandboxed registry.
class CommandTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void SetRecentFiles(const std::vector<std::string>& paths);
    void SetRecentFolders(const std::vector<std::string>& paths);
    // Writes a list as the host does, in UTF-16.
    void SetStoredList(const char* key, const std::vector<std::wstring>& paths);
    void SetExtraShortCut(DWORD mode);
    void SetStripCurPath(DWORD on);

    // Runs the plug-in's command, reads both menus while they are open, then
    // sends the keys (Escape when none are given).
    CommandRun Run(const std::vector<Key>& keys = {Press(VK_ESCAPE)});
    // The same with command in place of the plug-in's export.
    CommandRun Drive(const std::function<void()>& command, const std::vector<Key>& keys = {Press(VK_ESCAPE)});

    // A string resource of the loaded plug-in, as LoadStringA gives it.
    std::string PluginString(UINT id) const;

    // How long a run may take to show its menu, and then to close it. Only a
    // fault waits this out, so it is generous: on a machine busy with both
    // test lanes, or under heap checking, a run can take seconds.
    DWORD menuTimeoutMs = 20000;

    RegistrySandbox registry;
    ScratchFolder scratch;
    HostEditor host{VELANDOR_PLUGIN_DLL};

private:
    std::string savedDirectory_;
};

// The run opened and closed its menu, posted one 2070 with id and lParam 0,
// and destroyed both its menus.
void ExpectPosted(const CommandRun& run, UINT id);

// One expected menu item.
struct ItemExpectation {
    std::string text;
    UINT state;
    UINT id;
};

// items are exactly the expected ones: plain string items, in this order.
void ExpectItems(const std::vector<MenuItemView>& items, const std::vector<ItemExpectation>& expected,
                 const char* menuName);

// Every item's text, state and id on one line, for comparing whole menus.
std::string DescribeItems(const std::vector<MenuItemView>& items);

// The main menu holds the expected file items, then the separator, then the
// submenu item labelled folderLabel.
void ExpectMainMenu(const CommandRun& run, const std::vector<ItemExpectation>& files,
                    const std::string& folderLabel);

// Where the cursor is when the command runs: near the top left, so a long
// menu and its submenu fit on the screen.
constexpr POINT MenuCursor = {60, 20};

// The host's recent-list keys and settings key.
constexpr char FileListKey[] = "Software\\EmSoft\\EmEditor v3\\Recent File List";
constexpr char FolderListKey[] = "Software\\EmSoft\\EmEditor v3\\Recent Folder List";
constexpr char CommonKey[] = "Software\\EmSoft\\EmEditor v3\\Common";
