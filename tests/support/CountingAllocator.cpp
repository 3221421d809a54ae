#include "tests/support/CountingAllocator.h"

#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

// Every block carries the counter it was counted by, so that frees of blocks
// from before the counter or from an earlier one are not taken off its count.
// The header keeps the block aligned as malloc's own blocks are.
struct alignas(16) BlockHeader {
    unsigned long counter;
};

// Plain data, set up before any constructor runs: operator new is called by
// static constructors too.
struct CountingState {
    unsigned long counter; // serial of the live or last counter; 0 for none
    bool counting;
    DWORD thread;
    long allocations;
    volatile LONG liveBlocks;
    long failCountdown;
    bool failureInjected;
};
CountingState state;

bool CountsThisThread()
{
    return state.counting && state.thread == GetCurrentThreadId();
}

void* Allocate(std::size_t size)
{
    const bool counted = CountsThisThread();
    if (counted && state.failCountdown > 0 && --state.failCountdown == 0) {
        state.failureInjected = true;
        throw std::bad_alloc();
    }
    for (;;) {
        if (auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size))) {
            header->counter = counted ? state.counter : 0;
            if (counted) {
                ++state.allocations;
                InterlockedIncrement(&state.liveBlocks);
            }
            return header + 1;
        }
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            throw std::bad_alloc();
        handler();
    }
}

void* AllocateNoThrow(std::size_t size) noexcept
{
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void Free(void* block) noexcept
{
    if (block == nullptr)
        return;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    if (header->counter != 0 && header->counter == state.counter)
        InterlockedDecrement(&state.liveBlocks);
    std::free(header);
}

} // namespace

AllocationCounter::AllocationCounter()
{
    if (state.counting)
        std::abort();
    ++state.counter;
    state.counting = true;
    state.thread = GetCurrentThreadId();
    state.allocations = 0;
    state.liveBlocks = 0;
    state.failCountdown = 0;
    state.failureInjected = false;
}

AllocationCounter::~AllocationCounter()
{
    Stop();
}

void AllocationCounter::Stop()
{
    state.counting = false;
}

long AllocationCounter::Allocations() const
{
    return state.allocations;
}

long AllocationCounter::LiveBlocks() const
{
    return state.liveBlocks;
}

void AllocationCounter::FailAllocation(long count)
{
    state.failCountdown = count;
}

bool AllocationCounter::FailureInjected() const
{
    return state.failureInjected;
}

void* operator new(std::size_t size)
{
    return Allocate(size);
}

void* operator new[](std::size_t size)
{
    return Allocate(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return AllocateNoThrow(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return AllocateNoThrow(size);
}

void operator delete(void* block) noexcept
{
    Free(block);
}

void operator delete[](void* block) noexcept
{
    Free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    Free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    Free(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept
{
    Free(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    Free(block);
}
