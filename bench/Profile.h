// The sample profile: a host's recent files and folders on disk and in a sandboxed registry.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "host/HostEditor.h"
#include "tests/support/RegistrySandbox.h"

// The host's access-key mode in every profile: letters past the tenth item.
constexpr DWORD ExtraShortCutMode = 2;

// size files and size folders in eight places of varied depth, every third
// file and every fourth folder missing, half the file names shared by
// several folders, a quarter of the files open, one of them active, and the
// current directory one of the eight places, so that StripCurPath has
// something to strip. All of it goes when the profile does.
class Profile {
public:
    Profile(int size, RegistrySandbox& registry, HostEditor& host);
    ~Profile();
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    int Documents() const { return static_cast<int>(documents_.size()); }

private:
    std::string root_;
    std::vector<std::string> documents_;
    std::string savedDirectory_;
};
