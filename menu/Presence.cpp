#include "menu/Presence.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <iterator>
#include <list>
#include <memory>

namespace {

// A probe thread that the system has not started yet has not asked its
// server anything: the run waits for it to start, polling, for at most this
// long, and only then gives it its own PresenceWaitMilliseconds.
constexpr DWORD StartPollMilliseconds = 10;
constexpr DWORD StartLimitMilliseconds = 2000;

// What QueryDosDeviceW names a partition of a local disk by. Network drives,
// optical and floppy drives and anything else go to a probe thread.
constexpr wchar_t LocalVolumeDevice[] = L"\\Device\\HarddiskVolume";

enum Answer : int { NoAnswer, Present, Missing };

// The place of a path on a local fixed volume is empty; any other is the
// drive ("X:") or the server ("\\server") that answers for it.
using Place = wchar_t[MAX_PATH];

Answer Probe(const WideString& storedPath, const NarrowString& fullPath)
{
    const DWORD attributes =
        storedPath.IsEmpty() ? GetFileAttributesA(fullPath) : GetFileAttributesW(storedPath.Text());
    return attributes == INVALID_FILE_ATTRIBUTES ? Missing : Present;
}

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool SamePlace(const wchar_t* first, const wchar_t* second)
{
    return CompareStringOrdinal(first, -1, second, -1, TRUE) == CSTR_EQUAL;
}

// Where paths live, told without touching a volume or the network: a UNC
// path by its form, a drive letter by the device that it names.
class PlaceFinder {
public:
    void PlaceOf(const RecentEntry& entry, Place& place)
    {
        if (!entry.storedPath.IsEmpty()) {
            PlaceOf(entry.storedPath.Text(), place);
            return;
        }
        wchar_t path[MAX_PATH + 1];
        if (MultiByteToWideChar(CP_ACP, 0, entry.fullPath, -1, path, MAX_PATH + 1) != 0)
            PlaceOf(path, place);
        else
            lstrcpyW(place, L".");
    }

private:
    void PlaceOf(const wchar_t* path, Place& place)
    {
        if (AbsolutePlaceOf(path, place))
            return;
        // Relative and rooted paths live where the current directory does.
        wchar_t directory[MAX_PATH];
        const DWORD length = GetCurrentDirectoryW(MAX_PATH, directory);
        if (length == 0 || length >= MAX_PATH || !AbsolutePlaceOf(directory, place))
            lstrcpyW(place, L".");
    }

    // False when the path names neither a server nor a drive.
    bool AbsolutePlaceOf(const wchar_t* path, Place& place)
    {
        if (IsSeparator(path[0]) && IsSeparator(path[1])) {
            const wchar_t* end = path + 2;
            while (*end && !IsSeparator(*end))
                ++end;
            lstrcpynW(place, path, static_cast<int>(end - path) + 1);
            return true;
        }
        const auto letter = static_cast<wchar_t>(path[0] & ~L' ');
        if (letter < L'A' || letter > L'Z' || path[1] != L':')
            return false;
        const wchar_t drive[] = {letter, L':', 0};
        lstrcpyW(place, IsLocalDrive(letter) ? L"" : drive);
        return true;
    }

    bool IsLocalDrive(wchar_t letter)
    {
        signed char& local = localDrives_[letter - L'A'];
        if (local == 0) {
            const wchar_t drive[] = {letter, L':', 0};
            wchar_t device[MAX_PATH];
            local = QueryDosDeviceW(drive, device, MAX_PATH) != 0 &&
                            std::wcsncmp(device, LocalVolumeDevice, std::size(LocalVolumeDevice) - 1) == 0
                        ? 1
                        : -1;
        }
        return local > 0;
    }

    signed char localDrives_[26] = {}; // 0 not asked yet, 1 local, -1 not
};

// The probe threads alive, across runs: a place is probed by one thread at
// a time, and a run finds a place still taken when the thread that an
// earlier run started has not come back from its server. A slot's place is
// the thread's own copy, which lives as long as the thread.
struct ProbeSlot {
    const wchar_t* place; // null when the slot is free
    std::atomic<DWORD> threadId; // set before the thread runs
};
SRWLOCK slotLock = SRWLOCK_INIT;
ProbeSlot slots[MaxProbeThreads];

enum class SlotResult { Taken, Busy, Full };

SlotResult TakeSlot(const wchar_t* place, int& slot)
{
    AcquireSRWLockExclusive(&slotLock);
    SlotResult result = SlotResult::Full;
    for (int n = 0; n < MaxProbeThreads; ++n)
        if (slots[n].place && SamePlace(slots[n].place, place))
            result = SlotResult::Busy;
    for (int n = 0; n < MaxProbeThreads && result == SlotResult::Full; ++n) {
        if (!slots[n].place) {
            slots[n].place = place;
            slot = n;
            result = SlotResult::Taken;
        }
    }
    ReleaseSRWLockExclusive(&slotLock);
    return result;
}

void FreeSlot(int slot)
{
    AcquireSRWLockExclusive(&slotLock);
    slots[slot].place = nullptr;
    slots[slot].threadId = 0;
    ReleaseSRWLockExclusive(&slotLock);
}

struct ProbePath {
    explicit ProbePath(const RecentEntry& entry) : storedPath(entry.storedPath), fullPath(entry.fullPath) {}
    const WideString storedPath;
    const NarrowString fullPath;
    std::atomic<Answer> answer{NoAnswer};
};

// What a probe thread shares with the run that started it. Either may end
// first, so the last of the two to let go frees it.
struct SharedProbe {
    std::atomic<LONG> references{1};
    Place place;
    std::list<ProbePath> paths; // in the order of the group's entries
    HANDLE answered = nullptr; // set once every path has its answer
    std::atomic<bool> started{false};
    std::atomic<DWORD> startedAt{0};
    DWORD launchedAt = 0;
    HMODULE module = nullptr; // the thread's reference on the plug-in
    int slot = -1;

    ~SharedProbe()
    {
        if (answered)
            CloseHandle(answered);
    }
};

void Release(SharedProbe* shared)
{
    if (--shared->references == 0)
        delete shared;
}

struct ReleaseShared {
    void operator()(SharedProbe* shared) const { Release(shared); }
};

// The entries of one place, and the thread that probes them, if any.
struct ProbeGroup {
    Place place;
    std::list<RecentEntry*> entries;
    std::unique_ptr<SharedProbe, ReleaseShared> shared;
};

DWORD WINAPI ProbeThread(void* parameter)
{
    auto* shared = static_cast<SharedProbe*>(parameter);
    shared->startedAt = GetTickCount();
    shared->started = true;
    // A drive without its medium would otherwise ask the user to insert one.
    SetThreadErrorMode(SEM_FAILCRITICALERRORS, nullptr);
    for (ProbePath& path : shared->paths)
        path.answer = Probe(path.storedPath, path.fullPath);
    // The slot is free by the time the run sees the answers, so its next run
    // may probe the place again.
    FreeSlot(shared->slot);
    SetEvent(shared->answered);
    const HMODULE module = shared->module;
    Release(shared);
    FreeLibraryAndExitThread(module, 0);
}

void ProbeOnThisThread(ProbeGroup& group)
{
    for (RecentEntry* entry : group.entries)
        entry->missing = Probe(entry->storedPath, entry->fullPath) == Missing;
}

std::unique_ptr<SharedProbe, ReleaseShared> MakeSharedProbe(const ProbeGroup& group)
{
    std::unique_ptr<SharedProbe, ReleaseShared> shared{new SharedProbe};
    lstrcpyW(shared->place, group.place);
    for (const RecentEntry* entry : group.entries)
        shared->paths.emplace_back(*entry);
    shared->answered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return shared;
}

// Starts the thread that probes the group's place. A place that an earlier
// run's thread still waits on, or that finds every slot taken, is not
// probed; where no thread can be made, the group is probed here.
void Launch(ProbeGroup& group)
{
    std::unique_ptr<SharedProbe, ReleaseShared> shared = MakeSharedProbe(group);
    int slot = -1;
    switch (TakeSlot(shared->place, slot)) {
    case SlotResult::Busy:
    case SlotResult::Full:
        return;
    case SlotResult::Taken:
        break;
    }
    shared->slot = slot;
    HMODULE module = nullptr;
    if (shared->answered &&
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ProbeThread),
                           &module)) {
        shared->module = module;
        shared->launchedAt = GetTickCount();
        shared->references = 2;
        DWORD threadId = 0;
        if (HANDLE thread = CreateThread(nullptr, 0, ProbeThread, shared.get(), CREATE_SUSPENDED, &threadId)) {
            slots[slot].threadId = threadId;
            ResumeThread(thread);
            CloseHandle(thread);
            group.shared = std::move(shared);
            return;
        }
        shared->references = 1;
        FreeLibrary(module);
    }
    FreeSlot(slot);
    ProbeOnThisThread(group);
}

// Waits until every thread has answered or has had its time: each thread
// gets PresenceWaitMilliseconds from when it started asking.
void WaitForAnswers(const std::list<ProbeGroup>& groups)
{
    for (;;) {
        HANDLE pending[MaxProbeThreads];
        DWORD count = 0;
        DWORD timeout = INFINITE;
        for (const ProbeGroup& group : groups) {
            const SharedProbe* shared = group.shared.get();
            if (!shared || WaitForSingleObject(shared->answered, 0) == WAIT_OBJECT_0)
                continue;
            DWORD left = 0;
            // The clock is read after the start is seen, never before the
            // thread's own reading.
            if (shared->started) {
                const DWORD waited = GetTickCount() - shared->startedAt;
                left = waited < PresenceWaitMilliseconds ? PresenceWaitMilliseconds - waited : 0;
            } else if (GetTickCount() - shared->launchedAt < StartLimitMilliseconds) {
                left = StartPollMilliseconds;
            }
            if (left == 0)
                continue;
            pending[count++] = shared->answered;
            timeout = std::min(timeout, left);
        }
        if (count == 0)
            return;
        WaitForMultipleObjects(count, pending, FALSE, timeout);
    }
}

// Leaves out the places that earlier runs' threads still wait on: their
// entries show as present. When more places remain than slots are free, the
// thread of the last free slot asks the rest as well, one after another, so
// that every place is asked, and one that does not answer holds up only
// those after it.
void FitToFreeSlots(std::list<ProbeGroup>& groups)
{
    AcquireSRWLockExclusive(&slotLock);
    int freeSlots = 0;
    for (const ProbeSlot& slot : slots)
        freeSlots += slot.place ? 0 : 1;
    for (auto group = groups.begin(); group != groups.end();) {
        bool busy = false;
        for (const ProbeSlot& slot : slots)
            busy = busy || (slot.place && SamePlace(slot.place, group->place));
        group = busy ? groups.erase(group) : std::next(group);
    }
    ReleaseSRWLockExclusive(&slotLock);
    if (freeSlots == 0) {
        groups.clear();
        return;
    }
    if (static_cast<int>(groups.size()) <= freeSlots)
        return;
    const auto last = std::next(groups.begin(), freeSlots - 1);
    for (auto next = std::next(last); next != groups.end(); next = groups.erase(next))
        last->entries.splice(last->entries.end(), next->entries);
}

ProbeGroup& GroupOf(std::list<ProbeGroup>& groups, const Place& place)
{
    for (ProbeGroup& group : groups)
        if (SamePlace(group.place, place))
            return group;
    ProbeGroup& group = groups.emplace_back();
    lstrcpyW(group.place, place);
    return group;
}

} // namespace

void MarkMissingEntries(RecentList& files, RecentList& folders)
{
    PlaceFinder places;
    std::list<RecentEntry*> local;
    std::list<ProbeGroup> groups;
    for (RecentList* list : {&files, &folders}) {
        for (RecentEntry& entry : *list) {
            entry.missing = false;
            Place place;
            places.PlaceOf(entry, place);
            if (place[0] == 0)
                local.push_back(&entry);
            else
                GroupOf(groups, place).entries.push_back(&entry);
        }
    }
    FitToFreeSlots(groups);
    // The threads first, so that their servers answer while the local
    // volumes do.
    for (ProbeGroup& group : groups)
        Launch(group);
    for (RecentEntry* entry : local)
        entry->missing = Probe(entry->storedPath, entry->fullPath) == Missing;
    WaitForAnswers(groups);
    for (ProbeGroup& group : groups) {
        if (!group.shared)
            continue;
        auto path = group.shared->paths.begin();
        for (RecentEntry* entry : group.entries)
            entry->missing = (path++)->answer == Missing;
    }
}

bool IsProbeThread(DWORD threadId)
{
    for (const ProbeSlot& slot : slots)
        if (slot.threadId == threadId)
            return true;
    return false;
}
