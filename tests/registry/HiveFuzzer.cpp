// libFuzzer entry: any bytes handed to the hive readers must parse without a
// crash or a read past them, and in time linear in their size. An input that
// holds a '*' is read again with its last lines repeated to about a
// megabyte, each '*' in them becoming the repetition's number (so that
// repeated key lines name distinct keys): the shapes on which a quadratic
// step would show (a hex value over thousands of continuation lines,
// thousands of keys and deletions), which the run's -timeout turns into a
// failure. The others stay small, so that the fuzzer keeps its pace.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry/hive.h"

namespace {

constexpr std::size_t kAmplifiedSize = std::size_t{1} << 20;
constexpr std::string_view kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string Amplified(std::string_view input) {
  if (input.empty()) return {};
  // The first byte says how many of the last lines repeat: one to four.
  const std::size_t lines = 1 + static_cast<unsigned char>(input.front()) % 4;
  std::size_t start = input.size();
  if (input.back() == '\n') --start;
  for (std::size_t found = 0; start > 0; --start) {
    if (input[start - 1] == '\n' && ++found == lines) break;
  }
  std::string tail(input.substr(start));
  if (tail.empty() || tail.back() != '\n') tail += '\n';
  std::string text(input);
  if (text.back() != '\n') text += '\n';
  for (std::size_t repetition = 0; text.size() < kAmplifiedSize; ++repetition) {
    for (char c : tail) {
      if (c == '*') {
        text += std::to_string(repetition);
      } else {
        text += c;
      }
    }
  }
  return text;
}

// The file reader sees the same bytes through a file in memory.
void ReadAsFile(std::string_view bytes) {
  const int file = ::memfd_create("hive", MFD_CLOEXEC);
  if (file < 0) return;
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = ::write(file, bytes.data() + written, bytes.size() - written);
    if (count <= 0) break;
    written += static_cast<std::size_t>(count);
  }
  (void)registry::Hive::LoadKey("/proc/self/fd/" + std::to_string(file), kShellFolders);
  ::close(file);
}

void Read(std::string_view bytes) {
  const registry::Hive hive = registry::Hive::Parse(bytes);
  (void)hive.FindKey(kShellFolders);
  (void)hive.KeyCount();
  ReadAsFile(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  Read(input);
  if (input.find('*') != std::string_view::npos) Read(Amplified(input));
  return 0;
}
