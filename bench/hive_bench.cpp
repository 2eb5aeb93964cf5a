// The hive reader's throughput and peak memory on generated files at three
// sizes each: system.reg of Wine's shape, a file of two hex values each half
// the file long over continuation lines, and a REGEDIT4 file that lists keys
// and deletes them all again. For each file:
//
//   index     Hive::Load: the file read whole and its key lines indexed
//   all keys  Hive::Load and FindKey on every key the file lists
//   one key   Hive::LoadKey: the file read in pieces for one key, as the
//             Reg* calls and the Windows directory lookup read it
//
// Each run is a fresh process (this program started again to do one
// reading), as a program's reading is: nothing is warm but the file in the
// page cache, and every size pays alike for the memory it touches first.
// Throughput is the file's size over the best of five runs; peak memory is
// the most heap held at once during a run, over the file's size.
//
//   hive_bench [SIZE_MB...]      (default 2 20 50; the files go to the temporary folder)
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "platform/registry/hive.h"
#include "tests/support/WinePrefix.h"

namespace {

std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

void* Allocate(std::size_t size) {
  void* memory = std::malloc(size == 0 ? 1 : size);
  if (memory == nullptr) throw std::bad_alloc();
  const std::size_t live = liveBytes += malloc_usable_size(memory);
  for (std::size_t peak = peakBytes; live > peak && !peakBytes.compare_exchange_weak(peak, live);) {
  }
  return memory;
}

void Release(void* memory) {
  if (memory == nullptr) return;
  liveBytes -= malloc_usable_size(memory);
  std::free(memory);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* memory) noexcept { Release(memory); }
void operator delete[](void* memory) noexcept { Release(memory); }
void operator delete(void* memory, std::size_t) noexcept { Release(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Release(memory); }

namespace {

using Clock = std::chrono::steady_clock;

struct Measure {
  double seconds = 1e9;  // best run
  std::size_t peak = 0;  // most heap held during a run, beyond what was held before
};

// One reading, in the process started for it:
//   hive_bench --run index|all|one FILE KEY_OR_KEY_LIST
// "all" takes a file of key paths, one a line. Prints the seconds and the peak heap.
int RunOnce(const std::string& what, const std::filesystem::path& file, const std::string& argument) {
  std::vector<std::string> keys;
  if (what == "all") {
    std::ifstream list(argument);
    for (std::string line; std::getline(list, line);) keys.push_back(line);
  }
  const std::size_t before = liveBytes;
  peakBytes = before;
  const Clock::time_point start = Clock::now();
  if (what == "index") {
    if (!registry::Hive::Load(file)) return 1;
  } else if (what == "all") {
    const auto hive = registry::Hive::Load(file);
    if (!hive) return 1;
    for (const std::string& key : keys) (void)hive->FindKey(key);
  } else if (!registry::Hive::LoadKey(file, argument)) {
    return 1;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%.9f %zu\n", seconds, peakBytes - before);
  return 0;
}

Measure Run(const std::string& what, const std::filesystem::path& file, const std::string& argument) {
  Measure measure;
  for (int run = 0; run < 5; ++run) {
    int channel[2];
    if (::pipe(channel) != 0) std::exit(1);
    const pid_t child = ::fork();
    if (child == 0) {
      ::dup2(channel[1], STDOUT_FILENO);
      ::close(channel[0]);
      ::close(channel[1]);
      ::execl("/proc/self/exe", "hive_bench", "--run", what.c_str(), file.c_str(), argument.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(channel[1]);
    char output[64] = {};
    const ssize_t length = ::read(channel[0], output, sizeof output - 1);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    double seconds = 0;
    std::size_t peak = 0;
    if (length <= 0 || status != 0 || std::sscanf(output, "%lf %zu", &seconds, &peak) != 2) {
      std::fprintf(stderr, "a %s run failed\n", what.c_str());
      std::exit(1);
    }
    measure.seconds = std::min(measure.seconds, seconds);
    measure.peak = std::max(measure.peak, peak);
  }
  return measure;
}

struct Shape {
  const char* name;
  std::function<std::string(std::size_t, testing_support::HiveModel*)> make;
  std::string oneKey;
};

void Report(const char* what, std::size_t fileBytes, const Measure& measure) {
  std::printf("  %-9s %8.1f MB/s  %8.1f ms  peak %5.2f x file\n", what, fileBytes / 1e6 / measure.seconds,
              measure.seconds * 1e3, static_cast<double>(measure.peak) / static_cast<double>(fileBytes));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--run") return RunOnce(argv[2], argv[3], argv[4]);
  std::vector<double> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atof(argv[i]));
  if (sizes.empty()) sizes = {2, 20, 50};

  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  const std::string tag = "hive_bench-" + std::to_string(::getpid());
  const std::filesystem::path file = folder / (tag + ".reg");
  const std::filesystem::path keyList = folder / (tag + ".keys");
  const Shape shapes[] = {
      {"system.reg of Wine's shape", testing_support::WineSystemHive,
       "Software\\Microsoft\\Windows NT\\CurrentVersion"},
      {"two hex values, each half the file",
       [](std::size_t bytes, testing_support::HiveModel* model) {
         model->keys["Software\\Blobs"];
         return testing_support::HiveOfLongHexValues(bytes);
       },
       "Software\\Blobs"},
      {"keys listed, then all deleted",
       [](std::size_t bytes, testing_support::HiveModel* model) {
         model->keys["Software\\Old Vendor"];
         return testing_support::HiveOfDeletions(bytes);
       },
       "Software\\Old Vendor\\Component 1"},
  };
  for (const Shape& shape : shapes) {
    std::printf("%s\n", shape.name);
    for (double megabytes : sizes) {
      std::size_t keys = 0;
      {
        testing_support::HiveModel model;
        const std::string text = shape.make(static_cast<std::size_t>(megabytes * 1e6), &model);
        std::ofstream(file, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
        std::ofstream list(keyList);
        for (const auto& key : model.keys) list << key.first << '\n';
        keys = model.keys.size();
      }
      const std::size_t bytes = std::filesystem::file_size(file);
      std::printf(" %.1f MB, %zu keys listed\n", bytes / 1e6, keys);
      Report("index", bytes, Run("index", file, "-"));
      Report("all keys", bytes, Run("all", file, keyList));
      Report("one key", bytes, Run("one", file, shape.oneKey));
      std::fflush(stdout);
    }
  }
  std::filesystem::remove(file);
  std::filesystem::remove(keyList);
  return 0;
}
