// What a folder holds, entry by entry, to compare a disk before and after.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

// Every entry below a folder, by its path relative to it: a file's bytes, a
// link's target, or a mark for a folder. Links are not followed. Two
// snapshots that compare equal hold the same entries, byte for byte.
using DiskSnapshot = std::map<std::string, std::string>;
DiskSnapshot SnapshotOf(const std::filesystem::path& folder);

// The entries of a snapshot whose names start as a temporary file of the
// layer's does (.kestu-copy-*, .kestu-write-*), anywhere below the folder.
std::vector<std::string> TemporariesIn(const DiskSnapshot& snapshot);

}  // namespace testing_support
