#include <cstdlib>

// No exception leaves the plug-in, so terminate can only mean a broken
// invariant. The runtime's own handler would print a demangled message to a
// console the host does not have, and it drags a demangler and a printf
// engine (some 60 KB) into the library; ending at once is all it could do.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx
