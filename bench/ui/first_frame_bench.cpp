// How soon the installer's main window can be seen: from the start of a process to the first
// frame of the main window drawn headless, with the skin archive's open-and-decompress time
// inside it, against ImageMagick's convert reading and writing one 600×400 PNG of the skin (what
// a person reviewing the skin would run instead), in the same run.
//   qv_ui_first_frame_bench [rounds]
// Best and median of `rounds` (default 15) fresh processes each. Aims: first frame under 150 ms,
// archive under 30 ms.

#include <fcntl.h>
#include <sys/stat.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/resource.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/framework/resource_package.h"
#include "ui/framework/resources.h"
#include "ui/skin_frame.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

class MainFrame : public SkinUI::CSkinFrame {
 public:
  MainFrame() : CSkinFrame(SkinUI::MakeFrameDescriptor(L"MainWnd.xml")) {}
};

// The measured process: builds the main window, draws it once, reports when and how long the
// archive took, and exits.
int RunChild() {
  SkinUI::HeadlessHost host;
  MainFrame frame;
  // What the first window does first: open the archive and unpack every file.
  const auto openStart = Clock::now();
  if (!SkinUI::Resources::LoadPackageResource(L"ZIPRES", 147)) return 1;
  const auto opened = Clock::now();
  if (!frame.Create(nullptr, L"Quorvane", SkinUI::WS_OVERLAPPEDWINDOW | SkinUI::WS_VISIBLE, 0)) return 1;
  const auto built = Clock::now();
  const SkinUI::Bitmap shown = host.Render(frame);
  if (shown.Empty()) return 1;
  const auto drawn = Clock::now();
  std::printf("frame %.3f %.3f %.3f\n", Ms(opened, built), Ms(built, drawn), Ms(openStart, opened));
  std::fflush(stdout);
  return 0;
}

struct ChildRun {
  double toFrameMs = -1;  // spawn to the "frame" line
  double cpuMs = 0;       // processor time of the whole child (user and system)
  double buildMs = 0, drawMs = 0, archiveMs = 0;
};

ChildRun SpawnAndTime(const std::vector<std::string>& argv, bool expectFrameLine) {
  int out[2];
  if (::pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  ChildRun run;
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(out[0]);
    return run;
  }
  std::string text;
  char buf[256];
  for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) {
    text.append(buf, static_cast<size_t>(n));
    if (expectFrameLine && text.find('\n') != std::string::npos && run.toFrameMs < 0) run.toFrameMs = Ms(start, Clock::now());
  }
  ::close(out[0]);
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
  if (!expectFrameLine) run.toFrameMs = Ms(start, Clock::now());
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return ChildRun{};
  if (expectFrameLine) std::sscanf(text.c_str(), "frame %lf %lf %lf", &run.buildMs, &run.drawMs, &run.archiveMs);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--child") == 0) return RunChild();
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

  // The reference input: the main window's background, taken from the skin.
  SkinUI::ResourcePackage package;
  const auto resource = Platform::FindModuleResource(L"ZIPRES", 147);
  if (!resource || !package.Open(resource->first, resource->second)) {
    std::fprintf(stderr, "the program has no skin\n");
    return 1;
  }
  const std::string dir = "/tmp/qv-ui-bench-" + std::to_string(::getpid());
  ::mkdir(dir.c_str(), 0700);
  const std::string background = dir + "/bg1.png", converted = dir + "/out.png";
  Platform::WriteFileAtomically(Platform::AnsiToWide(background), std::string(*package.Data(L"res/mainWnd/bg1.png")));

  std::vector<double> frame, frameCpu, build, draw, archive, convert, convertCpu;
  for (int i = 0; i < rounds; ++i) {
    const ChildRun ours = SpawnAndTime({argv[0], "--child"}, true);
    const ChildRun theirs = SpawnAndTime({"convert", background, converted}, false);
    if (ours.toFrameMs < 0 || theirs.toFrameMs < 0) {
      std::fprintf(stderr, "a run failed (is ImageMagick's convert installed?)\n");
      return 1;
    }
    frame.push_back(ours.toFrameMs);
    frameCpu.push_back(ours.cpuMs);
    convertCpu.push_back(theirs.cpuMs);
    build.push_back(ours.buildMs);
    draw.push_back(ours.drawMs);
    archive.push_back(ours.archiveMs);
    convert.push_back(theirs.toFrameMs);
  }
  std::remove(background.c_str());
  std::remove(converted.c_str());
  ::rmdir(dir.c_str());

  std::printf("process start to first main-window frame  best %7.2f ms  median %7.2f ms  (aim < 150 ms)\n", Best(frame),
              Median(frame));
  std::printf("  processor time of the whole process       best %7.2f ms  median %7.2f ms\n", Best(frameCpu),
              Median(frameCpu));
  std::printf("  window creation (layout, after the skin)  best %7.2f ms  median %7.2f ms\n", Best(build), Median(build));
  std::printf("  first draw                               best %7.2f ms  median %7.2f ms\n", Best(draw), Median(draw));
  std::printf("  skin archive open and decompress         best %7.2f ms  median %7.2f ms  (aim < 30 ms)\n",
              Best(archive), Median(archive));
  std::printf("convert bg1.png out.png (600x400)          best %7.2f ms  median %7.2f ms\n", Best(convert),
              Median(convert));
  std::printf("  processor time                           best %7.2f ms  median %7.2f ms\n", Best(convertCpu),
              Median(convertCpu));
  std::printf("time ratio first frame / convert (best): %.2f wall, %.2f processor\n", Best(frame) / Best(convert),
              Best(frameCpu) / Best(convertCpu));
  return 0;
}
