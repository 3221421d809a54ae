#include "tests/support/CountingAllocator.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// Every block carries, right in front of it, the pointer malloc gave and
// the counter it was counted by, so that frees of blocks from before the
// counter or from an earlier one are not taken off its count, and aligned
// blocks free like all others.
struct alignas(16) BlockHeader {
    void* raw;
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

void* Allocate(std::size_t size, std::size_t alignment = alignof(BlockHeader))
{
    const bool counted = CountsThisThread();
    if (counted && state.failCountdown > 0 && --state.failCountdown == 0) {
        state.failureInjected = true;
        throw std::bad_alloc();
    }
    if (alignment < alignof(BlockHeader))
        alignment = alignof(BlockHeader);
    const std::size_t overhead = sizeof(BlockHeader) + alignment - 1;
    if (size > SIZE_MAX - overhead)
        throw std::bad_alloc();
    for (;;) {
        if (void* raw = std::malloc(overhead + size)) {
            const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(raw) + sizeof(BlockHeader);
            void* block = reinterpret_cast<void*>((first + alignment - 1) & ~(std::uintptr_t(alignment) - 1));
            BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
            header->raw = raw;
            header->counter = counted ? state.counter : 0;
            if (counted) {
                ++state.allocations;
                InterlockedIncrement(&state.liveBlocks);
            }
            return block;
        }
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            throw std::bad_alloc();
        handler();
    }
}

void* AllocateNoThrow(std::size_t size, std::size_t alignment = alignof(BlockHeader)) noexcept
{
    try {
        return Allocate(size, alignment);
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
    std::free(header->raw);
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

// Every replaceable form, so the runtime's own never meets one of these
// blocks.

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

void* operator new(std::size_t size, std::align_val_t alignment)
{
    return Allocate(size, static_cast<std::size_t>(alignment));
}

void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return Allocate(size, static_cast<std::size_t>(alignment));
}

void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return AllocateNoThrow(size, static_cast<std::size_t>(alignment));
}

void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return AllocateNoThrow(size, static_cast<std::size_t>(alignment));
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

void operator delete(void* block, std::align_val_t) noexcept
{
    Free(block);
}

void operator delete[](void* block, std::align_val_t) noexcept
{
    Free(block);
}

void operator delete(void* block, std::size_t, std::align_val_t) noexcept
{
    Free(block);
}

void operator delete[](void* block, std::size_t, std::align_val_t) noexcept
{
    Free(block);
}

void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept
{
    Free(block);
}

void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept
{
    Free(block);
}
