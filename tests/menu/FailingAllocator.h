#pragma once

// The test program's global operator new and delete, replaced so a test can
// make memory run out at a chosen allocation. Only the thread that arms it is
// affected; other threads allocate as usual.
namespace FailingAllocator {

// From now on this thread's allocations are counted, and the failFrom-th and
// every later one throws std::bad_alloc; failFrom 0 never fails.
void Arm(long failFrom);
// Stops counting and failing.
void Disarm();

// Allocations made while armed, failed ones excluded.
long Allocations();
// Blocks allocated while armed and not yet freed.
long LiveBlocks();

} // namespace FailingAllocator
