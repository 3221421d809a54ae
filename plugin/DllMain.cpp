#include <windows.h>

#include <cxxabi.h>

#include "menu/Presence.h"
#include "plugin/Module.h"

namespace {

#ifdef __GLIBCXX__
// GCC's runtime makes a thread's exception state at the thread's first
// throw, and aborts when it finds no memory for it; a throw for want of
// memory would end the host. Made while memory is still there, the state
// is found ready. The call is declared const, as if it only read: the empty
// asm keeps it for what it makes.
void MakeExceptionState()
{
    asm volatile("" : : "r"(abi::__cxa_get_globals()));
}
#endif

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        ModuleInstance = instance;
#ifdef __GLIBCXX__
    // The plug-in's own probe threads never throw, and making the state can
    // abort too when memory has run out.
    if (reason == DLL_PROCESS_ATTACH || (reason == DLL_THREAD_ATTACH && !IsProbeThread(GetCurrentThreadId())))
        MakeExceptionState();
#endif
    return TRUE;
}
