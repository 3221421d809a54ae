// Times one run of the recent command up to its menu loop (the product's
// BuildRecentMenus, then both menus destroyed and the lists released)
// against the bare system calls that such a run has to make, made directly
// with no plug-in logic in between. Profiles of 16, 64 and 256 recent files
// and folders; prints for each the medians, the plug-in's overhead over the
// bare calls, what those calls cost by kind and which step spends what.
//
// To tell the plug-in's own code from its effect on the calls, it also
// times the bare calls in the order a run makes them, and both sides once
// more with every system call played back from a recording of the same run.
//
// Usage: command_bench [seconds per profile, default 8]
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/FileTree.h"
#include "host/HostEditor.h"
#include "host/PopupDriver.h"
#include "menu/Command.h"
#include "menu/MenuBuilder.h"
#include "menu/RecentMenu.h"
#include "plugin/HostSettings.h"
#include "plugin/Module.h"
#include "recent/RecentList.h"
#include "text/CompactPath.h"
#include "tests/support/RegistrySandbox.h"

namespace {

constexpr UINT InformationMessage = 2106; // 0x83A
constexpr WORD DocumentCountCode = 301;   // 0x12D
constexpr WORD DocumentPathCode = 278;    // 0x116
constexpr UINT PlainFolderLabelId = 7;
constexpr UINT LetteredFolderLabelId = 6;
constexpr DWORD ExtraShortCutMode = 2;
constexpr int LabelBufferSize = 256;
// The 44-byte form on 32 bits; the same cut on 64.
constexpr UINT ShortItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);

volatile LONG_PTR Sink;

// ---------------------------------------------------------------- clocks

double TicksPerMicrosecond()
{
    static const double ticks = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1e6;
    }();
    return ticks;
}

LONGLONG Ticks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Microseconds(LONGLONG ticks)
{
    return static_cast<double>(ticks) / TicksPerMicrosecond();
}

// The timed runs take no stamps inside; the detail runs take one between
// steps, so the totals never pay for them.
struct NoStamps {
    void Mark() {}
};

template <int Count>
struct Stamps {
    LONGLONG at[Count] = {};
    int next = 0;
    void Mark() { at[next++] = Ticks(); }
    double Between(int first, int last) const { return Microseconds(at[last] - at[first]); }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// ---------------------------------------------------------- call counting

// The system calls one run makes, by kind, as they pass through this
// program's import table: the plug-in's code is linked in, so its calls go
// the same way as the bare ones.
enum CallKind {
    SendKind,
    RegOpenKind,
    RegQueryKind,
    RegCloseKind,
    CurrentDirectoryKind,
    FileAttributesKind,
    CompareKind,
    CreateMenuKind,
    InsertItemKind,
    DestroyMenuKind,
    LoadStringKind,
    CharNextKind,
    StringLengthKind,
    LeadByteKind,
    MallocKind,
    CallKindCount
};

const char* const CallNames[CallKindCount] = {
    "SendMessageA",     "RegOpenKeyExA",   "RegQueryValueExA", "RegCloseKey", "GetCurrentDirectoryA",
    "GetFileAttributesA", "lstrcmpA",      "CreatePopupMenu",  "InsertMenuItemA", "DestroyMenu",
    "LoadStringA",      "CharNextA",       "lstrlenA",         "IsDBCSLeadByte",   "malloc",
};

struct CallCounts {
    long of[CallKindCount] = {};
};
CallCounts Counted;

// Points every import of name in this program at replacement; returns what
// the first one pointed at, or null when nothing imports it.
void* RedirectImport(const char* name, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    void* previous = nullptr;
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name != 0; ++module) {
        if (module->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            // Not lstrcmpA: it may be the very import being redirected.
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0)
                continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            if (previous == nullptr)
                previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
        }
    }
    return previous;
}

// Points imports of this program at replacements, and every one of them
// back at its original when it goes out of scope.
class ImportRedirections {
public:
    ImportRedirections() = default;
    ~ImportRedirections()
    {
        for (auto original = originals_.rbegin(); original != originals_.rend(); ++original)
            RedirectImport(CallNames[original->kind], original->function);
    }
    ImportRedirections(const ImportRedirections&) = delete;
    ImportRedirections& operator=(const ImportRedirections&) = delete;

    // Points every import of kind at replacement and real at the original,
    // which is null when nothing imports it.
    template <typename Function>
    void Redirect(CallKind kind, Function replacement, Function& real)
    {
        void* original = RedirectImport(CallNames[kind], reinterpret_cast<void*>(replacement));
        if (original != nullptr)
            originals_.push_back({kind, original});
        real = reinterpret_cast<Function>(original);
    }

private:
    struct Original {
        CallKind kind;
        void* function;
    };
    std::vector<Original> originals_;
};

template <CallKind Kind, typename Result, typename... Args>
struct CountingCall {
    static inline Result(WINAPI* real)(Args...) = nullptr;
    static Result WINAPI Call(Args... args)
    {
        ++Counted.of[Kind];
        return real(args...);
    }
};

// The signature comes from the system's declaration of the function.
template <CallKind Kind, typename Result, typename... Args>
void CountCalls(ImportRedirections& imports, Result(WINAPI*)(Args...))
{
    using Counter = CountingCall<Kind, Result, Args...>;
    imports.Redirect(Kind, &Counter::Call, Counter::real);
}

// The C runtime's malloc is __cdecl, which on 32 bits differs from WINAPI.
void*(__cdecl* RealMalloc)(size_t) = nullptr;

void* __cdecl CountingMalloc(size_t size)
{
    ++Counted.of[MallocKind];
    return RealMalloc(size);
}

// Counts every call of the kinds above until it goes out of scope.
class CallCounter {
public:
    CallCounter()
    {
        CountCalls<SendKind>(imports_, &SendMessageA);
        CountCalls<RegOpenKind>(imports_, &RegOpenKeyExA);
        CountCalls<RegQueryKind>(imports_, &RegQueryValueExA);
        CountCalls<RegCloseKind>(imports_, &RegCloseKey);
        CountCalls<CurrentDirectoryKind>(imports_, &GetCurrentDirectoryA);
        CountCalls<FileAttributesKind>(imports_, &GetFileAttributesA);
        CountCalls<CompareKind>(imports_, &lstrcmpA);
        CountCalls<CreateMenuKind>(imports_, &CreatePopupMenu);
        CountCalls<InsertItemKind>(imports_, &InsertMenuItemA);
        CountCalls<DestroyMenuKind>(imports_, &DestroyMenu);
        CountCalls<LoadStringKind>(imports_, &LoadStringA);
        CountCalls<CharNextKind>(imports_, &CharNextA);
        CountCalls<StringLengthKind>(imports_, &lstrlenA);
        CountCalls<LeadByteKind>(imports_, &IsDBCSLeadByte);
        // Every operator new of the run ends here, in the C runtime's DLL.
        imports_.Redirect(MallocKind, &CountingMalloc, RealMalloc);
        // From nothing once every counter is in place: putting them there
        // allocates.
        Restart();
    }

    CallCounts Counts() const { return Counted; }
    void Restart() { Counted = CallCounts(); }

private:
    ImportRedirections imports_;
};

// ----------------------------------------------------------------- replay

// One run's system calls recorded with their results and the bytes they
// wrote, and played back in the same order without making them: the run's
// own code then runs alone, at the cost of a table look-up per call. The
// character helpers stay real: they are the plug-in's own work.
struct Recording {
    std::vector<LONG_PTR> results[CallKindCount];
    std::vector<std::string> bytes[CallKindCount]; // what the call wrote to its buffer
    std::vector<HKEY> keys;                        // RegOpenKeyExA
    std::vector<DWORD> types;                      // RegQueryValueExA
    std::vector<DWORD> sizes;
    size_t next[CallKindCount] = {};
    size_t nextKey = 0;
    size_t nextValue = 0;

    void Rewind()
    {
        std::fill(std::begin(next), std::end(next), 0);
        nextKey = nextValue = 0;
    }
    bool PlayedThrough() const
    {
        for (int kind = 0; kind < CallKindCount; ++kind)
            if (next[kind] != results[kind].size())
                return false;
        return true;
    }
};

Recording* Tape = nullptr;
bool Playing = false;

struct RealCalls {
    decltype(&SendMessageA) sendMessage;
    decltype(&RegOpenKeyExA) regOpen;
    decltype(&RegQueryValueExA) regQuery;
    decltype(&RegCloseKey) regClose;
    decltype(&GetCurrentDirectoryA) currentDirectory;
    decltype(&GetFileAttributesA) fileAttributes;
    decltype(&lstrcmpA) compare;
    decltype(&CreatePopupMenu) createMenu;
    decltype(&InsertMenuItemA) insertItem;
    decltype(&DestroyMenu) destroyMenu;
    decltype(&LoadStringA) loadString;
};
RealCalls Real;

// Bytes of a text buffer as a call left them: up to the terminator, or all
// of them when there is none.
std::string TextBytes(const char* text, size_t capacity)
{
    const size_t length = strnlen(text, capacity);
    return std::string(text, length < capacity ? length + 1 : capacity);
}

LONG_PTR Replayed(CallKind kind, LONG_PTR result, const std::string& written = std::string())
{
    Tape->results[kind].push_back(result);
    Tape->bytes[kind].push_back(written);
    return result;
}

// The next recorded result of kind; its bytes go to buffer when there are any.
LONG_PTR PlayBack(CallKind kind, void* buffer = nullptr)
{
    const size_t at = Tape->next[kind]++;
    const std::string& written = Tape->bytes[kind][at];
    if (buffer != nullptr && !written.empty())
        std::memcpy(buffer, written.data(), written.size());
    return Tape->results[kind][at];
}

LRESULT WINAPI ReplaySendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    char* buffer = message == InformationMessage && LOWORD(wParam) == DocumentPathCode
                       ? reinterpret_cast<char*>(lParam) : nullptr;
    if (Playing)
        return PlayBack(SendKind, buffer);
    const LRESULT result = Real.sendMessage(window, message, wParam, lParam);
    return Replayed(SendKind, result, buffer ? TextBytes(buffer, MAX_PATH) : std::string());
}

LONG WINAPI ReplayRegOpen(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key)
{
    if (Playing) {
        const LONG status = static_cast<LONG>(PlayBack(RegOpenKind));
        if (status == ERROR_SUCCESS)
            *key = Tape->keys[Tape->nextKey++];
        return status;
    }
    const LONG status = Real.regOpen(root, path, options, access, key);
    if (status == ERROR_SUCCESS)
        Tape->keys.push_back(*key);
    return static_cast<LONG>(Replayed(RegOpenKind, status));
}

LONG WINAPI ReplayRegQuery(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size)
{
    if (Playing) {
        const LONG status = static_cast<LONG>(PlayBack(RegQueryKind, data));
        if (type)
            *type = Tape->types[Tape->nextValue];
        if (size)
            *size = Tape->sizes[Tape->nextValue];
        ++Tape->nextValue;
        return status;
    }
    const DWORD room = size ? *size : 0;
    const LONG status = Real.regQuery(key, name, reserved, type, data, size);
    Tape->types.push_back(type ? *type : 0);
    Tape->sizes.push_back(size ? *size : 0);
    std::string written;
    if (status == ERROR_SUCCESS && data && size)
        written.assign(reinterpret_cast<const char*>(data), std::min(room, *size));
    return static_cast<LONG>(Replayed(RegQueryKind, status, written));
}

LONG WINAPI ReplayRegClose(HKEY key)
{
    return Playing ? static_cast<LONG>(PlayBack(RegCloseKind))
                   : static_cast<LONG>(Replayed(RegCloseKind, Real.regClose(key)));
}

DWORD WINAPI ReplayCurrentDirectory(DWORD size, LPSTR buffer)
{
    if (Playing)
        return static_cast<DWORD>(PlayBack(CurrentDirectoryKind, buffer));
    const DWORD result = Real.currentDirectory(size, buffer);
    return static_cast<DWORD>(
        Replayed(CurrentDirectoryKind, result, result < size ? TextBytes(buffer, size) : std::string()));
}

DWORD WINAPI ReplayFileAttributes(LPCSTR path)
{
    return Playing ? static_cast<DWORD>(PlayBack(FileAttributesKind))
                   : static_cast<DWORD>(Replayed(FileAttributesKind, Real.fileAttributes(path)));
}

int WINAPI ReplayCompare(LPCSTR first, LPCSTR second)
{
    return Playing ? static_cast<int>(PlayBack(CompareKind))
                   : static_cast<int>(Replayed(CompareKind, Real.compare(first, second)));
}

HMENU WINAPI ReplayCreateMenu()
{
    return Playing ? reinterpret_cast<HMENU>(PlayBack(CreateMenuKind))
                   : reinterpret_cast<HMENU>(Replayed(CreateMenuKind, reinterpret_cast<LONG_PTR>(Real.createMenu())));
}

BOOL WINAPI ReplayInsertItem(HMENU menu, UINT position, BOOL byPosition, LPCMENUITEMINFOA item)
{
    return Playing ? static_cast<BOOL>(PlayBack(InsertItemKind))
                   : static_cast<BOOL>(Replayed(InsertItemKind, Real.insertItem(menu, position, byPosition, item)));
}

BOOL WINAPI ReplayDestroyMenu(HMENU menu)
{
    return Playing ? static_cast<BOOL>(PlayBack(DestroyMenuKind))
                   : static_cast<BOOL>(Replayed(DestroyMenuKind, Real.destroyMenu(menu)));
}

int WINAPI ReplayLoadString(HINSTANCE module, UINT id, LPSTR buffer, int size)
{
    if (Playing)
        return static_cast<int>(PlayBack(LoadStringKind, buffer));
    const int loaded = Real.loadString(module, id, buffer, size);
    return static_cast<int>(Replayed(LoadStringKind, loaded,
                                     size > 0 ? TextBytes(buffer, static_cast<size_t>(size)) : std::string()));
}

// Puts the recording and playing stand-ins in place of the system calls
// until it goes out of scope. Record, then Play as often as wanted.
class CallReplay {
public:
    CallReplay()
    {
        imports_.Redirect(SendKind, &ReplaySendMessage, Real.sendMessage);
        imports_.Redirect(RegOpenKind, &ReplayRegOpen, Real.regOpen);
        imports_.Redirect(RegQueryKind, &ReplayRegQuery, Real.regQuery);
        imports_.Redirect(RegCloseKind, &ReplayRegClose, Real.regClose);
        imports_.Redirect(CurrentDirectoryKind, &ReplayCurrentDirectory, Real.currentDirectory);
        imports_.Redirect(FileAttributesKind, &ReplayFileAttributes, Real.fileAttributes);
        imports_.Redirect(CompareKind, &ReplayCompare, Real.compare);
        imports_.Redirect(CreateMenuKind, &ReplayCreateMenu, Real.createMenu);
        imports_.Redirect(InsertItemKind, &ReplayInsertItem, Real.insertItem);
        imports_.Redirect(DestroyMenuKind, &ReplayDestroyMenu, Real.destroyMenu);
        imports_.Redirect(LoadStringKind, &ReplayLoadString, Real.loadString);
    }
    ~CallReplay()
    {
        Tape = nullptr;
        Playing = false;
    }

    void Record(Recording& tape)
    {
        Tape = &tape;
        Playing = false;
    }
    void Play(Recording& tape)
    {
        tape.Rewind();
        Tape = &tape;
        Playing = true;
    }

private:
    ImportRedirections imports_;
};

// ---------------------------------------------------------------- profile

// Text in the ANSI code page; empty when the code page lacks a character.
std::string ToAnsi(const wchar_t* text)
{
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy)
        return {};
    std::string ansi(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, ansi.data(), size, nullptr, nullptr);
    ansi.resize(static_cast<size_t>(size) - 1);
    return ansi;
}

// Names outside ASCII: Japanese where the code page has them (表 ends in a
// trail byte of 0x5C in code page 932), Western European otherwise.
struct LocalNames {
    std::string folder;
    std::string file;
};

LocalNames PickLocalNames()
{
    const std::string japaneseFolder = ToAnsi(L"\u8868\u8a08\u7b97\\\u65e5\u672c\u8a9e"); // 表計算\日本語
    if (!japaneseFolder.empty())
        return {japaneseFolder, ToAnsi(L"\u5831\u544a\u66f8")};                        // 報告書
    return {ToAnsi(L"\u00dcbersicht\\Entw\u00fcrfe"), ToAnsi(L"R\u00e9sum\u00e9")};    // Übersicht\Entwürfe, Résumé
}

// A host's recent lists on disk and in a sandboxed registry: size files and
// size folders in eight places of varied depth, every third file and every
// fourth folder missing, half the file names shared by several folders, a
// quarter of the files open, one of them active, and the current directory
// one of the eight places, so that StripCurPath has something to strip.
class Profile {
public:
    Profile(int size, RegistrySandbox& registry, HostEditor& host) : size_(size)
    {
        root_ = "C:\\velandor-bench-" + std::to_string(GetCurrentProcessId());
        RemoveTree(root_);
        const LocalNames local = PickLocalNames();
        const std::string places[] = {
            "Documents\\reports",
            "src\\velandor\\menu",
            "projects\\alpha",
            local.folder,
            "projects\\beta\\docs\\2024",
            "notes",
            "archive\\2023\\quarterly-reports\\customer-meetings",
            "web\\assets\\css",
        };
        const char* const sharedNames[] = {"readme", "main", "index", "notes", "build", "settings"};
        const char* const extensions[] = {".txt", ".cpp", ".html", ".md", ".log", ".ini"};
        const int placeCount = static_cast<int>(std::size(places));
        for (int i = 0; i < size; ++i) {
            const std::string place = root_ + "\\" + places[i % placeCount];
            std::string name;
            if (i % 2 == 0) {
                const int shared = (i / 2) % 6;
                name = sharedNames[shared] + (i >= 24 ? "-" + std::to_string(i / 24) : std::string()) +
                       extensions[shared];
            } else if (i % 4 == 1) {
                name = "minutes-" + std::to_string(i) + ".txt";
            } else {
                name = local.file + std::to_string(i) + ".txt";
            }
            const std::string file = place + "\\" + name;
            const bool fileExists = i % 3 != 2;
            if (fileExists)
                MakeFile(file);
            else
                MakeFolders(place);
            files_.push_back(file);
            if (i % 4 == 0 && fileExists)
                documents_.push_back(file);

            const std::string folder = place + "\\" + (i % 2 ? "output-" : "build ") + std::to_string(i);
            if (i % 4 != 3)
                MakeFolders(folder);
            folders_.push_back(folder);
        }
        documents_.push_back(root_ + "\\scratch.txt"); // open, but not a recent file
        active_ = files_[4];
        currentDirectory_ = root_ + "\\" + places[0];

        WriteList(registry, RecentFileListKey, files_);
        WriteList(registry, RecentFolderListKey, folders_);
        registry.SetDword(CommonSettingsKey, "ExtraShortCut", ExtraShortCutMode);
        registry.SetDword(CommonSettingsKey, "StripCurPath", 1);

        host.documents = documents_;
        host.activePath = active_;
        char saved[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, saved);
        savedDirectory_ = saved;
        SetCurrentDirectoryA(currentDirectory_.c_str());
    }

    ~Profile()
    {
        SetCurrentDirectoryA(savedDirectory_.c_str());
        RemoveTree(root_);
    }

    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    int Size() const { return size_; }
    int Documents() const { return static_cast<int>(documents_.size()); }

private:
    static void WriteList(RegistrySandbox& registry, const char* key, const std::vector<std::string>& paths)
    {
        registry.CreateKey(key);
        for (size_t n = 0; n < paths.size(); ++n)
            registry.SetString(key, ("File" + std::to_string(n + 1)).c_str(), paths[n]);
    }

    int size_;
    std::string root_;
    std::vector<std::string> files_;
    std::vector<std::string> folders_;
    std::vector<std::string> documents_;
    std::string active_;
    std::string currentDirectory_;
    std::string savedDirectory_;
};

// ---------------------------------------------------------------- command

// What one run built, taken just before it ends.
struct CommandCapture {
    PathList openDocuments;
    NarrowString activePath;
    RecentList files;
    RecentList folders;
    NarrowString folderLabel;
    std::vector<MenuItemView> mainItems;
    std::vector<MenuItemView> folderItems;
};

// Steps of a detail run of the command, between its stamps.
enum CommandStep { DocumentsStep, ListsStep, MenusStep, SettingStep, FillStep, ReleaseStep, CommandStepCount };

const char* const CommandStepNames[CommandStepCount] = {
    "CollectOpenDocuments + GetActiveDocumentPath",
    "ReadRecentList x2",
    "CreatePopupMenu x2",
    "ReadExtraShortCut",
    "FillRecentMenu x2, separator, label, submenu",
    "DestroyMenu x2, lists released",
};

using CommandStamps = Stamps<CommandStepCount + 1>;

// A detail run stamps a step where it makes its first system call, as the
// call passes through this program's import table: the product's code runs
// as it ships, with nothing of the benchmark's between its steps, and the
// timed runs, made with the table left alone, pay nothing for the stamps.
// The release starts when BuildRecentMenus returns.
struct StepStart {
    CallKind kind;
    const char* keyPath; // the key that RegOpenKeyExA opens; null for the other kinds
};

const StepStart StepStarts[ReleaseStep] = {
    {SendKind, nullptr},              // the first 2106
    {RegOpenKind, RecentFileListKey}, // the file list, read before the folder list
    {CreateMenuKind, nullptr},        // the main menu, created before the folder menu
    {RegOpenKind, CommonSettingsKey}, // ExtraShortCut, read right after the second CreatePopupMenu
    {RegOpenKind, CommonSettingsKey}, // StripCurPath, read first by the file list's fill
};

CommandStamps* Stamping = nullptr;
int NextStep = 0;

void StampIfStepStarts(CallKind kind, const char* keyPath)
{
    if (NextStep == ReleaseStep)
        return;
    const StepStart& start = StepStarts[NextStep];
    if (start.kind != kind || (start.keyPath != nullptr && std::strcmp(start.keyPath, keyPath) != 0))
        return;
    Stamping->Mark();
    ++NextStep;
}

decltype(&SendMessageA) RealSendMessage = nullptr;
decltype(&RegOpenKeyExA) RealRegOpen = nullptr;
decltype(&CreatePopupMenu) RealCreateMenu = nullptr;

LRESULT WINAPI StampingSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    StampIfStepStarts(SendKind, nullptr);
    return RealSendMessage(window, message, wParam, lParam);
}

LONG WINAPI StampingRegOpen(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key)
{
    StampIfStepStarts(RegOpenKind, path);
    return RealRegOpen(root, path, options, access, key);
}

HMENU WINAPI StampingCreateMenu()
{
    StampIfStepStarts(CreateMenuKind, nullptr);
    return RealCreateMenu();
}

// Stamps the steps of one run into stamps until it goes out of scope.
class StepStamper {
public:
    explicit StepStamper(CommandStamps& stamps)
    {
        Stamping = &stamps;
        NextStep = 0;
        imports_.Redirect(SendKind, &StampingSendMessage, RealSendMessage);
        imports_.Redirect(RegOpenKind, &StampingRegOpen, RealRegOpen);
        imports_.Redirect(CreateMenuKind, &StampingCreateMenu, RealCreateMenu);
    }

private:
    ImportRedirections imports_;
};

// BuildRecentMenus, then what the end of a run releases: the folder menu,
// the main menu, the label and the lists, in that order.
void RunCommand(HWND hwnd)
{
    RecentMenus menus;
    BuildRecentMenus(hwnd, menus);
}

// The same run with a stamp where each step starts and one where it ends.
void RunCommandInSteps(HWND hwnd, CommandStamps& stamps)
{
    const StepStamper stamper(stamps);
    {
        RecentMenus menus;
        BuildRecentMenus(hwnd, menus);
        stamps.Mark();
    }
    stamps.Mark();
}

// The same run, with what it built read before it is released.
CommandCapture CaptureCommand(HWND hwnd)
{
    RecentMenus menus;
    BuildRecentMenus(hwnd, menus);
    return {menus.openDocuments, menus.activePath, menus.files, menus.folders, menus.folderLabel,
            ReadMenuItems(menus.mainMenu.Handle()), ReadMenuItems(menus.folderMenu.Handle())};
}

// -------------------------------------------------------------- bare calls

using TextPair = std::pair<const char*, const char*>;

struct EntryTexts {
    std::string fullPath;
    std::string directory;
    std::string fileName;
};

// Everything the bare calls need, worked out beforehand from what the
// command read and built, so that the timed calls carry no logic of their
// own. Made in place and never moved: its pointers point into itself.
struct BareCalls {
    BareCalls() = default;
    BareCalls(const BareCalls&) = delete;
    BareCalls& operator=(const BareCalls&) = delete;

    HWND hwnd = nullptr;
    int documents = 0;
    std::vector<std::string> fileValueNames;   // File1 .. File(n + 1): the last one misses
    std::vector<std::string> folderValueNames;
    std::vector<std::string> paths;            // files, then folders
    // Copies of the texts the plug-in compares, which the pairs point into.
    std::vector<EntryTexts> fileTexts;
    std::vector<EntryTexts> folderTexts;
    std::vector<std::string> documentTexts;
    std::string activeText;
    std::string currentDirectoryText;
    std::vector<TextPair> uniquenessPairs;     // both lists
    size_t fileUniquenessPairs = 0;            // the first ones, of the file list
    std::vector<TextPair> fillPairs;           // open search, directory, active
    std::vector<size_t> fillPairsEnd;          // where each entry's pairs end: files, then folders
    std::vector<std::string> itemTexts;        // file items, folder items, label
    std::vector<MENUITEMINFOA> fileItems;      // then the separator and the submenu
    std::vector<MENUITEMINFOA> folderItems;
    UINT labelId = PlainFolderLabelId;
};

// Bare steps, between the stamps of a detail run.
enum BareSegment {
    MessagesSegment,
    ListValuesSegment,
    UniquenessSegment,
    CreateMenusSegment,
    ExtraShortCutSegment,
    StripCurPathSegment,
    CurrentDirectorySegment,
    FileAttributesSegment,
    FillCompareSegment,
    InsertSegment,
    LoadStringSegment,
    DestroyMenusSegment,
    BareSegmentCount
};

const char* const BareSegmentNames[BareSegmentCount] = {
    "SendMessageA 2106",
    "registry, both lists: open, query, close",
    "lstrcmpA, uniqueness passes",
    "CreatePopupMenu",
    "registry, ExtraShortCut: open, query, close",
    "registry, StripCurPath x2: open, query, close",
    "GetCurrentDirectoryA",
    "GetFileAttributesA",
    "lstrcmpA, open / directory / active",
    "InsertMenuItemA",
    "LoadStringA",
    "DestroyMenu",
};

// Which bare segments each command step makes.
const BareSegment FirstSegmentOfStep[CommandStepCount + 1] = {
    MessagesSegment,     ListValuesSegment, CreateMenusSegment, ExtraShortCutSegment, StripCurPathSegment,
    DestroyMenusSegment, BareSegmentCount,
};

void ReadListValues(const char* keyPath, const std::vector<std::string>& names, char* buffer)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    for (const std::string& name : names) {
        DWORD type = 0;
        DWORD size = MAX_PATH;
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    }
    RegCloseKey(key);
}

void ReadSetting(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, CommonSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    Sink = Sink + static_cast<LONG_PTR>(data);
}

void CompareRange(const std::vector<TextPair>& pairs, size_t first, size_t end)
{
    LONG_PTR sum = 0;
    for (size_t n = first; n < end; ++n)
        sum += lstrcmpA(pairs[n].first, pairs[n].second);
    Sink = Sink + sum;
}

void CompareAll(const std::vector<TextPair>& pairs)
{
    CompareRange(pairs, 0, pairs.size());
}

template <typename Clock>
void RunBareCalls(const BareCalls& calls, Clock& clock)
{
    char buffer[MAX_PATH + 1];
    clock.Mark();
    SendMessageA(calls.hwnd, InformationMessage, DocumentCountCode, 0);
    for (int k = 0; k < calls.documents; ++k)
        SendMessageA(calls.hwnd, InformationMessage, MAKEWPARAM(DocumentPathCode, k + 1),
                     reinterpret_cast<LPARAM>(buffer));
    SendMessageA(calls.hwnd, InformationMessage, DocumentPathCode, reinterpret_cast<LPARAM>(buffer));
    clock.Mark();

    ReadListValues(RecentFileListKey, calls.fileValueNames, buffer);
    ReadListValues(RecentFolderListKey, calls.folderValueNames, buffer);
    clock.Mark();
    CompareAll(calls.uniquenessPairs);
    clock.Mark();

    const HMENU mainMenu = CreatePopupMenu();
    const HMENU folderMenu = CreatePopupMenu();
    clock.Mark();

    ReadSetting("ExtraShortCut");
    clock.Mark();

    ReadSetting("StripCurPath");
    ReadSetting("StripCurPath");
    clock.Mark();
    GetCurrentDirectoryA(MAX_PATH, buffer);
    GetCurrentDirectoryA(MAX_PATH, buffer);
    clock.Mark();
    for (const std::string& path : calls.paths)
        Sink = Sink + static_cast<LONG_PTR>(GetFileAttributesA(path.c_str()));
    clock.Mark();
    CompareAll(calls.fillPairs);
    clock.Mark();
    UINT position = 0;
    for (size_t n = 0; n + 1 < calls.fileItems.size(); ++n)
        InsertMenuItemA(mainMenu, position++, TRUE, &calls.fileItems[n]);
    for (size_t n = 0; n < calls.folderItems.size(); ++n)
        InsertMenuItemA(folderMenu, static_cast<UINT>(n), TRUE, &calls.folderItems[n]);
    MENUITEMINFOA submenu = calls.fileItems.back();
    submenu.hSubMenu = folderMenu;
    InsertMenuItemA(mainMenu, position, TRUE, &submenu);
    clock.Mark();
    char label[LabelBufferSize];
    LoadStringA(ModuleInstance, calls.labelId, label, LabelBufferSize);
    clock.Mark();

    DestroyMenu(folderMenu);
    DestroyMenu(mainMenu);
    clock.Mark();
}

// The same calls in the order a run makes them: each list's values, then
// its uniqueness pass; per item its attributes, its comparisons and its
// insertion. Sets apart what grouping the calls by kind saves.
void RunBareCallsInOrder(const BareCalls& calls)
{
    char buffer[MAX_PATH + 1];
    SendMessageA(calls.hwnd, InformationMessage, DocumentCountCode, 0);
    for (int k = 0; k < calls.documents; ++k)
        SendMessageA(calls.hwnd, InformationMessage, MAKEWPARAM(DocumentPathCode, k + 1),
                     reinterpret_cast<LPARAM>(buffer));
    SendMessageA(calls.hwnd, InformationMessage, DocumentPathCode, reinterpret_cast<LPARAM>(buffer));

    ReadListValues(RecentFileListKey, calls.fileValueNames, buffer);
    CompareRange(calls.uniquenessPairs, 0, calls.fileUniquenessPairs);
    ReadListValues(RecentFolderListKey, calls.folderValueNames, buffer);
    CompareRange(calls.uniquenessPairs, calls.fileUniquenessPairs, calls.uniquenessPairs.size());

    const HMENU mainMenu = CreatePopupMenu();
    const HMENU folderMenu = CreatePopupMenu();
    ReadSetting("ExtraShortCut");

    const size_t fileCount = calls.fileItems.size() - 2;
    size_t entry = 0;
    size_t pairsDone = 0;
    const auto fill = [&](HMENU menu, const std::vector<MENUITEMINFOA>& items, size_t count) {
        ReadSetting("StripCurPath");
        GetCurrentDirectoryA(MAX_PATH, buffer);
        for (size_t n = 0; n < count; ++n, ++entry) {
            Sink = Sink + static_cast<LONG_PTR>(GetFileAttributesA(calls.paths[entry].c_str()));
            CompareRange(calls.fillPairs, pairsDone, calls.fillPairsEnd[entry]);
            pairsDone = calls.fillPairsEnd[entry];
            InsertMenuItemA(menu, static_cast<UINT>(n), TRUE, &items[n]);
        }
    };
    fill(mainMenu, calls.fileItems, fileCount);
    InsertMenuItemA(mainMenu, static_cast<UINT>(fileCount), TRUE, &calls.fileItems[fileCount]);
    fill(folderMenu, calls.folderItems, calls.folderItems.size());
    char label[LabelBufferSize];
    LoadStringA(ModuleInstance, calls.labelId, label, LabelBufferSize);
    MENUITEMINFOA submenu = calls.fileItems.back();
    submenu.hSubMenu = folderMenu;
    InsertMenuItemA(mainMenu, static_cast<UINT>(fileCount + 1), TRUE, &submenu);

    DestroyMenu(folderMenu);
    DestroyMenu(mainMenu);
}

// The comparisons the rules require, on copies of the texts the plug-in
// compares: every ordered pair of names in each list and the paths of every
// pair of equal names; for each file, the open documents up to the first
// equal one, its directory against the current directory when StripCurPath
// is on and the file is not already shown by name for being open under a
// unique name, and the active document; for each folder, the active document.
void PlanComparisons(BareCalls& calls, const CommandCapture& capture, bool stripCurPath,
                     const NarrowString& currentDirectory)
{
    // All copies are made before any pair points into them.
    for (const RecentEntry& entry : capture.files)
        calls.fileTexts.push_back({entry.fullPath.Text(), entry.directory.Text(), entry.fileName.Text()});
    for (const RecentEntry& entry : capture.folders)
        calls.folderTexts.push_back({entry.fullPath.Text(), entry.directory.Text(), entry.fileName.Text()});
    for (const NarrowString& document : capture.openDocuments)
        calls.documentTexts.emplace_back(document.Text());
    calls.activeText = capture.activePath.Text();
    calls.currentDirectoryText = currentDirectory.Text();

    for (const std::vector<EntryTexts>* list : {&calls.fileTexts, &calls.folderTexts}) {
        for (const EntryTexts& first : *list) {
            for (const EntryTexts& second : *list) {
                calls.uniquenessPairs.emplace_back(first.fileName.c_str(), second.fileName.c_str());
                if (lstrcmpA(first.fileName.c_str(), second.fileName.c_str()) == 0)
                    calls.uniquenessPairs.emplace_back(first.fullPath.c_str(), second.fullPath.c_str());
            }
        }
        if (list == &calls.fileTexts)
            calls.fileUniquenessPairs = calls.uniquenessPairs.size();
    }
    auto file = capture.files.begin();
    for (const EntryTexts& texts : calls.fileTexts) {
        bool open = false;
        for (const std::string& document : calls.documentTexts) {
            calls.fillPairs.emplace_back(document.c_str(), texts.fullPath.c_str());
            if (lstrcmpA(document.c_str(), texts.fullPath.c_str()) == 0) {
                open = true;
                break;
            }
        }
        if (!(open && file->nameUnique) && stripCurPath)
            calls.fillPairs.emplace_back(texts.directory.c_str(), calls.currentDirectoryText.c_str());
        calls.fillPairs.emplace_back(calls.activeText.c_str(), texts.fullPath.c_str());
        calls.fillPairsEnd.push_back(calls.fillPairs.size());
        ++file;
    }
    for (const EntryTexts& texts : calls.folderTexts) {
        calls.fillPairs.emplace_back(calls.activeText.c_str(), texts.fullPath.c_str());
        calls.fillPairsEnd.push_back(calls.fillPairs.size());
    }
}

MENUITEMINFOA ItemInfo(const MenuItemView& item, const std::string& text)
{
    MENUITEMINFOA info = {};
    info.cbSize = ShortItemInfoSize;
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE;
    info.fType = MFT_STRING;
    info.fState = item.state;
    info.wID = item.id;
    info.dwTypeData = const_cast<char*>(text.c_str());
    info.cch = static_cast<UINT>(text.size());
    return info;
}

// The items as the command inserted them: its texts (the menuText of each
// entry and the label, not the menu's read-back), states and ids.
void PlanMenus(BareCalls& calls, const CommandCapture& capture)
{
    for (const RecentList* list : {&capture.files, &capture.folders})
        for (const RecentEntry& entry : *list)
            calls.itemTexts.emplace_back(entry.menuText.Text());
    calls.itemTexts.emplace_back(capture.folderLabel.Text());
    const size_t fileCount = capture.files.size();
    for (size_t n = 0; n < fileCount; ++n)
        calls.fileItems.push_back(ItemInfo(capture.mainItems[n], calls.itemTexts[n]));
    for (size_t n = 0; n < capture.folders.size(); ++n)
        calls.folderItems.push_back(ItemInfo(capture.folderItems[n], calls.itemTexts[fileCount + n]));
    MENUITEMINFOA separator = {};
    separator.cbSize = ShortItemInfoSize;
    separator.fMask = MIIM_TYPE;
    separator.fType = MFT_SEPARATOR;
    calls.fileItems.push_back(separator);
    MENUITEMINFOA submenu = {};
    submenu.cbSize = ShortItemInfoSize;
    submenu.fMask = MIIM_STATE | MIIM_SUBMENU | MIIM_TYPE;
    submenu.fType = MFT_STRING;
    submenu.dwTypeData = const_cast<char*>(calls.itemTexts.back().c_str());
    submenu.cch = static_cast<UINT>(calls.itemTexts.back().size());
    calls.fileItems.push_back(submenu); // its submenu handle is set at each run
}

void PlanBareCalls(BareCalls& calls, HWND hwnd, const Profile& profile, const CommandCapture& capture)
{
    calls.hwnd = hwnd;
    calls.documents = profile.Documents();
    for (size_t n = 1; n <= capture.files.size() + 1; ++n)
        calls.fileValueNames.push_back("File" + std::to_string(n));
    for (size_t n = 1; n <= capture.folders.size() + 1; ++n)
        calls.folderValueNames.push_back("File" + std::to_string(n));
    for (const RecentList* list : {&capture.files, &capture.folders})
        for (const RecentEntry& entry : *list)
            calls.paths.emplace_back(entry.fullPath.Text());
    PlanComparisons(calls, capture, ReadStripCurPath(), QueryCurrentDirectory());
    PlanMenus(calls, capture);
    const int mode = ReadExtraShortCut();
    calls.labelId = mode == 2 && capture.files.size() > 9 ? LetteredFolderLabelId : PlainFolderLabelId;
}

// What one run has to make, by kind; the helper kinds have no set count.
CallCounts RequiredCalls(const BareCalls& calls)
{
    const long files = static_cast<long>(calls.fileValueNames.size()) - 1;
    const long folders = static_cast<long>(calls.folderValueNames.size()) - 1;
    CallCounts required;
    required.of[SendKind] = 1 + calls.documents + 1;
    required.of[RegOpenKind] = 2 + 3;
    required.of[RegQueryKind] = (files + 1) + (folders + 1) + 3;
    required.of[RegCloseKind] = 2 + 3;
    required.of[CurrentDirectoryKind] = 2;
    required.of[FileAttributesKind] = files + folders;
    required.of[CompareKind] = static_cast<long>(calls.uniquenessPairs.size() + calls.fillPairs.size());
    required.of[CreateMenuKind] = 2;
    required.of[InsertItemKind] = files + folders + 2;
    required.of[DestroyMenuKind] = 2;
    required.of[LoadStringKind] = 1;
    required.of[CharNextKind] = -1;
    required.of[StringLengthKind] = -1;
    required.of[LeadByteKind] = -1;
    required.of[MallocKind] = -1;
    return required;
}

// ------------------------------------------------------------- measuring

struct ProfileFigures {
    int size = 0;
    double command = 0;
    double bare = 0;
    double bareInOrder = 0;
    double pairedOverhead = 0;
    double ownCode = 0;
    bool callsMatch = true;
};

// Cost of one call of a helper, in microseconds, over the profile's paths.
template <typename Call>
double MicrosecondsPerCall(const std::vector<std::string>& paths, Call call)
{
    std::vector<double> rounds;
    for (int round = 0; round < 7; ++round) {
        long calls = 0;
        const LONGLONG start = Ticks();
        for (int repeat = 0; repeat < 20; ++repeat)
            for (const std::string& path : paths)
                calls += call(path.c_str());
        rounds.push_back(Microseconds(Ticks() - start) / static_cast<double>(calls));
    }
    return Median(rounds);
}

// Microseconds per call of body, median of seven rounds of calls calls.
template <typename Body>
double MicrosecondsPer(int calls, Body body)
{
    std::vector<double> rounds;
    for (int round = 0; round < 7; ++round) {
        const LONGLONG start = Ticks();
        for (int call = 0; call < calls; ++call)
            body(call);
        rounds.push_back(Microseconds(Ticks() - start) / calls);
    }
    return Median(rounds);
}

void ReportShare(const char* what, double perCall, long count, double ownCode)
{
    const double total = perCall * static_cast<double>(count);
    std::printf("   %-45s %7.3f us x %6ld = %8.1f us  %5.1f %% of the own code\n", what, perCall, count, total,
                ownCode > 0 ? 100 * total / ownCode : 0.0);
}

// The plug-in's own building blocks, per call and at the counts of one run,
// so that the overhead can be put down to them. They overlap: FormatText and
// CompactPath allocate and walk characters themselves.
void ReportOwnWork(const CommandCapture& capture, const BareCalls& calls, const CallCounts& commandCalls,
                   double ownCode)
{
    const double charNext = MicrosecondsPerCall(calls.paths, [](const char* text) {
        long steps = 0;
        for (const char* c = text; *c; c = CharNextA(c))
            ++steps;
        return steps;
    });
    const double length = MicrosecondsPerCall(calls.paths, [](const char* text) {
        Sink = Sink + lstrlenA(text);
        return 1L;
    });
    const double leadByte = MicrosecondsPerCall(calls.paths, [](const char* text) {
        long bytes = 0;
        for (const char* c = text; *c; ++c, ++bytes)
            Sink = Sink + IsDBCSLeadByte(static_cast<BYTE>(*c));
        return bytes;
    });

    // Value names File1 .. File(n + 1) of both lists, and the prefixes that
    // are formatted: every position but 9 in mode 2.
    long formats = static_cast<long>(calls.fileValueNames.size() + calls.folderValueNames.size());
    for (const RecentList* list : {&capture.files, &capture.folders})
        formats += static_cast<long>(list->size()) - (list->size() > 9 ? 1 : 0);
    const double formatText = MicrosecondsPer(4000, [](int call) {
        NarrowString name;
        name.FormatText("File%d", call);
        Sink = Sink + name.Length();
    });
    const double smallWindow = MicrosecondsPer(4000, [](int call) {
        char window[16];
        _snprintf(window, sizeof window, "File%d", call);
        window[sizeof window - 1] = '\0';
        const NarrowString name(window);
        Sink = Sink + name.Length();
    });

    std::vector<NarrowString> paths;
    for (const std::string& path : calls.paths)
        paths.emplace_back(path.c_str());
    const double compact = MicrosecondsPer(4000, [&paths](int call) {
        Sink = Sink + CompactPath(paths[static_cast<size_t>(call) % paths.size()], 50).Length();
    });
    const double allocation = MicrosecondsPer(20000, [](int call) {
        void* block = ::operator new(static_cast<size_t>(32 + call % 64));
        Sink = Sink + (reinterpret_cast<LONG_PTR>(block) & 1);
        ::operator delete(block);
    });

    std::printf("   the plug-in's own work (per call x calls per run; the items overlap)\n");
    ReportShare("CharNextA", charNext, commandCalls.of[CharNextKind], ownCode);
    ReportShare("lstrlenA", length, commandCalls.of[StringLengthKind], ownCode);
    ReportShare("IsDBCSLeadByte", leadByte, commandCalls.of[LeadByteKind], ownCode);
    ReportShare("FormatText into a new text (2 KB window)", formatText, formats, ownCode);
    ReportShare("  the same through a 16-byte window", smallWindow, formats, ownCode);
    ReportShare("CompactPath to 50 bytes", compact, static_cast<long>(paths.size()), ownCode);
    ReportShare("heap block allocated and freed", allocation, commandCalls.of[MallocKind], ownCode);

    // The uniqueness passes of both lists as the plug-in makes them, against
    // the same comparisons made bare; the flags they clear do not change
    // which comparisons a later pass makes.
    RecentList files = capture.files;
    RecentList folders = capture.folders;
    std::vector<double> passTimes, barePassTimes;
    for (int round = 0; round < 15; ++round) {
        LONGLONG start = Ticks();
        MarkNonUniqueNames(files);
        MarkNonUniqueNames(folders);
        passTimes.push_back(Microseconds(Ticks() - start));
        start = Ticks();
        CompareAll(calls.uniquenessPairs);
        barePassTimes.push_back(Microseconds(Ticks() - start));
    }
    const double pass = Median(passTimes);
    const double barePass = Median(barePassTimes);
    std::printf("   %-45s %7.1f us, bare %7.1f us: %+8.1f us  %5.1f %% of the own code\n",
                "MarkNonUniqueNames, both lists", pass, barePass, pass - barePass,
                ownCode > 0 ? 100 * (pass - barePass) / ownCode : 0.0);

    // Every label as the fill makes it and the run holds it, then released:
    // in the storage its prefix was formatted in, and in storage of its own
    // size.
    const auto makeLabels = [&](bool ownSize) {
        std::vector<NarrowString> labels;
        labels.reserve(capture.files.size() + capture.folders.size());
        for (const RecentList* list : {&capture.files, &capture.folders}) {
            int position = 0;
            for (const RecentEntry& entry : *list) {
                NarrowString label = BuildMnemonicPrefix(position++, static_cast<int>(ExtraShortCutMode));
                if (ownSize)
                    label = label.Prefix(label.Length());
                AppendDisplayText(label, entry.compactPath);
                labels.push_back(label);
            }
        }
    };
    std::vector<double> heldTimes, ownSizeTimes;
    for (int round = 0; round < 15; ++round) {
        LONGLONG start = Ticks();
        makeLabels(false);
        heldTimes.push_back(Microseconds(Ticks() - start));
        start = Ticks();
        makeLabels(true);
        ownSizeTimes.push_back(Microseconds(Ticks() - start));
    }
    const double held = Median(heldTimes);
    const double ownSize = Median(ownSizeTimes);
    std::printf("   %-45s %7.1f us, own-size storage %7.1f us  %5.1f %% of the own code\n",
                "labels made, held to the end, released", held, ownSize, ownCode > 0 ? 100 * held / ownCode : 0.0);

    long labelBytes = 0, labelStorage = 0;
    for (const RecentList* list : {&capture.files, &capture.folders}) {
        for (const RecentEntry& entry : *list) {
            labelBytes += entry.menuText.Length();
            labelStorage += entry.menuText.Capacity() + 1;
        }
    }
    std::printf("   labels held until the run ends: %ld bytes of text in %ld bytes of storage\n", labelBytes,
                labelStorage);
}

// The command and the bare calls once more, with every system call played
// back from a recording of the same run: what the command takes beyond the
// playback of its calls is the plug-in's own code, free of the calls'
// effect on the caches and of the machine's other load.
double ReportReplayed(HWND hwnd, const BareCalls& calls, double bare, double overhead)
{
    Recording commandTape;
    Recording bareTape;
    NoStamps none;
    std::vector<double> commandTimes, bareTimes;
    bool inStep = true;
    {
        CallReplay replay;
        replay.Record(commandTape);
        RunCommand(hwnd);
        replay.Record(bareTape);
        RunBareCalls(calls, none);
        for (int round = 0; round < 201; ++round) {
            replay.Play(commandTape);
            LONGLONG start = Ticks();
            RunCommand(hwnd);
            commandTimes.push_back(Microseconds(Ticks() - start));
            inStep = inStep && commandTape.PlayedThrough();
            replay.Play(bareTape);
            start = Ticks();
            RunBareCalls(calls, none);
            bareTimes.push_back(Microseconds(Ticks() - start));
            inStep = inStep && bareTape.PlayedThrough();
        }
    }
    const double command = Median(commandTimes);
    const double playback = Median(bareTimes);
    const double own = command - playback;
    std::printf("   calls played back from a recording: command %.1f us, bare calls %.1f us (the playback alone)%s\n"
                "   so the plug-in's own code takes %.1f us = %.2f %% of the real bare calls, %.0f %% of the overhead"
                " measured above\n",
                command, playback, inStep ? "" : " (PLAYBACK OUT OF STEP)", own, 100 * own / bare,
                overhead > 0 ? 100 * own / overhead : 0.0);
    return own;
}

ProfileFigures MeasureProfile(int size, HostEditor& host, double seconds)
{
    RegistrySandbox registry;
    const Profile profile(size, registry, host);
    const HWND hwnd = host.Window();
    NoStamps none;

    const CommandCapture capture = CaptureCommand(hwnd);
    BareCalls calls;
    PlanBareCalls(calls, hwnd, profile, capture);
    host.informationRequests.clear();

    int missingFiles = 0, openFiles = 0, activeFiles = 0, missingFolders = 0;
    for (size_t n = 0; n < capture.files.size(); ++n) {
        missingFiles += (capture.mainItems[n].state & MFS_GRAYED) == MFS_GRAYED;
        openFiles += (capture.mainItems[n].state & MFS_CHECKED) != 0;
        activeFiles += (capture.mainItems[n].state & MFS_DEFAULT) != 0;
    }
    for (const MenuItemView& item : capture.folderItems)
        missingFolders += (item.state & MFS_GRAYED) == MFS_GRAYED;
    std::printf("\n== %d recent files (%d missing, %d checked, %d default), %d recent folders (%d missing), "
                "%d open documents\n   ExtraShortCut %lu, StripCurPath 1, main menu %u items, folder menu %u items\n",
                static_cast<int>(capture.files.size()), missingFiles, openFiles, activeFiles,
                static_cast<int>(capture.folders.size()), missingFolders, profile.Documents(), ExtraShortCutMode,
                static_cast<unsigned>(capture.mainItems.size()), static_cast<unsigned>(capture.folderItems.size()));

    // One counted run of each side, against what the rules require.
    CallCounts commandCalls, bareCalls, orderedCalls;
    {
        // The stand-in's record of 2106 keeps its room when cleared, so it
        // never allocates inside a count.
        CallCounter counter;
        host.informationRequests.clear();
        RunCommand(hwnd);
        commandCalls = counter.Counts();
        counter.Restart();
        host.informationRequests.clear();
        RunBareCalls(calls, none);
        bareCalls = counter.Counts();
        counter.Restart();
        host.informationRequests.clear();
        RunBareCallsInOrder(calls);
        orderedCalls = counter.Counts();
    }
    host.informationRequests.clear();
    const CallCounts required = RequiredCalls(calls);
    bool callsMatch = true;
    std::printf("   calls per run          command  required  bare\n");
    for (int kind = 0; kind < CallKindCount; ++kind) {
        if (required.of[kind] < 0) {
            std::printf("   %-21s %8ld  %8s  %4ld\n", CallNames[kind], commandCalls.of[kind], "-", bareCalls.of[kind]);
            continue;
        }
        const bool match = commandCalls.of[kind] == required.of[kind] && bareCalls.of[kind] == required.of[kind] &&
                           orderedCalls.of[kind] == required.of[kind];
        callsMatch = callsMatch && match;
        std::printf("   %-21s %8ld  %8ld  %4ld%s\n", CallNames[kind], commandCalls.of[kind], required.of[kind],
                    bareCalls.of[kind], match ? "" : "   <- differs");
    }

    // Warm-up, which also sizes the number of repetitions.
    const auto oneRepetition = [&](int repetition, double* times, CommandStamps& commandStamps,
                                   Stamps<BareSegmentCount + 1>& bareStamps) {
        // The order rotates, so that drift and the machine's other load hit
        // every side alike.
        for (int turn = 0; turn < 3; ++turn) {
            const int side = (turn + repetition) % 3;
            const LONGLONG start = Ticks();
            if (side == 0)
                RunCommand(hwnd);
            else if (side == 1)
                RunBareCalls(calls, none);
            else
                RunBareCallsInOrder(calls);
            times[side] = Microseconds(Ticks() - start);
        }
        if (repetition % 2 == 0) {
            RunCommandInSteps(hwnd, commandStamps);
            RunBareCalls(calls, bareStamps);
        } else {
            RunBareCalls(calls, bareStamps);
            RunCommandInSteps(hwnd, commandStamps);
        }
        host.informationRequests.clear();
    };
    const LONGLONG warmStart = Ticks();
    constexpr int WarmUps = 4;
    for (int repetition = 0; repetition < WarmUps; ++repetition) {
        double times[3];
        CommandStamps commandStamps;
        Stamps<BareSegmentCount + 1> bareStamps;
        oneRepetition(repetition, times, commandStamps, bareStamps);
    }
    const double perRepetition = Microseconds(Ticks() - warmStart) / 1e6 / WarmUps;
    const int repetitions = std::clamp(static_cast<int>(seconds / perRepetition) | 1, 31, 2001);

    std::vector<double> commandTimes, bareTimes, orderedTimes, pairedOverheads;
    std::vector<std::vector<double>> stepTimes(CommandStepCount), segmentTimes(BareSegmentCount);
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        double times[3];
        CommandStamps commandStamps;
        Stamps<BareSegmentCount + 1> bareStamps;
        oneRepetition(repetition, times, commandStamps, bareStamps);
        commandTimes.push_back(times[0]);
        bareTimes.push_back(times[1]);
        orderedTimes.push_back(times[2]);
        pairedOverheads.push_back((times[0] - times[1]) / times[1]);
        for (int step = 0; step < CommandStepCount; ++step)
            stepTimes[step].push_back(commandStamps.Between(step, step + 1));
        for (int segment = 0; segment < BareSegmentCount; ++segment)
            segmentTimes[segment].push_back(bareStamps.Between(segment, segment + 1));
    }

    ProfileFigures figures;
    figures.size = size;
    figures.command = Median(commandTimes);
    figures.bare = Median(bareTimes);
    figures.bareInOrder = Median(orderedTimes);
    figures.pairedOverhead = 100 * Median(pairedOverheads);
    figures.callsMatch = callsMatch;
    const double overhead = figures.command - figures.bare;
    std::printf("   median of %d runs each: command %.1f us, bare calls %.1f us, overhead %+.1f us = %+.2f %% "
                "(median of paired runs %+.2f %%)\n",
                repetitions, figures.command, figures.bare, overhead, 100 * overhead / figures.bare,
                figures.pairedOverhead);
    std::printf("   the bare calls in the run's order instead of by kind: %.1f us; overhead over those %+.2f %%\n",
                figures.bareInOrder, 100 * (figures.command - figures.bareInOrder) / figures.bareInOrder);

    std::vector<double> segmentMedians(BareSegmentCount);
    double segmentSum = 0;
    for (int segment = 0; segment < BareSegmentCount; ++segment)
        segmentSum += segmentMedians[segment] = Median(segmentTimes[segment]);
    const long segmentCalls[BareSegmentCount] = {
        bareCalls.of[SendKind],
        2 * 2 + static_cast<long>(calls.fileValueNames.size() + calls.folderValueNames.size()),
        static_cast<long>(calls.uniquenessPairs.size()),
        2,
        3,
        6,
        2,
        static_cast<long>(calls.paths.size()),
        static_cast<long>(calls.fillPairs.size()),
        bareCalls.of[InsertItemKind],
        1,
        2,
    };
    std::printf("   bare calls by kind (detail runs)                 calls        us   us/call   share\n");
    for (int segment = 0; segment < BareSegmentCount; ++segment)
        std::printf("   %-45s %9ld %9.1f %9.3f %6.1f %%\n", BareSegmentNames[segment], segmentCalls[segment],
                    segmentMedians[segment], segmentMedians[segment] / static_cast<double>(segmentCalls[segment]),
                    100 * segmentMedians[segment] / segmentSum);

    std::printf("   command steps (detail runs)                      command      bare  overhead\n");
    for (int step = 0; step < CommandStepCount; ++step) {
        double stepBare = 0;
        for (int segment = FirstSegmentOfStep[step]; segment < FirstSegmentOfStep[step + 1]; ++segment)
            stepBare += segmentMedians[segment];
        const double stepCommand = Median(stepTimes[step]);
        std::printf("   %-45s %9.1f %9.1f %+9.1f us\n", CommandStepNames[step], stepCommand, stepBare,
                    stepCommand - stepBare);
    }

    figures.ownCode = ReportReplayed(hwnd, calls, figures.bare, overhead);
    ReportOwnWork(capture, calls, commandCalls, figures.ownCode);
    return figures;
}

const char* CodePageName()
{
    static char name[32];
    std::snprintf(name, sizeof name, "code page %u", GetACP());
    return name;
}

} // namespace

int main(int argc, char** argv)
{
    // The string resources come with this program, as in the test programs.
    ModuleInstance = GetModuleHandleA(nullptr);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 8.0;
    // The steps are called directly, so the stand-in loads no plug-in; it
    // only lends its window, which answers 2106.
    HostEditor host("no-plugin-needed.dll");
    if (host.Window() == nullptr) {
        std::printf("no host window\n");
        return 1;
    }
    std::printf("command_bench, %s, %.1f s per profile; times in microseconds\n", CodePageName(), seconds);

    std::vector<ProfileFigures> results;
    for (const int size : {16, 64, 256})
        results.push_back(MeasureProfile(size, host, seconds));

    std::printf("\nsummary, %s\n   entries per list  command us  bare us  overhead    paired | bare in run order"
                "  overhead | own code alone\n", CodePageName());
    bool callsMatch = true;
    for (const ProfileFigures& figures : results) {
        std::printf("   %16d %11.1f %8.1f %+8.2f %% %+7.2f %% | %17.1f %+8.2f %% | %8.1f = %.2f %%\n", figures.size,
                    figures.command, figures.bare, 100 * (figures.command - figures.bare) / figures.bare,
                    figures.pairedOverhead, figures.bareInOrder,
                    100 * (figures.command - figures.bareInOrder) / figures.bareInOrder, figures.ownCode,
                    100 * figures.ownCode / figures.bare);
        callsMatch = callsMatch && figures.callsMatch;
    }
    if (!callsMatch)
        std::printf("the command's calls differ from the required ones: see above\n");
    return callsMatch ? 0 : 1;
}
