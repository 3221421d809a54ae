// The command of the Velandor.dll that users install, with memory running
// out under it: its calls to msvcrt's malloc, calloc and realloc (and
// _aligned_malloc, where its runtime imports it), counted together through
// its import table, fail at the k-th call alone
// ("single") or at every call from the k-th on until the command returns
// ("persistent"). k runs from 1 up to the first run in which nothing
// failed, whose menu shows and has a file past the tenth picked. The
// threads that the plug-in starts count with the command's. After
// every run the process is alive, has got message 2070 exactly once, with 0
// when anything failed and the pick otherwise, and has no menu left and
// only valid heaps. A C++ runtime may need memory at a thread's first
// throw, so each mode runs in a process of its own, from its first throw.
#include <windows.h>

#include <atomic>
#include <optional>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "host/FileTree.h"
#include "host/HostEditor.h"
#include "host/PopupDriver.h"
#include "host/ScratchRegistry.h"
#include "tests/plugin/ImportPatch.h"

namespace {

constexpr UINT RunCommandMessage = 2070;
// With ExtraShortCut 2 the items after the tenth carry letters: "&B " is
// the twelfth file, whose host command is the twelfth from 0x1201.
constexpr char PickedKey = 'B';
constexpr WPARAM PickedId = 0x1201 + 11;

// Which of the plug-in's allocations fail. Only those of the command's
// thread and of the threads the plug-in starts count: the thread that drives
// the menu is attached to the plug-in as well.
std::atomic<DWORD> countedThread{0};
constexpr int MaxPluginThreads = 64;
std::atomic<DWORD> pluginThreads[MaxPluginThreads];
std::atomic<int> pluginThreadCount{0};
long failAt = 0; // 0: none
bool persistent = false;
std::atomic<long> calls{0};
std::atomic<long> failures{0};

bool Counted(DWORD thread)
{
    if (thread == countedThread)
        return true;
    for (int n = 0; n < pluginThreadCount && n < MaxPluginThreads; ++n)
        if (pluginThreads[n] == thread)
            return true;
    return false;
}

decltype(&CreateThread) realCreateThread;

// The thread is made suspended or not: either way it is counted before it
// runs any of its own code.
HANDLE WINAPI CountedCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                                  LPVOID parameter, DWORD flags, LPDWORD id)
{
    DWORD threadId = 0;
    const HANDLE thread = realCreateThread(security, stack, start, parameter, flags | CREATE_SUSPENDED, &threadId);
    if (thread) {
        const int n = pluginThreadCount++;
        if (n < MaxPluginThreads)
            pluginThreads[n] = threadId;
        if ((flags & CREATE_SUSPENDED) == 0)
            ResumeThread(thread);
    }
    if (id)
        *id = threadId;
    return thread;
}

void* (*realMalloc)(size_t);
void* (*realCalloc)(size_t, size_t);
void* (*realRealloc)(void*, size_t);
void* (*realAlignedMalloc)(size_t, size_t);

bool NextCallFails()
{
    if (!Counted(GetCurrentThreadId()))
        return false;
    const long call = ++calls;
    const bool fails = failAt != 0 && (call == failAt || (persistent && call > failAt));
    failures += fails ? 1 : 0;
    return fails;
}

void* FailingMalloc(size_t size)
{
    return NextCallFails() ? nullptr : realMalloc(size);
}

void* FailingCalloc(size_t count, size_t size)
{
    return NextCallFails() ? nullptr : realCalloc(count, size);
}

void* FailingRealloc(void* block, size_t size)
{
    return NextCallFails() ? nullptr : realRealloc(block, size);
}

void* FailingAlignedMalloc(size_t size, size_t alignment)
{
    return NextCallFails() ? nullptr : realAlignedMalloc(size, alignment);
}

// The plug-in's import slots of its allocating functions. libc++ makes its
// exceptions with _aligned_malloc, which GCC's runtime does not import.
struct AllocationSlots {
    FARPROC* malloc;
    FARPROC* calloc;
    FARPROC* realloc;
    FARPROC* alignedMalloc; // null when not imported
    FARPROC* createThread;
};

// The run in progress, named in every failure it shows.
char currentRun[80] = "loading the plug-in";
int faults = 0;

void Fault(const char* format, ...)
{
    std::printf("FAIL: %s: ", currentRun);
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::printf("\n");
    ++faults;
}

// The plug-in and this program share msvcrt, so the plug-in's abort comes
// here before the process ends with status 3.
void OnAbort(int)
{
    std::printf("FAIL: %s: the process aborted\n", currentRun);
    std::fflush(stdout);
}

void SetValue(const char* keyPath, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS ||
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
        Fault("cannot write %s\\%s", keyPath, name);
    RegCloseKey(key);
}

void SetList(const char* keyPath, const std::vector<std::string>& paths)
{
    for (size_t n = 0; n < paths.size(); ++n)
        SetValue(keyPath, ("File" + std::to_string(n + 1)).c_str(), REG_SZ, paths[n].c_str(),
                 static_cast<DWORD>(paths[n].size() + 1));
}

// Appends paths to a list as the host writes them, in UTF-16.
void AppendStored(const char* keyPath, int first, const std::vector<std::wstring>& paths)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        Fault("cannot open %s", keyPath);
    for (size_t n = 0; n < paths.size(); ++n) {
        const std::wstring name = L"File" + std::to_wstring(first + n);
        if (RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(paths[n].c_str()),
                           static_cast<DWORD>((paths[n].size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
            Fault("cannot write %s\\File%d", keyPath, static_cast<int>(first + n));
    }
    RegCloseKey(key);
}

std::wstring Widened(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                    static_cast<int>(wide.size())));
    return wide;
}

// Recent files and folders that take every allocating path of a run, in
// ASCII names that read the same in every code page: more than ten files,
// some missing, some open, one active, one name shared by two entries, an
// ampersand, paths past the compaction budget, and a file and a folder on a
// server, which are probed on a thread of their own. Last come a Korean
// name, which the Japanese code page that the sweep runs in cannot spell,
// and a path of 130 kanji, past 260 bytes there. The registry is a
// scratch key and the files a scratch folder, both gone with the profile.
class Profile {
public:
    Profile()
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        root_ = std::string(temp) + "Velandor out of memory " + std::to_string(GetCurrentProcessId());
        RemoveTree(root_); // what an aborted process of the same id left
        const struct {
            const char* relative;
            bool exists;
        } files[] = {
            {"docs\\report.txt", true},
            {"docs\\notes.txt", false},
            {"alpha\\readme.txt", true},
            {"beta\\readme.txt", true},
            {"archive\\2023\\quarterly-reports\\north-east\\summary-final.txt", true},
            {"Q&A.txt", true},
            {"old\\deleted-draft.txt", false},
            {"budget.csv", true},
            {"photos\\travel-notes.txt", true},
            {"todo.txt", true},
            {"letters\\to-the-board-of-directors-about-the-merger.txt", true},
            {"picked.txt", true},
            {"old\\obsolete.log", false},
        };
        std::vector<std::string> paths;
        for (const auto& file : files) {
            paths.push_back(root_ + "\\" + file.relative);
            if (file.exists)
                MakeFile(paths.back());
        }
        paths.push_back(RemoteShare + std::string("\\minutes.txt"));
        const std::vector<std::string> folders = {root_, root_ + "\\docs", root_ + "\\R&D projects\\gone",
                                                  root_ + "\\archive\\2023\\quarterly-reports", RemoteShare};
        SetList(FileListKey, paths);
        SetList(FolderListKey, folders);
        const std::wstring korean = Widened(root_) + L"\\\xD55C\xAE00 & co.txt";
        CloseHandle(CreateFileW(korean.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        AppendStored(FileListKey, static_cast<int>(paths.size()) + 1,
                     {korean, Widened(root_) + L"\\" + std::wstring(130, L'\x6F22') + L".txt"});
        const DWORD extraShortCut = 2;
        SetValue(CommonKey, "ExtraShortCut", REG_DWORD, &extraShortCut, sizeof extraShortCut);
        openDocuments = {paths[0], paths[3], paths[4], root_ + "\\not-recent.txt"};
        activeDocument = paths[2];
    }
    ~Profile() { RemoveTree(root_); }
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    bool Ready() const { return registry_.Redirected(); }

    std::vector<std::string> openDocuments;
    std::string activeDocument;

private:
    static constexpr char FileListKey[] = "Software\\EmSoft\\EmEditor v3\\Recent File List";
    static constexpr char FolderListKey[] = "Software\\EmSoft\\EmEditor v3\\Recent Folder List";
    static constexpr char CommonKey[] = "Software\\EmSoft\\EmEditor v3\\Common";
    // No server answers to this name here: its probe fails at once.
    static constexpr char RemoteShare[] = "\\\\nowhere\\share";

    ScratchRegistry registry_;
    std::string root_;
};

// What one run of the command did.
struct Run {
    long calls = 0;
    long failures = 0;
    int threads = 0;      // that the plug-in started
    bool escaped = false; // an exception came out of OnCommand
    bool opened = false;  // the menu showed
    std::vector<HostMessage> posted;
};

Run RunCommand(HostEditor& host, const AllocationSlots& slots, long firstFailing)
{
    Run run;
    const PopupOutcome outcome = DrivePopup(
        [&] {
            failAt = firstFailing;
            calls = 0;
            failures = 0;
            pluginThreadCount = 0;
            countedThread = GetCurrentThreadId();
            {
                const ImportPatch mallocPatch{slots.malloc, AsImport(&FailingMalloc)};
                const ImportPatch callocPatch{slots.calloc, AsImport(&FailingCalloc)};
                const ImportPatch reallocPatch{slots.realloc, AsImport(&FailingRealloc)};
                const ImportPatch createThreadPatch{slots.createThread, AsImport(&CountedCreateThread)};
                std::optional<ImportPatch> alignedMallocPatch;
                if (slots.alignedMalloc)
                    alignedMallocPatch.emplace(slots.alignedMalloc, AsImport(&FailingAlignedMalloc));
                try {
                    host.OnCommand();
                } catch (...) {
                    run.escaped = true;
                }
            }
            countedThread = 0;
        },
        [](HWND popup) { TypeCharacter(popup, PickedKey); });
    run.calls = calls;
    run.threads = pluginThreadCount;
    run.failures = failures;
    run.opened = outcome.opened;
    host.DispatchPending();
    for (const HostMessage& message : host.received)
        if (message.message == RunCommandMessage)
            run.posted.push_back(message);
    host.received.clear();
    return run;
}

void CheckRun(const Run& run, int menusBefore)
{
    const bool failed = run.failures != 0;
    if (run.escaped)
        Fault("an exception came out of OnCommand");
    if (run.posted.size() != 1)
        Fault("got %u messages %u, expected 1", static_cast<unsigned>(run.posted.size()), RunCommandMessage);
    else if (run.posted[0].wParam != (failed ? 0 : PickedId) || run.posted[0].lParam != 0)
        Fault("got %u with %#lx, %ld, expected %#lx, 0", RunCommandMessage,
              static_cast<unsigned long>(run.posted[0].wParam), static_cast<long>(run.posted[0].lParam),
              static_cast<unsigned long>(failed ? 0 : PickedId));
    if (run.opened == failed)
        Fault("the menu %s, expected it %s", run.opened ? "showed" : "did not show", failed ? "not to" : "to");
    const int menus = CountLiveMenus();
    if (menus != menusBefore)
        Fault("got %d live menus, expected %d as before", menus, menusBefore);
    HANDLE heaps[64];
    const DWORD heapCount = GetProcessHeaps(64, heaps);
    for (DWORD n = 0; n < heapCount && n < 64; ++n)
        if (!HeapValidate(heaps[n], 0, nullptr))
            Fault("heap %p is damaged", heaps[n]);
}

} // namespace

int main(int argc, char** argv)
{
    persistent = argc == 2 && std::strcmp(argv[1], "persistent") == 0;
    if (argc != 2 || (!persistent && std::strcmp(argv[1], "single") != 0)) {
        std::printf("usage: out_of_memory_sweep single|persistent\n");
        return 2;
    }
    const char* mode = argv[1];
    std::signal(SIGABRT, OnAbort);

    const Profile profile;
    HostEditor host{VELANDOR_PLUGIN_DLL};
    if (!profile.Ready() || !host.Loaded()) {
        std::printf("FAIL: no scratch registry, or LoadLibrary error %lu\n", GetLastError());
        return 1;
    }
    host.documents = profile.openDocuments;
    host.activePath = profile.activeDocument;
    const AllocationSlots slots = {ImportSlot(host.Plugin(), "msvcrt.dll", "malloc"),
                                   ImportSlot(host.Plugin(), "msvcrt.dll", "calloc"),
                                   ImportSlot(host.Plugin(), "msvcrt.dll", "realloc"),
                                   ImportSlot(host.Plugin(), "msvcrt.dll", "_aligned_malloc"),
                                   ImportSlot(host.Plugin(), "kernel32.dll", "CreateThread")};
    if (!slots.malloc || !slots.calloc || !slots.realloc || !slots.createThread) {
        std::printf("FAIL: the plug-in imports no malloc, calloc or realloc from msvcrt.dll, or no CreateThread\n");
        return 1;
    }
    realMalloc = FromImport<void*(size_t)>(*slots.malloc);
    realCalloc = FromImport<void*(size_t, size_t)>(*slots.calloc);
    realRealloc = FromImport<void*(void*, size_t)>(*slots.realloc);
    realCreateThread = FromImport<std::remove_pointer_t<decltype(realCreateThread)>>(*slots.createThread);
    if (slots.alignedMalloc)
        realAlignedMalloc = FromImport<void*(size_t, size_t)>(*slots.alignedMalloc);

    const int menusBefore = CountLiveMenus();
    long points = 0;
    long whole = -1;
    int wholeThreads = 0;
    for (long firstFailing = 1; faults == 0; ++firstFailing) {
        std::snprintf(currentRun, sizeof currentRun, persistent ? "%s, calls from %ld on failing" : "%s, call %ld failing",
                      mode, firstFailing);
        const Run run = RunCommand(host, slots, firstFailing);
        CheckRun(run, menusBefore);
        if (run.failures != 0) {
            ++points;
            continue;
        }
        whole = run.calls;
        wholeThreads = run.threads;
        if (wholeThreads == 0)
            Fault("a whole run started no thread for its server");
        if (whole != points)
            Fault("a whole run made %ld calls, expected %ld, one for each point swept", whole, points);
        break;
    }
    std::printf("%s: %s: %ld points swept; a whole run makes %ld calls to %s, its %d probe threads counted\n",
                faults == 0 ? "ok" : "FAIL", mode, points, whole,
                slots.alignedMalloc ? "malloc, calloc, realloc and _aligned_malloc" : "malloc, calloc and realloc",
                wholeThreads);
    std::fflush(stdout);
    return faults == 0 ? 0 : 1;
}
