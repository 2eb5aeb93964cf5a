// libFuzzer entry: any bytes handed to the hive reader must parse without a
// crash or a read past them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/registry/hive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const registry::Hive hive =
      registry::Hive::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  (void)hive.FindKey("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  return 0;
}
