// CopyFileA against cp on the same files, in one run: one large file and the
// five files of the sample medium. CopyFileA flushes each copy to the disk
// before it takes its name; cp does not, so it is timed also followed by
// `sync FILE`, which flushes the copy as CopyFileA does. Prints the times,
// the ratios and the copy path the layer took.
//
//   copy_bench [size in MiB, default 256] [medium folder, default ../media]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32/hooks.h"
#include "platform/win32/prefix.h"
#include "platform/win32/win32.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 5;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void Run(std::vector<const char*> arguments) {
  arguments.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::execvp(arguments[0], const_cast<char* const*>(arguments.data()));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", arguments[0]);
    std::exit(1);
  }
}

// The best of several rounds, each copy onto a fresh name.
template <class Copy>
double Best(const std::vector<std::string>& names, const fs::path& target, Copy copy) {
  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    fs::remove_all(target);
    fs::create_directories(target);
    ::sync();
    const auto start = Clock::now();
    for (const auto& name : names) copy(name);
    best = std::min(best, Seconds(Clock::now() - start));
  }
  return best;
}

void Compare(const char* label, const fs::path& sourceFolder, const std::vector<std::string>& names,
             const fs::path& driveC) {
  const fs::path target = driveC / "target";
  const double layer = Best(names, target, [&](const std::string& name) {
    const std::string from = "C:\\source\\" + name;
    const std::string to = "C:\\target\\" + name;
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) {
      std::fprintf(stderr, "CopyFileA failed: %u\n", GetLastError());
      std::exit(1);
    }
  });
  const char* method = win32::CopyMethodName(win32::LastCopyMethod());
  const double cp = Best(names, target, [&](const std::string& name) {
    Run({"cp", (sourceFolder / name).c_str(), (target / name).c_str()});
  });
  const double cpSync = Best(names, target, [&](const std::string& name) {
    Run({"cp", (sourceFolder / name).c_str(), (target / name).c_str()});
    Run({"sync", (target / name).c_str()});
  });
  std::printf("%-24s CopyFileA %8.3f ms   cp %8.3f ms (ratio %.2f)   cp+sync %8.3f ms (ratio %.2f)   (copy path: %s)\n",
              label, layer * 1e3, cp * 1e3, layer / cp, cpSync * 1e3, layer / cpSync, method);
}

}  // namespace

int main(int argc, char** argv) {
  const long sizeMiB = argc > 1 ? std::atol(argv[1]) : 256;
  const fs::path medium = fs::absolute(argc > 2 ? argv[2] : "../media");
  const fs::path base = fs::temp_directory_path() / ("kestu-copy-bench-" + std::to_string(::getpid()));
  ::setenv("WINEPREFIX", (base / "prefix").c_str(), 1);
  const fs::path driveC = win32::Prefix::Current().Root() / "drive_c";
  const fs::path source = driveC / "source";
  fs::create_directories(source);

  {
    std::ofstream big(source / "large.bin", std::ios::binary);
    std::vector<char> block(1 << 20);
    for (long i = 0; i < sizeMiB; ++i) {
      std::fill(block.begin(), block.end(), static_cast<char>(i));
      big.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
  }
  std::vector<std::string> mediumFiles;
  for (const char* name : {"read_me.txt", "calendar.exe", "calendar.hlp", "printcal.txt", "calendar.dat"}) {
    if (!fs::exists(medium / name)) {
      std::fprintf(stderr, "missing %s in %s\n", name, medium.c_str());
      return 1;
    }
    fs::copy_file(medium / name, source / name);
    mediumFiles.push_back(name);
  }

  std::printf("best of %d rounds; a ratio below 1 means CopyFileA is faster\n", kRounds);
  Compare(("one file of " + std::to_string(sizeMiB) + " MiB").c_str(), source, {"large.bin"}, driveC);
  Compare("the five medium files", source, mediumFiles, driveC);
  fs::remove_all(base);
  return 0;
}
