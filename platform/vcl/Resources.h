// Resources linked into the program, found by name as a resource file's would be.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vcl {

struct IconImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;  // 0xAARRGGBB, row by row from the top
};

// Registers an icon under a name (a program does this from static data).
void RegisterIcon(const std::string& name, IconImage icon);
// Nothing when no icon of that name is linked in.
const IconImage* FindIcon(const std::string& name);

}  // namespace vcl
