// Reads a .lnk file with two independent programs, lnkinfo (liblnk) and
// exiftool, and gives each one's fields by the name it prints them under.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace testing_support {

using LinkFields = std::map<std::string, std::string>;

// "Local path", "Network path", "Working directory", "Description", "Drive type", ...
LinkFields ReadWithLnkinfo(const std::filesystem::path& link);
// "LocalBasePath", "NetName", "WorkingDirectory", "Description", "DriveType", ...
LinkFields ReadWithExiftool(const std::filesystem::path& link);

}  // namespace testing_support
