#include "tests/menu/FailingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

thread_local bool armed = false;
thread_local long failFrom = 0;
thread_local long allocations = 0;
std::atomic<long> liveBlocks{0};

// Each block carries a mark in front, so a free knows whether it was made
// while armed.
constexpr size_t HeaderBytes = 16;
constexpr unsigned CountedMark = 0x4D454E55;

void* Allocate(size_t size)
{
    if (armed && failFrom > 0 && allocations + 1 >= failFrom)
        throw std::bad_alloc();
    auto* block = static_cast<unsigned char*>(std::malloc(size + HeaderBytes));
    if (!block)
        throw std::bad_alloc();
    *reinterpret_cast<unsigned*>(block) = armed ? CountedMark : 0;
    if (armed) {
        ++allocations;
        ++liveBlocks;
    }
    return block + HeaderBytes;
}

void Free(void* pointer)
{
    if (!pointer)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - HeaderBytes;
    if (*reinterpret_cast<unsigned*>(block) == CountedMark)
        --liveBlocks;
    std::free(block);
}

} // namespace

namespace FailingAllocator {

void Arm(long from)
{
    failFrom = from;
    allocations = 0;
    liveBlocks = 0;
    armed = true;
}

void Disarm()
{
    armed = false;
}

long Allocations()
{
    return allocations;
}

long LiveBlocks()
{
    return liveBlocks;
}

} // namespace FailingAllocator

void* operator new(size_t size)
{
    return Allocate(size);
}

void operator delete(void* pointer) noexcept
{
    Free(pointer);
}

void operator delete(void* pointer, size_t) noexcept
{
    Free(pointer);
}
