#pragma once
// The output profiles that lie in Profiles\ next to the program: listing them,
// naming their files and reading the output type they make.
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The ordinary files of a folder (no folders, no hidden or system files) whose
// extension, from the last point of the name, equals extension without regard
// to letter case; names without their folder, in alphabetical order without
// regard to letter case. The folder becomes the process's current folder.
// A folder that cannot be listed raises ui::Error naming it.
std::vector<std::string> ListFilesWithExtension(const std::string& folder, std::string_view extension);

// programDir + "Profiles\" + name + ".apf".
std::string ProfilePath(std::string_view programDir, std::string_view name);

struct ProfileCatalogue {
    std::vector<std::string> names;  // profile names (file names without ".apf"), in listing order
    std::string problem;             // why the list is empty when the folder could not be listed, else ""
};

// The profile names of programDir + "Profiles\". A missing folder is not fatal:
// the catalogue is empty and problem holds a message for the user, so start-up
// can show it and go on.
ProfileCatalogue ReadProfileCatalogue(std::string_view programDir);

// "." + the "Type" of section "Main" of the profile file; ".mp4" when the key
// or the file is missing.
std::string ReadProfileOutputExtension(const std::string& profilePath);

} // namespace korvane
