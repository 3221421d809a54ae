#pragma once
#include <windows.h>

#include <string>

// Redirects HKEY_CURRENT_USER of this process to a fresh scratch key for the
// object's life, so that nothing run meanwhile, the plug-in included, reads
// or writes the user's own data; the scratch key goes with everything in it
// when the object ends. Redirections nest: the end of an inner one gives
// HKEY_CURRENT_USER back to the outer one, never to the real hive. The demo
// and the tests both run the plug-in inside one.
class ScratchRegistry {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    // Whether HKEY_CURRENT_USER now is the scratch key; when not, nothing
    // may write through it.
    bool Redirected() const { return redirected_; }
    // The scratch key's path below the real HKEY_CURRENT_USER.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    HKEY scratch_ = nullptr;
    bool redirected_ = false;
    ScratchRegistry* outer_;
};
