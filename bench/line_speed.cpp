// How close the host comes to the line's limit. The real host window, driven by
// quillon-cli's operator, talks to quillon-sim run as a child process, so that this
// process's CPU time is the host's alone; the child's wire log gives the bytes each
// operation put on the line, and from them the time the line itself needs.
//   line_speed [--condition LIST] [--dialect LIST] [--op LIST] [--scale N] [--slow-scale N]
//              [--idle-seconds S] [--baud N]
// Run with --help for the names.

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_operator.h"
#include "cli/command_table.h"
#include "cli/flash_commands.h"
#include "cli/image_commands.h"
#include "protocol/chip_type_dialog.h"
#include "support/host_fixture.h"
#include "support/port_server.h"
#include "ui/main_dlg.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using quillon::CMainDlg;
using quillon::cli::CliOperator;

constexpr std::uint8_t kReady = 0xF7;
constexpr std::uint8_t kIdle = 0x61;
constexpr std::uint32_t kBlock0Size = 32 * 1024;
constexpr std::uint32_t kBlock1Start = 0xF000;
constexpr std::uint32_t kBlock1Size = 4 * 1024;

struct Condition {
  std::string name;
  bool paced;
  int latencyMs;
  // Through ser2net on loopback, and then through a relay that holds every packet this
  // long each way, as a LAN between the host and a port server would.
  bool network = false;
  int holdMs = 0;
};

struct Dialect {
  std::string name;
  bool queued;
};

const std::vector<Condition> kConditions = {{"38400", true, 0},
                                            {"38400+1ms", true, 1},
                                            {"38400+16ms", true, 16},
                                            {"unpaced", false, 0},
                                            {"ser2net", true, 0, true, 0},
                                            {"ser2net+1ms", true, 0, true, 1},
                                            {"ser2net+5ms", true, 0, true, 5}};
const std::vector<Dialect> kDialects = {{"v1.1e-int", true}, {"v1.1e-ext", false}, {"v1.1d", false}};
const std::vector<std::string> kOperations = {"download", "download-w16", "download-w64", "compare", "read"};

struct Options {
  std::vector<std::string> conditions;
  std::vector<std::string> dialects;
  std::vector<std::string> operations;
  std::uint32_t scale = 1;
  // Two adapter ticks per byte make the full image cost the better part of an hour there.
  std::uint32_t slowScale = 64;
  int idleSeconds = 10;
  unsigned baud = 38400;
};

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream stream(text);
  for (std::string item; std::getline(stream, item, ',');) {
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

bool Chosen(const std::vector<std::string>& chosen, const std::string& name) {
  return chosen.empty() || std::find(chosen.begin(), chosen.end(), name) != chosen.end();
}

void Usage() {
  std::fputs(
      "usage: line_speed [--condition LIST] [--dialect LIST] [--op LIST] [--scale N]\n"
      "                  [--slow-scale N] [--idle-seconds S] [--baud N]\n"
      "  LIST is comma-separated; absent: all.\n"
      "  conditions: 38400 38400+1ms 38400+16ms unpaced ser2net ser2net+1ms ser2net+5ms\n"
      "              (the rate follows --baud; ser2net: through a real ser2net on loopback,\n"
      "              +Nms: and a relay holding every packet N ms each way)\n"
      "  dialects:   v1.1e-int v1.1e-ext v1.1d\n"
      "  operations: download download-w16 download-w64 compare read\n"
      "  --scale N divides every image size by N; --slow-scale N (default 64) divides it\n"
      "  further where a direct link at echo window 1 meets the 16 ms adapter or a relay.\n"
      "  --idle-seconds S (default 10; 0: skip) measures a connected idle host.\n",
      stderr);
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || i + 1 >= argc) {
      Usage();
      std::exit(arg == "--help" ? 0 : 2);
    }
    const std::string value = argv[++i];
    if (arg == "--condition")
      options.conditions = SplitList(value);
    else if (arg == "--dialect")
      options.dialects = SplitList(value);
    else if (arg == "--op")
      options.operations = SplitList(value);
    else if (arg == "--scale")
      options.scale = static_cast<std::uint32_t>(std::max(1L, std::strtol(value.c_str(), nullptr, 10)));
    else if (arg == "--slow-scale")
      options.slowScale = static_cast<std::uint32_t>(std::max(1L, std::strtol(value.c_str(), nullptr, 10)));
    else if (arg == "--idle-seconds")
      options.idleSeconds = static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
    else if (arg == "--baud")
      options.baud = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    else {
      Usage();
      std::exit(2);
    }
  }
  return options;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// quillon-sim as a child process, serving a pty and logging every byte to a file.
class Target {
 public:
  Target(const std::string& program, const std::vector<std::string>& arguments) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&child_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
      close(out[0]);
      throw std::runtime_error("cannot start " + program);
    }
    for (char c = 0; read(out[0], &c, 1) == 1 && c != '\n';) path_ += c;
    close(out[0]);
  }
  ~Target() {
    kill(child_, SIGTERM);
    waitpid(child_, nullptr, 0);
  }
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;
  const std::string& Path() const { return path_; }

 private:
  pid_t child_ = 0;
  std::string path_;
};

struct ByteCounts {
  long toTarget = 0;
  long fromTarget = 0;
};

// Where the next whole line of the wire log starts, as far as the target has written it.
std::uintmax_t LogMark(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t end = text.rfind('\n');
  return end == std::string::npos ? 0 : end + 1;
}

// The bytes logged since the mark. On the queued link the idle exchange goes on before
// and after the operation; the log may lag by up to its flush period, so whatever idle
// exchange ends up at either end is no part of the operation.
ByteCounts CountSince(const std::string& path, std::uintmax_t mark, bool queued) {
  std::ifstream file(path, std::ios::binary);
  file.seekg(static_cast<std::streamoff>(mark));
  struct Event {
    bool toTarget;
    unsigned byte;
  };
  std::vector<Event> events;
  for (std::string line; std::getline(file, line);) {
    char direction[16] = {};
    unsigned byte = 0;
    double ms = 0;
    if (std::sscanf(line.c_str(), "+%lfms %15s 0x%x", &ms, direction, &byte) == 3) {
      events.push_back({std::string(direction) == "to-target", byte});
    }
  }
  const auto idle = [](const Event& e) { return e.toTarget ? e.byte == kIdle : e.byte == kReady; };
  auto first = events.begin();
  auto last = events.end();
  if (queued) {
    while (first != last && idle(*first)) ++first;
    while (last != first && idle(*(last - 1))) --last;
  }
  ByteCounts counts;
  for (auto it = first; it != last; ++it) ++(it->toTarget ? counts.toTarget : counts.fromTarget);
  return counts;
}

struct Row {
  std::string condition;
  std::string dialect;
  std::string operation;
  std::uint32_t bytes = 0;
  std::uint32_t divisor = 1;
  double wall = 0;
  double cpu = 0;
  ByteCounts counts;
  std::optional<double> floor;
  bool fullDuplex = false;
  bool ok = false;
};

struct IdleRow {
  std::string condition;
  std::string dialect;
  double wall = 0;
  double cpu = 0;
  bool up = false;
};

// One part of the workload: an image file and the starting sector it goes to.
struct Part {
  std::string file;
  int sector = 0;
  int readRange = 0;
  std::uint32_t bytes = 0;
};

std::vector<std::uint8_t> NonBlank(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = seed;
  for (std::uint8_t& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>((state >> 24) & 0x7F);
  }
  return bytes;
}

// The full chip is one image cut in two by the host's split rule (external memory) or
// block 0 alone (internal memory); a smaller workload takes a share of each block from
// its start, as two images.
std::vector<Part> Workload(quillon::test::TempDir& dir, const quillon::CTargetChip& chip, bool internal,
                           std::uint32_t divisor) {
  const int block1Sector = static_cast<int>(chip.ListedSectorCount(0));
  const auto sectorsOf = [&](int block, std::uint32_t bytes) {
    const std::uint32_t sectors = bytes / chip.SectorSize(block);
    return sectors >= chip.ListedSectorCount(block) ? 0 : static_cast<int>(sectors);
  };
  std::vector<Part> parts;
  const auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
    quillon::test::WriteFile(dir / name, bytes);
    return (dir / name).string();
  };
  if (divisor == 1 && !internal) {
    std::vector<std::uint8_t> image(kBlock1Start + kBlock1Size, 0xFF);
    const std::vector<std::uint8_t> block0 = NonBlank(kBlock0Size, 1);
    const std::vector<std::uint8_t> block1 = NonBlank(kBlock1Size, 2);
    std::copy(block0.begin(), block0.end(), image.begin());
    std::copy(block1.begin(), block1.end(), image.begin() + kBlock1Start);
    parts.push_back({write("full.bin", image), 0, 0, kBlock0Size + kBlock1Size});
    return parts;
  }
  const std::uint32_t size0 = kBlock0Size / divisor;
  parts.push_back({write("block0.bin", NonBlank(size0, 1)), 0, sectorsOf(0, size0), size0});
  if (!internal) {
    const std::uint32_t size1 = kBlock1Size / divisor;
    parts.push_back({write("block1.bin", NonBlank(size1, 2)), block1Sector, sectorsOf(1, size1), size1});
  }
  return parts;
}

class Bench {
 public:
  Bench(Options options, std::string simulator) : options_(std::move(options)), simulator_(std::move(simulator)) {}

  void RunPair(const Condition& condition, const Dialect& dialect);
  void Print() const;

 private:
  Row Measure(CMainDlg& window, CliOperator& op, const std::string& log, const Condition& condition,
              const Dialect& dialect, const std::string& operation, std::uint32_t divisor);

  Options options_;
  std::string simulator_;
  std::vector<Row> rows_;
  std::vector<IdleRow> idle_;
};

void Bench::RunPair(const Condition& condition, const Dialect& dialect) {
  quillon::test::TempDir dir;
  const std::string log = (dir / "wire.log").string();
  std::vector<std::string> args = {"--firmware", dialect.name, "--chip", "A32", "--log", log};
  if (condition.paced) {
    args.insert(args.end(), {"--baud", std::to_string(options_.baud)});
  }
  if (condition.latencyMs > 0) {
    args.insert(args.end(), {"--latency", std::to_string(condition.latencyMs)});
  }
  Target target(simulator_, args);
  std::optional<quillon::test::PortServer> server;
  std::optional<quillon::test::Relay> relay;
  std::string port = target.Path();
  if (condition.network) {
    server.emplace(std::vector<quillon::test::PortServer::Line>{{target.Path()}});
    port = server->Url(0);
    if (condition.holdMs > 0) {
      relay.emplace(server->Port(0), std::chrono::milliseconds(condition.holdMs));
      port = "rfc2217://127.0.0.1:" + std::to_string(relay->Port());
    }
  }

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> sink(std::fopen("/dev/null", "w"), std::fclose);
  CliOperator op(true, false, sink.get(), sink.get());
  CMainDlg window(op, quillon::AppPaths{dir / "config", dir / "cache"});
  window.OnInitDialog();
  auto& device = window.TargetChip()->Device();
  device.SetDevicePath(port);
  device.SetBaudRate(options_.baud);
  op.onChipType = [](quillon::CChipTypeDlg& dialog) {
    dialog.Click(quillon::CChipTypeDlg::IdQRV71A32);
    dialog.Click(quillon::CChipTypeDlg::IdExternalMemory);
    return true;
  };
  if (dialect.queued)
    window.OnAutoDetect();
  else if (dialect.name == "v1.1e-ext")
    window.OnExternalSelect();
  else
    window.OnChipTypeSelect();
  window.OnTimer();
  if (!window.TargetChip()->Device().IsConnected()) {
    std::fprintf(stderr, "%s %s: detection failed\n", condition.name.c_str(), dialect.name.c_str());
    return;
  }

  if (options_.idleSeconds > 0) {
    const double cpuBefore = CpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(options_.idleSeconds));
    idle_.push_back({condition.name, dialect.name, std::chrono::duration<double>(Clock::now() - start).count(),
                     CpuSeconds() - cpuBefore, !window.Link().LinkLost});
  }

  for (const std::string& operation : kOperations) {
    if (!Chosen(options_.operations, operation)) continue;
    const bool windowed = operation.starts_with("download-w");
    if (windowed && dialect.queued) continue;
    // A window-1 download pays a round trip per byte: over the 16 ms adapter or a LAN
    // the full chip would take the better part of an hour.
    const bool slow = !dialect.queued && !windowed && (condition.latencyMs >= 16 || condition.holdMs > 0);
    rows_.push_back(
        Measure(window, op, log, condition, dialect, operation, options_.scale * (slow ? options_.slowScale : 1)));
    std::fprintf(stderr, "%s %s %s: %.2f s\n", condition.name.c_str(), dialect.name.c_str(), operation.c_str(),
                 rows_.back().wall);
  }
}

Row Bench::Measure(CMainDlg& window, CliOperator& op, const std::string& log, const Condition& condition,
                   const Dialect& dialect, const std::string& operation, std::uint32_t divisor) {
  quillon::test::TempDir dir;
  quillon::CTargetChip& chip = *window.TargetChip();
  const bool internal = chip.GetMemoryType() == quillon::MemoryInternal;
  const std::vector<Part> parts = Workload(dir, chip, internal, divisor);
  const bool windowed = operation.starts_with("download-w");
  chip.Device().SetEchoWindow(windowed ? std::stoi(operation.substr(std::string("download-w").size())) : 1);

  Row row;
  row.condition = condition.name;
  row.dialect = dialect.name;
  row.operation = operation;
  row.divisor = divisor;
  row.fullDuplex = windowed;
  row.ok = true;
  // A direct link is silent between commands, so a short pause lets the log catch up.
  std::this_thread::sleep_for(300ms);
  const std::uintmax_t mark = LogMark(log);
  const double cpuBefore = CpuSeconds();
  const auto start = Clock::now();
  for (const Part& part : parts) {
    quillon::cli::CommandRequest request;
    quillon::cli::WindowCommand command = nullptr;
    if (operation == "read") {
      const int block = part.sector == 0 ? 0 : 1;
      const std::uint32_t sectors =
          part.readRange == 0 ? chip.ListedSectorCount(block) : static_cast<std::uint32_t>(part.readRange);
      const std::uint32_t readBytes = sectors * chip.SectorSize(block);
      row.bytes += internal || part.bytes != kBlock0Size + kBlock1Size ? readBytes : kBlock0Size;
      request = quillon::RangeRequest{part.sector, part.readRange};
      command = quillon::cli::ReadCommand;
    } else {
      row.bytes += part.bytes;
      request = quillon::ImageRequest{part.file, part.sector, std::nullopt};
      command = operation == "compare" ? quillon::cli::CompareCommand : quillon::cli::DownloadCommand;
    }
    row.ok = quillon::cli::RunWindowCommand(command, window, op, request) == quillon::Outcome::Done && row.ok;
    // The full-chip image is one download and one compare, but two reads: one per block.
    if (operation == "read" && !internal && parts.size() == 1) {
      const quillon::RangeRequest block1{static_cast<int>(chip.ListedSectorCount(0)), 0};
      row.bytes += chip.ListedSectorCount(1) * chip.SectorSize(1);
      row.ok = quillon::cli::RunWindowCommand(command, window, op, block1) == quillon::Outcome::Done && row.ok;
    }
  }
  row.wall = std::chrono::duration<double>(Clock::now() - start).count();
  row.cpu = CpuSeconds() - cpuBefore;
  chip.Device().SetEchoWindow(1);
  // The log is flushed at least every 200 ms while bytes flow, and at once when they stop.
  std::this_thread::sleep_for(400ms);
  row.counts = CountSince(log, mark, dialect.queued);
  if (condition.paced) {
    const double bits = 10.0 / options_.baud;
    row.floor = windowed ? static_cast<double>(std::max(row.counts.toTarget, row.counts.fromTarget)) * bits
                         : static_cast<double>(row.counts.toTarget + row.counts.fromTarget) * bits;
  }
  return row;
}

void Bench::Print() const {
  std::printf(
      "| condition | dialect | operation | data | wall s | floor s | wall/floor | host CPU s | to/from target bytes "
      "|\n");
  std::printf("|---|---|---|---|---:|---:|---:|---:|---:|\n");
  for (const Row& row : rows_) {
    char data[64];
    std::snprintf(data, sizeof data, "%u B%s", row.bytes,
                  row.divisor > 1 ? (" (1/" + std::to_string(row.divisor) + ")").c_str() : "");
    char floor[32] = "–";
    char ratio[32] = "–";
    if (row.floor) {
      std::snprintf(floor, sizeof floor, "%.2f %s", *row.floor, row.fullDuplex ? "fd" : "pp");
      std::snprintf(ratio, sizeof ratio, "%.3f", row.wall / *row.floor);
    }
    std::printf("| %s | %s | %s%s | %s | %.2f | %s | %s | %.3f | %ld / %ld |\n", row.condition.c_str(),
                row.dialect.c_str(), row.operation.c_str(), row.ok ? "" : " (FAILED)", data, row.wall, floor, ratio,
                row.cpu, row.counts.toTarget, row.counts.fromTarget);
  }
  if (!idle_.empty()) {
    std::printf("\n| condition | dialect | idle s | host CPU s | share of a core | link |\n");
    std::printf("|---|---|---:|---:|---:|---|\n");
    for (const IdleRow& row : idle_) {
      std::printf("| %s | %s | %.1f | %.3f | %.2f %% | %s |\n", row.condition.c_str(), row.dialect.c_str(), row.wall,
                  row.cpu, 100 * row.cpu / row.wall, row.up ? "up" : "LOST");
    }
  }
  std::printf("\npeak resident memory of the host: %ld KB\n", PeakKilobytes());
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  const std::string simulator = (std::filesystem::path(argv[0]).parent_path() / "quillon-sim").string();
  signal(SIGPIPE, SIG_IGN);
  Bench bench(options, simulator);
  for (const Condition& condition : kConditions) {
    if (!Chosen(options.conditions, condition.name)) continue;
    for (const Dialect& dialect : kDialects) {
      if (!Chosen(options.dialects, dialect.name)) continue;
      try {
        bench.RunPair(condition, dialect);
      } catch (const std::exception& error) {
        std::fprintf(stderr, "%s %s: %s\n", condition.name.c_str(), dialect.name.c_str(), error.what());
      }
    }
  }
  bench.Print();
  return 0;
}
