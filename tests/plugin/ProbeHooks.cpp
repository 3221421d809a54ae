#include "tests/plugin/ProbeHooks.h"

#include <atomic>
#include <optional>
#include <type_traits>

#include "tests/plugin/ImportPatch.h"

namespace {

constexpr DWORD OfflineTimeoutMs = 60000;
constexpr int MaxThreads = 64;

decltype(&GetFileAttributesW) realGetFileAttributesW;
decltype(&GetFileAttributesA) realGetFileAttributesA;
decltype(&CreateThread) realCreateThread;

HANDLE serverBack;
DWORD hookingThread;
std::atomic<int> offlineProbes;
std::atomic<int> probesOffThread;
std::atomic<int> probesThatMayAsk;
std::atomic<int> threadsMade;
HANDLE threads[MaxThreads];

template <typename Char>
bool IsOffline(const Char* path)
{
    const char server[] = "\\\\offline\\";
    for (int n = 0; server[n]; ++n)
        if (path[n] != static_cast<Char>(server[n]))
            return false;
    return true;
}

template <typename Char>
bool Blocks(const Char* path)
{
    if (GetCurrentThreadId() != hookingThread) {
        ++probesOffThread;
        if ((GetThreadErrorMode() & SEM_FAILCRITICALERRORS) == 0)
            ++probesThatMayAsk;
    }
    if (!IsOffline(path))
        return false;
    ++offlineProbes;
    WaitForSingleObject(serverBack, OfflineTimeoutMs);
    SetLastError(ERROR_BAD_NETPATH);
    return true;
}

DWORD WINAPI HookedGetFileAttributesW(LPCWSTR path)
{
    return Blocks(path) ? INVALID_FILE_ATTRIBUTES : realGetFileAttributesW(path);
}

DWORD WINAPI HookedGetFileAttributesA(LPCSTR path)
{
    return Blocks(path) ? INVALID_FILE_ATTRIBUTES : realGetFileAttributesA(path);
}

HANDLE WINAPI HookedCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                                 LPVOID parameter, DWORD flags, LPDWORD id)
{
    const HANDLE thread = realCreateThread(security, stack, start, parameter, flags, id);
    if (thread) {
        const int n = threadsMade++;
        if (n < MaxThreads)
            DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &threads[n], SYNCHRONIZE, FALSE, 0);
    }
    return thread;
}

} // namespace

struct ProbeHooks::Patches {
    std::optional<ImportPatch> wide, narrow, thread;
};

ProbeHooks::ProbeHooks(HMODULE plugin) : patches_(new Patches)
{
    serverBack = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    hookingThread = GetCurrentThreadId();
    offlineProbes = probesOffThread = probesThatMayAsk = threadsMade = 0;
    FARPROC* wide = ImportSlot(plugin, "kernel32.dll", "GetFileAttributesW");
    FARPROC* narrow = ImportSlot(plugin, "kernel32.dll", "GetFileAttributesA");
    FARPROC* thread = ImportSlot(plugin, "kernel32.dll", "CreateThread");
    if (!wide || !narrow || !thread)
        return;
    realGetFileAttributesW = FromImport<std::remove_pointer_t<decltype(realGetFileAttributesW)>>(*wide);
    realGetFileAttributesA = FromImport<std::remove_pointer_t<decltype(realGetFileAttributesA)>>(*narrow);
    realCreateThread = FromImport<std::remove_pointer_t<decltype(realCreateThread)>>(*thread);
    patches_->wide.emplace(wide, AsImport(&HookedGetFileAttributesW));
    patches_->narrow.emplace(narrow, AsImport(&HookedGetFileAttributesA));
    patches_->thread.emplace(thread, AsImport(&HookedCreateThread));
}

ProbeHooks::~ProbeHooks()
{
    ReleaseBlocked();
    JoinThreads();
    patches_.reset();
    CloseHandle(serverBack);
}

bool ProbeHooks::Hooked() const
{
    return patches_->thread.has_value();
}

void ProbeHooks::ReleaseBlocked()
{
    SetEvent(serverBack);
}

bool ProbeHooks::JoinThreads(DWORD timeoutMs)
{
    bool ended = true;
    for (int n = 0; n < threadsMade && n < MaxThreads; ++n) {
        if (!threads[n])
            continue;
        ended = WaitForSingleObject(threads[n], timeoutMs) == WAIT_OBJECT_0 && ended;
        CloseHandle(threads[n]);
        threads[n] = nullptr;
    }
    return ended;
}

int ProbeHooks::ThreadsMade() const
{
    return threadsMade;
}

int ProbeHooks::OfflineProbes() const
{
    return offlineProbes;
}

int ProbeHooks::ProbesOffThread() const
{
    return probesOffThread;
}

int ProbeHooks::ProbesOffThreadThatMayAsk() const
{
    return probesThatMayAsk;
}
