// The plug-in's own work in a run, put down to its building blocks.
#pragma once

#include "bench/BareCalls.h"
#include "bench/CommandRun.h"
#include "bench/SystemCalls.h"

// The plug-in's own building blocks, per call and at the counts of one run,
// so that ownCode, the microseconds of a run's own code, can be put down to
// them.
void ReportOwnWork(const CommandCapture& capture, const BareCalls& calls, const CallCounts& commandCalls,
                   double ownCode);
