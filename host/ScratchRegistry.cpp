#include "host/ScratchRegistry.h"

namespace {

ScratchRegistry* Innermost = nullptr;

} // namespace

ScratchRegistry::ScratchRegistry() : outer_(Innermost)
{
    static int made = 0;
    path_ = "Software\\Velandor scratch\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made);
    // Made through the outer redirection, if any, so that it too is removed
    // with the outer scratch key. A process that ended without its
    // destructors, in an abort, leaves its key behind; Wine gives its id to
    // later processes, which must not find that key's values in their own.
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch_,
                        nullptr) != ERROR_SUCCESS)
        return;
    redirected_ = RegOverridePredefKey(HKEY_CURRENT_USER, scratch_) == ERROR_SUCCESS;
    Innermost = this;
}

ScratchRegistry::~ScratchRegistry()
{
    if (scratch_ == nullptr)
        return;
    Innermost = outer_;
    RegOverridePredefKey(HKEY_CURRENT_USER, outer_ ? outer_->scratch_ : nullptr);
    RegCloseKey(scratch_);
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
}
