#pragma once

// Counts the global operator new and delete of the thread that creates it,
// for as long as it lives, and can make one allocation fail. Linking this
// replaces every form of the program's global operator new and delete
// (plain, array, nothrow, sized and aligned), so no block ever meets a
// delete of another allocator; outside a counter's life they only allocate,
// so GoogleTest's own allocations are never counted as long as checks come
// after Stop() or after the counter's scope. Other threads are never counted
// and never made to fail.
//
// One counter at a time. A failure sweep of an operation:
//   for (long k = 1;; ++k) {
//       AllocationCounter counter;
//       counter.FailAllocation(k);
//       try { Operation(); } catch (const std::bad_alloc&) {}
//       counter.Stop();
//       ... check the state the failure left ...
//       if (!counter.FailureInjected()) break;
//   }
class AllocationCounter {
public:
    AllocationCounter();
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    // Ends counting before the scope does. Frees of blocks counted before
    // still lower LiveBlocks().
    void Stop();

    // Allocations that succeeded while counting.
    long Allocations() const;
    // Blocks allocated while counting and not freed since.
    long LiveBlocks() const;

    // The allocation that comes count-th from now (1: the next one) fails
    // instead of allocating: the throwing forms throw std::bad_alloc, the
    // nothrow forms return null. Only that one fails. 0 cancels.
    void FailAllocation(long count);
    // Whether the failure asked for has happened.
    bool FailureInjected() const;
};
