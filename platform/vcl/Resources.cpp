#include "platform/vcl/Resources.h"

#include <map>
#include <utility>

#include "platform/win32/codepage.h"

namespace vcl {

namespace {

// Resource names ignore letter case, as the system's resource lookup does.
std::string ResourceKey(const std::string& name) {
  std::string key = name;
  for (char& c : key) c = win32::AnsiToUpper(c);
  return key;
}

std::map<std::string, IconImage>& Icons() {
  static std::map<std::string, IconImage> icons;
  return icons;
}

}  // namespace

void RegisterIcon(const std::string& name, IconImage icon) {
  Icons().insert_or_assign(ResourceKey(name), std::move(icon));
}

const IconImage* FindIcon(const std::string& name) {
  auto found = Icons().find(ResourceKey(name));
  return found == Icons().end() ? nullptr : &found->second;
}

}  // namespace vcl
