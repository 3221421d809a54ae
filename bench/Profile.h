// The sample profile: a host's recent files and folders on disk and in a sandboxed registry.
#pragma once
#include <string>

#include "host/HostEditor.h"
#include "tests/support/RegistrySandbox.h"

// How the profile's paths read in the ANSI code page.
enum class ProfileNames {
    // Exactly: their names outside ASCII are of the code page's own script.
    Spelled,
    // With loss: every path lies in a Hangul folder, and the names outside
    // ASCII are Hangul too, which code pages 1252 and 932 cannot spell, so
    // every entry is labelled from its stored text.
    Unspellable,
};

// size files and size folders in eight places of varied depth, every third
// file and every fourth folder missing, half the file names shared by
// several folders, a quarter of the files open, one of them active, and the
// current directory one of the eight places, so that StripCurPath has
// something to strip. The host stores the paths in UTF-16 and hands its
// documents over in the ANSI code page. All of it goes when the profile
// does.
class Profile {
public:
    Profile(int size, ProfileNames names, RegistrySandbox& registry, HostEditor& host);
    ~Profile();
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

private:
    std::string root_;
    std::wstring savedDirectory_;
};
