// The command against generated registry data: recent-list values of every
// type and of sizes around the 260-byte buffer and far beyond, raw bytes
// with broken double-byte characters and embedded zeros, ampersands, gaps
// and decoy names, a few lists of thousands of values, and settings of the
// wrong type or size. Each profile runs the real command in the host
// stand-in; the menu read back while it is open must be what a small model
// of the rules, written here from scratch, says.
//
// Every profile comes from its own seed, BaseSeed + its number, and every
// failure names it; VELANDOR_PROFILE=n runs profile n alone.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>

#include "host/FileTree.h"
#include "tests/menu/CommandFixture.h"
#include "tests/support/WideText.h"
#include "tests/support/Workload.h"
#include "text/CompactPath.h"

namespace {

constexpr unsigned BaseSeed = 20261208;
// Measured at 18 to 20 s per code page, 5 s of it the list read whole.
const int ProfileCount = Workload(600, 60);
// Profiles 199, 399, ... hold a list of thousands of values.
constexpr int LongListEvery = 200;
constexpr int LongListValues = 5000;

// The command must finish well within this, or the program ends and names
// the profile rather than hang the suite.
constexpr DWORD ProfileDeadlineMs = 180000;

constexpr UINT Grayed = MFS_GRAYED;
constexpr UINT Checked = MFS_CHECKED;
constexpr UINT Default = MFS_DEFAULT;

// Files the generator may name that exist, so not every item is grayed.
const char* const ExistingPaths[] = {"C:\\vmenu\\a.txt", "C:\\vmenu\\R&D", "C:\\vmenu", "C:\\vmenu\\R&D\\b&c.txt"};

// --- Generating -------------------------------------------------------------

// One registry value as written: size bytes of data, and the byte after
// them, which decides whether the registry adds a terminator to a string.
struct StoredValue {
    std::string name;
    DWORD type;
    std::string data; // size bytes and one more
    DWORD size;
};

// A host setting, or none.
struct StoredSetting {
    bool present;
    DWORD type;
    std::string data;
};

struct Profile {
    int number;
    std::vector<StoredValue> files;
    std::vector<StoredValue> folders;
    bool commonKey;
    StoredSetting extraShortCut;
    StoredSetting stripCurPath;
};

class ProfileGenerator {
public:
    explicit ProfileGenerator(int number) : random_(BaseSeed + static_cast<unsigned>(number)) {}

    Profile Next(int number)
    {
        Profile profile;
        profile.number = number;
        const bool longFiles = number % LongListEvery == LongListEvery - 1;
        const bool longFolders = number % LongListEvery == LongListEvery / 2 - 1;
        // One list is read to its end: it costs the command seconds, most of
        // them comparing every pair of its names.
        profile.files = List(longFiles, false);
        profile.folders = List(longFolders, number == LongListEvery + LongListEvery / 2 - 1);
        profile.commonKey = longFiles || Below(10) != 0;
        profile.extraShortCut = Setting(true);
        if (longFiles) // the letters run on through every byte value
            profile.extraShortCut = {true, REG_DWORD, std::string("\2\0\0\0", 4)};
        profile.stripCurPath = Setting(false);
        return profile;
    }

    int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random_); }
    bool Chance(int percent) { return Below(100) < percent; }

private:
    std::vector<StoredValue> List(bool thousands, bool whole)
    {
        std::vector<StoredValue> values;
        if (thousands) {
            // Read up to a value that ends it somewhere in the first
            // thousand or so, or not at all.
            const int end = whole ? LongListValues + 1 : 200 + Below(1000);
            for (int n = 1; n <= LongListValues; ++n)
                values.push_back(n == end ? Hostile(n) : Path(n, 8 + Below(40)));
            return values;
        }
        const int sizes[] = {0, 1 + Below(12), 1 + Below(12), 13 + Below(28), 41 + Below(80)};
        const int count = sizes[Below(10) < 1 ? 0 : Below(10) < 6 ? 1 + Below(2) : 3 + Below(2)];
        const int gapPercent = Chance(30) ? 0 : 2 + Below(8);
        const int hostilePercent = Chance(30) ? 0 : Below(3) * 10;
        for (int n = 1; n <= count; ++n) {
            if (Chance(gapPercent))
                continue;
            values.push_back(Chance(hostilePercent) ? Hostile(n) : Path(n, Length(true)));
            if (Chance(3))
                values.push_back(Decoy());
        }
        return values;
    }

    static std::string Name(int n) { return "File" + std::to_string(n); }

    // A REG_SZ value of at most 260 bytes, terminated or not.
    StoredValue Path(int n, int length)
    {
        std::string text;
        if (Chance(8)) {
            text = ExistingPaths[Below(4)];
        } else if (Chance(10) && !recent_.empty()) {
            // The same path again, or its name under another folder.
            text = recent_[Below(static_cast<int>(recent_.size()))];
            if (Chance(50))
                text = "C:\\vmenu\\other" + text.substr(std::min(text.size(), text.find_last_of('\\')));
        } else {
            text = Text(length);
        }
        if (text.size() > 260)
            text.resize(260);
        recent_.push_back(text);
        return String(n, REG_SZ, text);
    }

    // A string value in one of the three ways a writer can leave it.
    StoredValue String(int n, DWORD type, const std::string& text)
    {
        switch (Below(3)) {
        case 0: // the registry adds the terminator itself
            return {Name(n), type, text + '\0', static_cast<DWORD>(text.size())};
        case 1: // the terminator is part of the data
            return {Name(n), type, text + '\0' + '\0', static_cast<DWORD>(text.size() + 1)};
        default: // no terminator at all
            return {Name(n), type, text + '#', static_cast<DWORD>(text.size())};
        }
    }

    // A value that ends the list: of another type, or a string too long.
    StoredValue Hostile(int n)
    {
        static const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_QWORD, REG_NONE};
        const DWORD type = types[Below(7)];
        if (type == REG_SZ)
            return String(n, type, Text(261 + (Chance(50) ? Below(3) : Chance(50) ? 4096 : 65536)));
        if (type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
            std::string text = Text(Length(false));
            if (type == REG_MULTI_SZ && Chance(50))
                text += std::string(1, '\0') + "C:\\second" + '\0';
            return String(n, type, text);
        }
        static const int sizes[] = {0, 1, 2, 3, 4, 8, 12, 259, 260, 261, 4096};
        const int size = sizes[Below(11)];
        std::string data = Chance(50) ? Text(size) : Bytes(size);
        data.resize(size);
        return {Name(n), type, data + '\0', static_cast<DWORD>(size)};
    }

    // A value whose name only looks like one of the list's.
    StoredValue Decoy()
    {
        static const char* const names[] = {"File0", "File01", "File1 ", "File-1", "Files1", "File"};
        const std::string text = Text(Length(true));
        return {names[Below(6)], REG_SZ, text + '\0', static_cast<DWORD>(text.size())};
    }

    int Length(bool fits)
    {
        static const int edges[] = {0, 1, 2, 48, 49, 50, 51, 258, 259, 260};
        if (Chance(25))
            return edges[Below(10)];
        if (!fits && Chance(30))
            return 261 + Below(4000);
        return 3 + Below(Chance(70) ? 60 : 258);
    }

    // length bytes that look more or less like a path: drive and folder
    // parts, ampersands, double-byte characters (some with a trail byte of
    // a backslash's value), broken ones, single-byte katakana, control and
    // high bytes, now and then an embedded zero, and maybe a lone lead byte
    // at the very end.
    std::string Text(int length)
    {
        static const char* const starts[] = {"C:\\vmenu\\", "C:\\vmenu\\R&D\\", "C:\\", "\\\\server\\share\\", "",
                                             "D:", "&", "C:\\vmenu\\\x95\x5c\\"};
        std::string text = starts[Below(8)];
        while (static_cast<int>(text.size()) < length) {
            const int kind = Below(20);
            if (kind < 9) {
                text += static_cast<char>("abcdefghijklmnopqrstuvwxyzABCDEFGHIJ0123456789 ._-"[Below(49)]);
            } else if (kind < 11) {
                text += '\\';
            } else if (kind < 12) {
                text += '&';
            } else if (kind < 15) {
                static const unsigned char trails[] = {0x5C, 0x26, 0x40, 0x7E, 0x80, 0x9F, 0xE0, 0xFC, 0xFD, 0x20};
                text += static_cast<char>(Chance(50) ? 0x81 + Below(0x1F) : 0xE0 + Below(0x1D));
                text += static_cast<char>(Chance(40) ? trails[Below(10)] : 0x40 + Below(0xBD));
            } else if (kind < 16) {
                text += static_cast<char>(0xA1 + Below(0x3F)); // single-byte katakana
            } else if (kind < 18) {
                text += static_cast<char>(1 + Below(255));
            } else if (kind < 19) {
                text += Chance(10) ? '\0' : '.';
            } else {
                text += "\\x.txt";
            }
        }
        text.resize(length);
        if (length > 0 && Chance(10))
            text.back() = static_cast<char>(0x81 + Below(0x1F));
        return text;
    }

    std::string Bytes(int length)
    {
        std::string bytes;
        for (int i = 0; i < length; ++i)
            bytes += static_cast<char>(Below(256));
        return bytes;
    }

    StoredSetting Setting(bool accessKeys)
    {
        auto dword = [](DWORD value, size_t size) {
            std::string data(reinterpret_cast<const char*>(&value), sizeof value);
            data.resize(size, '\0');
            return data;
        };
        const int kind = Below(20);
        if (kind < 2)
            return {false, REG_NONE, ""};
        if (kind < 10) {
            static const DWORD modes[] = {2, 2, 2, 1, 1, 0, 3, 0xFFFFFFFF, 0x102, 0x80000002};
            return {true, REG_DWORD, dword(accessKeys ? modes[Below(10)] : Below(3), 4)};
        }
        switch (kind) {
        case 10:
            return {true, REG_DWORD, dword(2, Below(4))}; // short: the zeroed rest counts
        case 11:
            return {true, REG_DWORD, dword(2, 8)};
        case 12:
            return {true, REG_QWORD, dword(2, Chance(50) ? 8 : 4)};
        case 13:
            return {true, REG_BINARY, dword(2, 4)};
        case 14:
            return {true, REG_SZ, std::string("2") + '\0'};
        case 15:
            return {true, REG_DWORD_BIG_ENDIAN, dword(0x02000000, 4)};
        case 16:
            return {true, REG_NONE, dword(1, 4)};
        case 17:
            return {true, REG_EXPAND_SZ, std::string("1") + '\0'};
        default:
            return {true, REG_DWORD, dword(Below(2) ? 1 : 2, 4)};
        }
    }

    std::mt19937 random_;
    std::vector<std::string> recent_;
};

// --- Writing and reading back ------------------------------------------------

void WriteValues(const char* keyPath, const std::vector<StoredValue>& values)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                             nullptr));
    for (const StoredValue& value : values)
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, value.name.c_str(), 0, value.type,
                                                reinterpret_cast<const BYTE*>(value.data.data()), value.size))
            << value.name << ", type " << value.type << ", " << value.size << " bytes";
    RegCloseKey(key);
}

void WriteSetting(const char* name, const StoredSetting& setting)
{
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\EmSoft\\EmEditor v3\\Common", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    if (setting.present)
        RegSetValueExA(key, name, 0, setting.type, reinterpret_cast<const BYTE*>(setting.data.data()),
                       static_cast<DWORD>(setting.data.size()));
    RegCloseKey(key);
}

// A value as an ANSI reader sees it: strings come back through the
// registry's conversion, which may change broken double-byte characters.
struct ReadValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::string data;
};

ReadValue ReadBack(HKEY key, const std::string& name)
{
    static std::vector<BYTE> buffer(256 * 1024); // room for the largest value, doubled by conversion
    ReadValue value;
    DWORD size = static_cast<DWORD>(buffer.size());
    if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, buffer.data(), &size) != ERROR_SUCCESS)
        return value;
    value.present = true;
    value.data.assign(reinterpret_cast<const char*>(buffer.data()), size);
    return value;
}

// --- The model --------------------------------------------------------------

// A string value as the host stored it, in UTF-16, cut at its first zero;
// empty when it is no REG_SZ, has data past a path buffer of 260 units, or
// is longer than 259 characters.
std::wstring ReadBackStored(HKEY key, const std::string& name)
{
    static std::vector<wchar_t> buffer(128 * 1024);
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const std::wstring wideName(name.begin(), name.end());
    if (RegQueryValueExW(key, wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ || size > 260 * sizeof(wchar_t))
        return L"";
    const std::wstring text(buffer.data(), size / sizeof(wchar_t));
    const std::wstring stored = text.substr(0, text.find(L'\0'));
    return stored.size() > 259 ? L"" : stored;
}

std::string InAnsi(const std::wstring& text)
{
    std::string ansi(text.size() * 4, '\0');
    ansi.resize(WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &ansi[0],
                                    static_cast<int>(ansi.size()), nullptr, nullptr));
    return ansi;
}

// The texts of a list as the rules read it: File1, File2, ... while each is
// a REG_SZ of at most 260 bytes, each cut at its first zero byte, or a longer
// one whose stored text has at most 259 characters, taken in the ANSI code
// page from there. Each also as stored, into stored.
std::vector<std::string> ReadList(const char* keyPath, std::vector<std::wstring>& stored)
{
    std::vector<std::string> texts;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return texts;
    for (int n = 1;; ++n) {
        const std::string name = "File" + std::to_string(n);
        const ReadValue value = ReadBack(key, name);
        if (!value.present || value.type != REG_SZ)
            break;
        stored.push_back(ReadBackStored(key, name));
        if (value.data.size() <= 260) {
            texts.push_back(value.data.substr(0, value.data.find('\0')));
        } else if (!stored.back().empty()) {
            texts.push_back(InAnsi(stored.back()));
        } else {
            stored.pop_back();
            break;
        }
    }
    RegCloseKey(key);
    return texts;
}

// A setting as the rules read it: a REG_DWORD of at most 4 bytes, or none.
std::optional<DWORD> ReadDword(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\EmSoft\\EmEditor v3\\Common", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    const ReadValue value = ReadBack(key, name);
    RegCloseKey(key);
    if (!value.present || value.type != REG_DWORD || value.data.size() > 4)
        return std::nullopt;
    DWORD number = 0;
    std::memcpy(&number, value.data.data(), value.data.size());
    return number;
}

bool Equal(const std::string& first, const std::string& second)
{
    return lstrcmpA(first.c_str(), second.c_str()) == 0;
}

// Bytes of the whole characters of text: a lead byte takes the byte after
// it along.
size_t CharacterBytes(const std::string& text, size_t at)
{
    return IsDBCSLeadByte(static_cast<BYTE>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

size_t LastBackslash(const std::string& text)
{
    size_t last = std::string::npos;
    for (size_t at = 0; at < text.size(); at += CharacterBytes(text, at))
        if (text[at] == '\\')
            last = at;
    return last;
}

std::string DoubleAmpersands(const std::string& text)
{
    std::string doubled;
    for (size_t at = 0; at < text.size();) {
        const size_t bytes = CharacterBytes(text, at);
        if (bytes == 1 && text[at] == '&')
            doubled += '&';
        doubled.append(text, at, bytes);
        at += bytes;
    }
    return doubled;
}

std::string AccessKey(int position, int mode)
{
    if (position < 10)
        return std::string("&") + static_cast<char>('0' + (position + 1) % 10) + " ";
    if (mode == 1)
        return "&0 ";
    if (mode != 2)
        return "";
    // The character code position + 55 as one byte; a zero byte ends it.
    const std::string key = {'&', static_cast<char>((position + 55) & 0xFF), ' '};
    return key.substr(0, key.find('\0'));
}

// What a menu holds of an ANSI text: it keeps its texts in UTF-16.
std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    if (!text.empty())
        wide.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                        static_cast<int>(wide.size())));
    return wide;
}

// What a menu gives back of an ANSI text through its ANSI calls.
std::string ThroughMenu(const std::string& text)
{
    return InAnsi(Widen(text));
}

// A stored name's display form: what follows its last backslash, or its
// compact path of 50 units.
std::wstring StoredDisplayText(const std::wstring& stored, bool nameOnly)
{
    if (nameOnly) {
        const size_t slash = stored.find_last_of(L'\\');
        return slash == std::wstring::npos ? L"" : stored.substr(slash + 1);
    }
    wchar_t compact[51] = {};
    return CompactPath(compact, stored.c_str(), 50) ? compact : L"";
}

std::wstring DoubleAmpersands(const std::wstring& text)
{
    std::wstring doubled;
    for (wchar_t unit : text) {
        if (unit == L'&')
            doubled += L'&';
        doubled += unit;
    }
    return doubled;
}

struct ExpectedItem {
    std::wstring text;
    UINT state;
    UINT id;
};

// The items of one list as the rules label them.
// An entry whose ANSI text does not read back as its stored text is shown
// from the stored text.
std::vector<ExpectedItem> ModelItems(const std::vector<std::string>& paths, const std::vector<std::wstring>& stored,
                                     const std::vector<std::string>& documents,
                                     const std::string& activePath, bool allowNameOnly, int mode, bool stripCurPath,
                                     const std::string& currentDirectory, UINT baseId)
{
    const size_t count = paths.size();
    std::vector<std::string> directories(count);
    std::vector<std::string> names(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t slash = LastBackslash(paths[i]);
        if (slash != std::string::npos) {
            directories[i] = paths[i].substr(0, slash);
            names[i] = paths[i].substr(slash + 1);
        }
    }
    std::vector<bool> unique(count, true);
    if (allowNameOnly)
        for (size_t i = 0; i < count; ++i)
            for (size_t j = i + 1; j < count; ++j)
                if (Equal(names[i], names[j]) && !Equal(paths[i], paths[j]))
                    unique[i] = unique[j] = false;

    std::vector<ExpectedItem> items;
    for (size_t i = 0; i < count; ++i) {
        const std::string& path = paths[i];
        // The host answers a document's path in 260 bytes: a longer recent
        // path is never one of its documents.
        bool open = false;
        for (const std::string& document : documents)
            open = open || Equal(document.substr(0, 260), path);
        const bool active = Equal(activePath.substr(0, 260), path);
        const bool missing = (stored[i].empty() ? GetFileAttributesA(path.c_str())
                                                : GetFileAttributesW(stored[i].c_str())) == INVALID_FILE_ATTRIBUTES;
        const bool nameOnly =
            allowNameOnly && ((open && unique[i]) || (stripCurPath && Equal(directories[i], currentDirectory)));
        const std::string shown = nameOnly ? names[i] : std::string(CompactPath(NarrowString(path.c_str()), 50));
        const UINT state = (missing ? Grayed : 0) | (open || active ? Checked : 0) | (active ? Default : 0);
        const std::string key = AccessKey(static_cast<int>(i), mode);
        const bool fromStored = !stored[i].empty() && Widen(path) != stored[i];
        items.push_back({fromStored ? Widen(key) + DoubleAmpersands(StoredDisplayText(stored[i], nameOnly))
                                    : Widen(key + DoubleAmpersands(shown)),
                         state, baseId + static_cast<UINT>(i)});
    }
    return items;
}

// Bytes as printable text with the others in hex, for failure messages.
std::string Printable(const std::string& bytes)
{
    std::string text = "\"";
    for (unsigned char byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F && byte != '"') {
            text += static_cast<char>(byte);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", byte);
            text += hex;
        }
    }
    return text + "\"";
}
using ::Printable;

// --- Running ----------------------------------------------------------------

// The profile running now, for the crash and hang reports.
volatile LONG runningProfile = -1;
volatile DWORD profileStart = 0;

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception)
{
    std::fprintf(stderr, "\nexception 0x%08lX during hostile registry profile %ld (seed %u)\n",
                 exception->ExceptionRecord->ExceptionCode, runningProfile,
                 BaseSeed + static_cast<unsigned>(runningProfile));
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH;
}

// Ends the program, naming the profile, when one runs past its deadline.
class Watchdog {
public:
    Watchdog() : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        thread_ = CreateThread(nullptr, 0, &Watchdog::Watch, stop_, 0, nullptr);
    }
    ~Watchdog()
    {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(stop_);
    }

private:
    static DWORD WINAPI Watch(void* stop)
    {
        while (WaitForSingleObject(stop, 1000) == WAIT_TIMEOUT) {
            if (runningProfile >= 0 && GetTickCount() - profileStart > ProfileDeadlineMs) {
                std::fprintf(stderr, "\nhostile registry profile %ld (seed %u) still runs after %lu ms\n",
                             runningProfile, BaseSeed + static_cast<unsigned>(runningProfile), ProfileDeadlineMs);
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        }
        return 0;
    }

    HANDLE stop_;
    HANDLE thread_;
};

class HostileRegistryTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        menuTimeoutMs = 120000; // a list of thousands takes seconds to show, more on a busy machine
        for (const char* path : ExistingPaths)
            if (std::strchr(path + 3, '.'))
                scratch.File(path + 9);
            else
                MakeFolders(path);
        ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));
        previousFilter_ = SetUnhandledExceptionFilter(&ReportCrash);
    }

    void TearDown() override
    {
        SetUnhandledExceptionFilter(previousFilter_);
        CommandTest::TearDown();
    }

    // Runs one profile; the text of the first difference, or "".
    std::string RunProfile(int number, size_t& itemsChecked)
    {
        ProfileGenerator generator(number);
        const Profile profile = generator.Next(number);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\EmSoft");
        WriteValues(FileListKey, profile.files);
        WriteValues(FolderListKey, profile.folders);
        if (profile.commonKey) {
            WriteSetting("ExtraShortCut", profile.extraShortCut);
            WriteSetting("StripCurPath", profile.stripCurPath);
        }

        std::vector<std::wstring> storedFiles;
        std::vector<std::wstring> storedFolders;
        const std::vector<std::string> files = ReadList(FileListKey, storedFiles);
        const std::vector<std::string> folders = ReadList(FolderListKey, storedFolders);
        const std::optional<DWORD> extraShortCut = ReadDword("ExtraShortCut");
        const std::optional<DWORD> stripCurPath = ReadDword("StripCurPath");
        const int mode = extraShortCut ? static_cast<int>(*extraShortCut) : -1;
        const bool strip = stripCurPath && *stripCurPath != 0;

        // The host has some of the recent files open, and maybe one active.
        host.documents.clear();
        for (int i = generator.Below(4); i > 0 && !files.empty(); --i)
            host.documents.push_back(files[generator.Below(static_cast<int>(files.size()))]);
        host.activePath.clear();
        const int active = generator.Below(4);
        if (active == 1 && !files.empty())
            host.activePath = files[generator.Below(static_cast<int>(files.size()))];
        else if (active == 2 && !folders.empty())
            host.activePath = folders[generator.Below(static_cast<int>(folders.size()))];

        char directory[MAX_PATH + 1] = {};
        GetCurrentDirectoryA(sizeof directory, directory);
        const std::vector<ExpectedItem> fileItems =
            ModelItems(files, storedFiles, host.documents, host.activePath, true, mode, strip, directory, 0x1201);
        const std::vector<ExpectedItem> folderItems =
            ModelItems(folders, storedFolders, {}, host.activePath, false, mode, strip, directory, 0x1380);
        const std::string label = ThroughMenu(mode == 2 && files.size() > 9
                                                  ? AccessKey(static_cast<int>(files.size()), 2) + PluginString(6)
                                                  : PluginString(7));

        profileStart = GetTickCount();
        runningProfile = number;
        const CommandRun run = Run();
        runningProfile = -1;

        std::ostringstream out;
        out << files.size() << " files, " << folders.size() << " folders, ExtraShortCut " << mode
            << ", StripCurPath " << strip << ", active " << Printable(host.activePath) << ": ";
        const std::string context = out.str();
        if (!run.opened || !run.ended)
            return context + (run.opened ? "the menu did not close on Escape" : "no menu showed");
        if (run.posted.size() != 1 || run.posted[0].wParam != 0 || run.posted[0].lParam != 0)
            return context + "posted " + std::to_string(run.posted.size()) + " messages 2070, expected one with 0, 0";
        if (IsMenu(run.mainMenu) || IsMenu(run.folderMenu))
            return context + "a menu outlived the command";
        if (run.items.size() != fileItems.size() + 2)
            return context + "got " + std::to_string(run.items.size()) + " items in the main menu, expected " +
                   std::to_string(fileItems.size() + 2);
        std::string difference = CompareItems({run.items.begin(), run.items.end() - 2}, fileItems, "file");
        const MenuItemView& separator = run.items[fileItems.size()];
        const MenuItemView& submenu = run.items.back();
        if (difference.empty() && separator.type != MFT_SEPARATOR)
            difference = "the item after the files is not a separator";
        if (difference.empty() && (submenu.text != label || submenu.type != MFT_STRING || submenu.state != 0 ||
                                   submenu.id != 0 || submenu.submenu == nullptr))
            difference = "submenu item: got " + Printable(submenu.text) + ", state " + std::to_string(submenu.state) +
                         ", expected " + Printable(label) + ", state 0";
        if (difference.empty() && run.folderItems.size() != folderItems.size())
            difference = "got " + std::to_string(run.folderItems.size()) + " folder items, expected " +
                         std::to_string(folderItems.size());
        if (difference.empty())
            difference = CompareItems(run.folderItems, folderItems, "folder");
        itemsChecked += run.items.size() + run.folderItems.size();
        return difference.empty() ? "" : context + difference;
    }

    static std::string CompareItems(const std::vector<MenuItemView>& got, const std::vector<ExpectedItem>& expected,
                                    const char* kind)
    {
        for (size_t i = 0; i < expected.size(); ++i) {
            const MenuItemView& item = got[i];
            if (item.wideText != expected[i].text || item.type != MFT_STRING || item.state != expected[i].state ||
                item.id != expected[i].id || item.submenu != nullptr)
                return std::string(kind) + " item " + std::to_string(i) + ": got " + Printable(item.wideText) +
                       ", type " + std::to_string(item.type) + ", state " + std::to_string(item.state) + ", id " +
                       std::to_string(item.id) + "; expected " + Printable(expected[i].text) + ", type 0, state " +
                       std::to_string(expected[i].state) + ", id " + std::to_string(expected[i].id);
        }
        return "";
    }

private:
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter_ = nullptr;
};

TEST_F(HostileRegistryTest, GeneratedProfilesShowWhatTheRulesSay)
{
    int first = 0;
    int last = ProfileCount - 1;
    if (const char* only = std::getenv("VELANDOR_PROFILE"))
        first = last = std::atoi(only);
    const Watchdog watchdog;
    size_t itemsChecked = 0;
    int failures = 0;
    for (int number = first; number <= last && failures < 5; ++number) {
        const std::string difference = RunProfile(number, itemsChecked);
        if (HasFatalFailure())
            return;
        if (!difference.empty()) {
            ++failures;
            ADD_FAILURE() << "profile " << number << " (seed " << BaseSeed + number << "), code page " << GetACP()
                          << ": " << difference;
        }
    }
    RecordProperty("profiles", last - first + 1);
    std::cout << "[ PROFILES ] code page " << GetACP() << ": " << last - first + 1 << " profiles, " << itemsChecked
              << " menu items checked" << std::endl;
}

} // namespace
