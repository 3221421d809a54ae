// The test programs' one allocator: every form of operator new and delete
// goes through it, is counted, can be made to fail and frees what it gave.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <new>

#include "tests/support/CountingAllocator.h"

namespace {

struct Form {
    const char* name;
    std::function<void*()> allocate;
    std::function<void(void*)> release;
    bool nothrow;
    std::size_t alignment;
};

constexpr std::size_t Size = 40;
constexpr std::align_val_t Page{4096};
constexpr std::align_val_t Line{64};

const Form Forms[] = {
    {"new / delete", [] { return ::operator new(Size); }, [](void* p) { ::operator delete(p); }, false, 16},
    {"new / sized delete", [] { return ::operator new(Size); }, [](void* p) { ::operator delete(p, Size); }, false, 16},
    {"new[] / delete[]", [] { return ::operator new[](Size); }, [](void* p) { ::operator delete[](p); }, false, 16},
    {"new[] / sized delete[]", [] { return ::operator new[](Size); }, [](void* p) { ::operator delete[](p, Size); },
     false, 16},
    {"nothrow new / delete", [] { return ::operator new(Size, std::nothrow); },
     [](void* p) { ::operator delete(p, std::nothrow); }, true, 16},
    {"nothrow new[] / delete[]", [] { return ::operator new[](Size, std::nothrow); },
     [](void* p) { ::operator delete[](p, std::nothrow); }, true, 16},
    {"aligned new / delete", [] { return ::operator new(Size, Page); }, [](void* p) { ::operator delete(p, Page); },
     false, 4096},
    {"aligned new / sized delete", [] { return ::operator new(Size, Line); },
     [](void* p) { ::operator delete(p, Size, Line); }, false, 64},
    {"aligned new[] / delete[]", [] { return ::operator new[](Size, Page); },
     [](void* p) { ::operator delete[](p, Page); }, false, 4096},
    {"aligned new[] / sized delete[]", [] { return ::operator new[](Size, Line); },
     [](void* p) { ::operator delete[](p, Size, Line); }, false, 64},
    {"aligned nothrow new / delete", [] { return ::operator new(Size, Page, std::nothrow); },
     [](void* p) { ::operator delete(p, Page, std::nothrow); }, true, 4096},
    {"aligned nothrow new[] / delete[]", [] { return ::operator new[](Size, Line, std::nothrow); },
     [](void* p) { ::operator delete[](p, Line, std::nothrow); }, true, 64},
};

TEST(CountingAllocatorTest, EveryFormIsCountedAlignedAndFreed)
{
    for (const Form& form : Forms) {
        AllocationCounter counter;
        void* block = form.allocate();
        const long allocations = counter.Allocations();
        const long live = counter.LiveBlocks();
        std::memset(block, 0x5A, Size);
        const std::uintptr_t misalignment = reinterpret_cast<std::uintptr_t>(block) % form.alignment;
        form.release(block);
        counter.Stop();
        EXPECT_EQ(1, allocations) << form.name;
        EXPECT_EQ(1, live) << form.name;
        EXPECT_EQ(0u, misalignment) << form.name << ": alignment " << form.alignment;
        EXPECT_EQ(0, counter.LiveBlocks()) << form.name;
    }
}

TEST(CountingAllocatorTest, EveryFormFailsWhenAsked)
{
    for (const Form& form : Forms) {
        AllocationCounter counter;
        counter.FailAllocation(2);
        void* first = form.allocate();
        void* second = nullptr;
        bool thrown = false;
        try {
            second = form.allocate();
        } catch (const std::bad_alloc&) {
            thrown = true;
        }
        void* third = form.allocate();
        const bool injected = counter.FailureInjected();
        form.release(first);
        form.release(third);
        counter.Stop();
        EXPECT_TRUE(injected) << form.name;
        EXPECT_EQ(!form.nothrow, thrown) << form.name << ": threw";
        EXPECT_EQ(nullptr, second) << form.name;
        EXPECT_NE(nullptr, third) << form.name << ": the allocation after the failed one";
        EXPECT_EQ(2, counter.Allocations()) << form.name;
        EXPECT_EQ(0, counter.LiveBlocks()) << form.name;
    }
}

// A thread routine is WINAPI, which on 32 bits no lambda converts to.
DWORD WINAPI AllocateOnThisThread(void* result)
{
    *static_cast<int**>(result) = new int(2);
    return 0;
}

TEST(CountingAllocatorTest, OnlyBlocksOfThisCounterAndThreadCount)
{
    int* before = new int(1);
    long live = 0;
    long allocations = 0;
    long liveAfter = 0;
    {
        AllocationCounter counter;
        delete before; // made before counting: no effect on the count
        int* elsewhere = nullptr;
        const HANDLE other = CreateThread(nullptr, 0, AllocateOnThisThread, &elsewhere, 0, nullptr);
        WaitForSingleObject(other, INFINITE);
        CloseHandle(other);
        int* mine = new int(3);
        live = counter.LiveBlocks();
        delete elsewhere;
        delete mine;
        counter.Stop();
        allocations = counter.Allocations();
        liveAfter = counter.LiveBlocks();
    }
    EXPECT_EQ(1, allocations) << "allocations counted, the other thread's included";
    EXPECT_EQ(1, live) << "live blocks with one of this thread's";
    EXPECT_EQ(0, liveAfter) << "live blocks after all were freed";
}

} // namespace
