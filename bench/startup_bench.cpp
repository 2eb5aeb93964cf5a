// Start-up of the setup program against a bare FLTK window of the same size:
// the time from the process start to its window being mapped, and the peak
// memory, on a private Xvfb with no window manager (a map is then immediate).
//
//   startup_bench SETUP BARE MEDIUM_FOLDER PREFIX_FOLDER [RUNS]
//
// setup runs with MEDIUM_FOLDER as its current folder and WINEPREFIX set to
// PREFIX_FOLDER; the two programs take turns, one warm-up run each first.
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <poll.h>

#include <algorithm>
#include <filesystem>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Sample {
  double MillisecondsToMap = 0;
  long PeakKilobytes = 0;
};

pid_t xvfbProcess = -1;

// The private X server goes with the benchmark, however it ends.
void StopXvfb() {
  if (xvfbProcess > 0) {
    kill(xvfbProcess, SIGTERM);
    waitpid(xvfbProcess, nullptr, 0);
    xvfbProcess = -1;
  }
}

pid_t StartXvfb(std::string& display) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-dpi", "96",
           "-nolisten", "tcp", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  char buffer[32] = {};
  ssize_t length = read(fds[0], buffer, sizeof buffer - 1);
  close(fds[0]);
  if (length <= 0) return -1;
  display = ":" + std::string(buffer, static_cast<std::size_t>(length));
  display.erase(display.find_last_not_of(" \n") + 1);
  return pid;
}

Sample RunOnce(Display* x, const std::string& program, const std::string& folder,
               const std::string& prefix) {
  // Drop events left from the previous run.
  XSync(x, True);
  const Clock::time_point start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
    if (!prefix.empty()) setenv("WINEPREFIX", prefix.c_str(), 1);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  Sample sample;
  for (bool mapped = false; !mapped;) {
    // A program that ends before it maps a window is an error, not a wait forever.
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      std::fprintf(stderr, "%s ended before it showed a window (status %d)\n", program.c_str(), status);
      std::exit(1);
    }
    pollfd connection{ConnectionNumber(x), POLLIN, 0};
    if (XPending(x) == 0) poll(&connection, 1, 100);
    while (!mapped && XPending(x) > 0) {
      XEvent event;
      XNextEvent(x, &event);
      mapped = event.type == MapNotify && !event.xmap.override_redirect;
    }
  }
  sample.MillisecondsToMap =
      std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  kill(pid, SIGTERM);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  sample.PeakKilobytes = usage.ru_maxrss;
  return sample;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s SETUP BARE MEDIUM_FOLDER PREFIX_FOLDER [RUNS]\n", argv[0]);
    return 2;
  }
  // The programs start in other folders: their paths must not depend on this one.
  const std::string setup = std::filesystem::absolute(argv[1]), bare = std::filesystem::absolute(argv[2]),
                    medium = std::filesystem::absolute(argv[3]), prefix = std::filesystem::absolute(argv[4]);
  const int runs = argc > 5 ? std::max(1, std::atoi(argv[5])) : 10;

  std::string display;
  const pid_t xvfb = StartXvfb(display);
  xvfbProcess = xvfb;
  std::atexit(StopXvfb);
  if (xvfb <= 0) {
    std::fprintf(stderr, "could not start Xvfb\n");
    return 1;
  }
  setenv("DISPLAY", display.c_str(), 1);
  Display* x = nullptr;
  for (int attempt = 0; attempt < 200 && !x; ++attempt) {
    x = XOpenDisplay(display.c_str());
    if (!x) usleep(10000);
  }
  if (!x) {
    std::fprintf(stderr, "could not open display %s\n", display.c_str());
    return 1;
  }
  XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);

  RunOnce(x, setup, medium, prefix);  // warm-up; also makes the prefix
  RunOnce(x, bare, "", "");
  std::vector<double> setupTimes, bareTimes;
  long setupPeak = 0, barePeak = 0;
  for (int run = 0; run < runs; ++run) {
    const Sample ofSetup = RunOnce(x, setup, medium, prefix);
    const Sample ofBare = RunOnce(x, bare, "", "");
    setupTimes.push_back(ofSetup.MillisecondsToMap);
    bareTimes.push_back(ofBare.MillisecondsToMap);
    setupPeak = std::max(setupPeak, ofSetup.PeakKilobytes);
    barePeak = std::max(barePeak, ofBare.PeakKilobytes);
  }
  XCloseDisplay(x);
  StopXvfb();

  const double setupMedian = Median(setupTimes), bareMedian = Median(bareTimes);
  std::printf("runs each:            %d\n", runs);
  std::printf("start to map, median: setup %.1f ms, bare window %.1f ms, ratio %.2f\n",
              setupMedian, bareMedian, setupMedian / bareMedian);
  std::printf("peak memory (RSS):    setup %ld KiB, bare window %ld KiB, ratio %.2f\n", setupPeak,
              barePeak, static_cast<double>(setupPeak) / static_cast<double>(barePeak));
  return 0;
}
