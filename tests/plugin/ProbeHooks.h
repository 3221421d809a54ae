#pragma once
#include <windows.h>

#include <memory>

// The plug-in's file probes and thread creations, through its import table,
// while the object lives. A probe of a path on the server "offline" blocks,
// as one on a server that cannot be reached does, until ReleaseBlocked or
// a minute has passed, and then fails; every other path goes to the system.
// One object at a time.
class ProbeHooks {
public:
    explicit ProbeHooks(HMODULE plugin);
    // Releases what still blocks and waits for the plug-in's threads to end,
    // so that no probe outlives the test.
    ~ProbeHooks();
    ProbeHooks(const ProbeHooks&) = delete;
    ProbeHooks& operator=(const ProbeHooks&) = delete;

    bool Hooked() const;
    void ReleaseBlocked();
    // Waits for every thread the plug-in made to end; false on time-out.
    bool JoinThreads(DWORD timeoutMs = 70000);

    int ThreadsMade() const;
    int OfflineProbes() const;
    // Probes on other threads than the one that made the hooks, and how many
    // of them ran without SEM_FAILCRITICALERRORS in their thread's error mode.
    int ProbesOffThread() const;
    int ProbesOffThreadThatMayAsk() const;

private:
    struct Patches;
    std::unique_ptr<Patches> patches_;
};
