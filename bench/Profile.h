// The sample profile: a host's recent files and folders on disk and in a sandboxed registry.
#pragma once
#include <string>

#include "host/HostEditor.h"
#include "tests/support/RegistrySandbox.h"

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

private:
    std::string root_;
    std::string savedDirectory_;
};
