// This program's system calls redirected through its import table: counted, or recorded and played back.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

// The host's information message and the codes the command asks it with.
constexpr UINT InformationMessage = 2106; // 0x83A
constexpr WORD DocumentCountCode = 301;   // 0x12D
constexpr WORD DocumentPathCode = 278;    // 0x116

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

extern const char* const CallNames[CallKindCount];

// Points imports of this program at replacements, and every one of them
// back at its original when it goes out of scope.
class ImportRedirections {
public:
    ImportRedirections() = default;
    ~ImportRedirections();
    ImportRedirections(const ImportRedirections&) = delete;
    ImportRedirections& operator=(const ImportRedirections&) = delete;

    // Points every import of kind at replacement and real at the original,
    // which is null when nothing imports it.
    template <typename Function>
    void Redirect(CallKind kind, Function replacement, Function& real)
    {
        real = reinterpret_cast<Function>(Install(kind, reinterpret_cast<void*>(replacement)));
    }

private:
    void* Install(CallKind kind, void* replacement);

    struct Original {
        CallKind kind;
        void* function;
    };
    std::vector<Original> originals_;
};

struct CallCounts {
    long of[CallKindCount] = {};
};

// Counts every call of the kinds above until it goes out of scope.
class CallCounter {
public:
    CallCounter();

    CallCounts Counts() const;
    void Restart();

private:
    ImportRedirections imports_;
};

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

// Puts the recording and playing stand-ins in place of the system calls
// until it goes out of scope. Record, then Play as often as wanted.
class CallReplay {
public:
    CallReplay();
    ~CallReplay();

    void Record(Recording& tape);
    void Play(Recording& tape);

private:
    ImportRedirections imports_;
};
