#include "tests/support/LinkReaders.h"

#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace testing_support {

namespace {

std::string Quoted(const std::filesystem::path& path) {
  std::string quoted = "'";
  for (char c : path.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Run(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) throw std::runtime_error("cannot run " + command);
  std::string output;
  char buffer[4096];
  while (std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe.get())) output.append(buffer, read);
  return output;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Lines of "name : value", split at the first colon.
LinkFields Fields(const std::string& output, const std::string& separator) {
  LinkFields fields;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    const auto at = line.find(separator);
    if (at == std::string::npos) continue;
    fields[Trim(line.substr(0, at))] = Trim(line.substr(at + separator.size()));
  }
  return fields;
}

}  // namespace

LinkFields ReadWithLnkinfo(const std::filesystem::path& link) {
  return Fields(Run("lnkinfo " + Quoted(link) + " 2>&1"), ":");
}

LinkFields ReadWithExiftool(const std::filesystem::path& link) {
  return Fields(Run("exiftool -S -charset filename=utf8 " + Quoted(link) + " 2>&1"), ": ");
}

}  // namespace testing_support
