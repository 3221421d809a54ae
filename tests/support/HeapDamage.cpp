// A throwaway program that damages a heap as its argument says, so the heap
// check can be seen to catch that damage rather than pass by seeing nothing:
// "overrun" writes past the end of a block, "double-free" frees a block
// twice. The block lives in a heap of its own: with the process heap
// damaged, the process could not even report the damage.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    HANDLE heap = HeapCreate(0, 0, 0);
    char* block = static_cast<char*>(HeapAlloc(heap, 0, 16));
    if (std::strcmp(argv[1], "overrun") == 0) {
        volatile int past = 24;
        for (int i = 0; i < past; ++i)
            block[i] = 'x';
        HeapFree(heap, 0, block);
    }
    else if (std::strcmp(argv[1], "double-free") == 0) {
        HeapFree(heap, 0, block);
        HeapFree(heap, 0, block);
    }
    else
        return 2;
    return 0;
}
