// A throwaway program that writes past the end of a heap block, so the heap
// check can be seen to catch an overrun rather than pass by seeing nothing.
// The block lives in a heap of its own: with the process heap damaged, the
// process could not even report the damage.
#include <windows.h>

int main()
{
    HANDLE heap = HeapCreate(0, 0, 0);
    char* block = static_cast<char*>(HeapAlloc(heap, 0, 16));
    volatile int past = 24;
    for (int i = 0; i < past; ++i)
        block[i] = 'x';
    HeapFree(heap, 0, block);
    return 0;
}
