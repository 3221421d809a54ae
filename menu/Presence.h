#pragma once
#include <windows.h>

#include "recent/RecentList.h"

// How long a run waits in all for answers from volumes that may be slow to
// give them: removable drives, mapped drives, file servers. An entry whose
// answer has not come by then is shown as present.
constexpr DWORD PresenceWaitMilliseconds = 500;

// At most this many probe threads are alive at any time, whatever the runs.
constexpr int MaxProbeThreads = 8;

// Sets missing on every entry of both lists whose file or folder is known to
// be gone from disk. Entries on local fixed volumes are probed on the
// calling thread. The others are probed on one thread per volume or server,
// which a run waits for at most PresenceWaitMilliseconds; a thread that is
// still waiting on its server then goes on alone, keeping the plug-in
// loaded until it ends, and its server is not probed again until it has.
void MarkMissingEntries(RecentList& files, RecentList& folders);

// Whether threadId is one of the probe threads: they never throw, so they
// need none of the state that the C++ runtime keeps for a throwing thread.
bool IsProbeThread(DWORD threadId);
