// Counts the system calls of a run by kind, as they pass through this program's import table.
#pragma once

// The kinds of system call that a run of the command makes. The plug-in's
// code is linked into this program, so its calls go through the same import
// table as the bare ones.
enum CallKind {
    SendKind,
    RegOpenKind,
    RegQueryKind,
    RegQueryWideKind,
    RegCloseKind,
    CurrentDirectoryKind,
    DosDeviceKind,
    FileAttributesKind,
    FileAttributesWideKind,
    CompareKind,
    CreateMenuKind,
    InsertItemKind,
    InsertItemWideKind,
    DestroyMenuKind,
    LoadStringKind,
    LoadStringWideKind,
    WidenKind,
    CallKindCount
};

extern const char* const CallNames[CallKindCount];

// Points every import of name in this program at replacement; returns what
// the first one pointed at, or null when nothing imports it.
void* RedirectImport(const char* name, void* replacement);

struct CallCounts {
    long of[CallKindCount] = {};
};

// Points every import of the kinds above at a counter while it lives, and
// back at the system's function when it goes out of scope.
class CallCounter {
public:
    CallCounter();
    ~CallCounter();
    CallCounter(const CallCounter&) = delete;
    CallCounter& operator=(const CallCounter&) = delete;

    // The calls counted since the counter was made or last taken from.
    CallCounts Take();

private:
    void* originals_[CallKindCount] = {};
};
