// A production line in fast motion: one host window, kept open as an operator would keep
// it, programs and compares board after board. Each cycle is a new emulated board (a
// random dialect of the boot loader) with a random image; one cycle in five the board
// misbehaves, with a fault of the emulator armed at a random point of the download or of
// the compare. The run counts what must never happen: a cycle reported good whose flash
// differs from the file, a cycle that hangs or outlasts its bound, a failure with nothing
// said, and memory, descriptors or threads that grow from cycle to cycle.
//   soak [--cycles N] [--seed S] [--fault-every K] [--max-bytes N] [--cycle N] [--verbose]
// Run with --help for what they mean.

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "operator/messages.h"
#include "support/host_fixture.h"
#include "ui/main_dlg.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using quillon::Answer;
using quillon::Buttons;
using quillon::CMainDlg;
using quillon::Outcome;
using quillon::sim::Faults;
using quillon::sim::Firmware;
using quillon::test::Bytes;

struct Options {
  int cycles = 1000;
  std::uint64_t seed = std::random_device{}();
  int faultEvery = 5;
  std::uint32_t maxBytes = 4096;
  std::optional<int> only;
  bool verbose = false;
};

void Usage() {
  std::fputs(
      "usage: soak [--cycles N] [--seed S] [--fault-every K] [--max-bytes N] [--cycle N] [--verbose]\n"
      "  --cycles N       cycles to run (default 1000)\n"
      "  --seed S         the run's seed (default: a random one, printed first)\n"
      "  --fault-every K  one cycle in K on average meets a fault (default 5; 0: none)\n"
      "  --max-bytes N    the largest image, from 1 byte up (default 4096, at most 32768)\n"
      "  --cycle N        runs cycle N of the seed's run alone, to look at it again\n"
      "  --verbose        one line per cycle\n",
      stderr);
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--verbose") {
      options.verbose = true;
      continue;
    }
    if (arg == "--help" || i + 1 >= argc) {
      Usage();
      std::exit(arg == "--help" ? 0 : 2);
    }
    const char* value = argv[++i];
    if (arg == "--cycles")
      options.cycles = std::max(1, std::atoi(value));
    else if (arg == "--seed")
      options.seed = std::strtoull(value, nullptr, 10);
    else if (arg == "--fault-every")
      options.faultEvery = std::max(0, std::atoi(value));
    else if (arg == "--max-bytes")
      options.maxBytes = std::clamp<std::uint32_t>(static_cast<std::uint32_t>(std::atol(value)), 1, 32768);
    else if (arg == "--cycle")
      options.only = std::atoi(value);
    else {
      Usage();
      std::exit(2);
    }
  }
  return options;
}

// The operator of a production line, who answers every question as quillon-cli --yes
// does: go ahead, and re-detect a lost link.
class LineOperator : public quillon::test::ScriptedOperator {
 public:
  Answer Ask(std::string_view text, Buttons buttons, Answer defaultAnswer) override {
    ScriptedOperator::Ask(text, buttons, defaultAnswer);
    return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
  }
};

// Data bytes in a direct link's frame: half the largest sector.
constexpr int kLongestFrame = 64;

struct Dialect {
  const char* name;
  Firmware firmware;
};
constexpr Dialect kDialects[] = {
    {"v1.1e-int", Firmware::V11EInt}, {"v1.1e-ext", Firmware::V11EExt}, {"v1.1d", Firmware::V11D}};

// A fault with its arming point: the byte counts of the emulator's faults start when they
// are set, just before the download or just before the compare.
struct FaultPlan {
  std::string name;
  Faults faults;
  bool beforeCompare = false;
};

// The arming point falls within what the operation puts on the line: a download sends the
// image and reads it back, a compare sends a few bytes per chunk and reads the image.
FaultPlan RandomFault(std::mt19937_64& rng, std::uint32_t imageBytes, bool queued) {
  const auto upTo = [&](int most) { return std::uniform_int_distribution<int>(0, most)(rng); };
  std::vector<std::string> kinds = {"status",      "drop-reply",    "extra-byte",
                                    "reply-delay", "silence-after", "reset-after"};
  if (queued)
    kinds.push_back("ready-stops");
  else
    kinds.insert(kinds.end(), {"no-echo", "wrong-echo"});
  FaultPlan plan;
  plan.name = kinds[static_cast<std::size_t>(upTo(static_cast<int>(kinds.size()) - 1))];
  plan.beforeCompare = upTo(2) == 0;
  const int image = static_cast<int>(imageBytes);
  const int chunks = image / 64 + 2;
  const int toTarget = plan.beforeCompare ? 4 * chunks : image + 8 * chunks;
  const int fromTarget = plan.beforeCompare || queued ? image + 4 * chunks : 2 * image + 4 * chunks;
  Faults& f = plan.faults;
  int at = 0;
  if (plan.name == "status") {
    const int status = upTo(0xFE);
    const bool erase = upTo(1) == 0;
    (erase ? f.eraseStatus : f.writeStatus) = status == 0xC0 ? 0xC1 : status;
    plan.name += erase ? "(erase)" : "(write)";
    return plan;
  }
  if (plan.name == "no-echo")
    f.noEcho = true;
  else if (plan.name == "wrong-echo")
    f.wrongEcho = true;
  else if (plan.name == "drop-reply")
    f.dropReplyByte = at = upTo(image);
  else if (plan.name == "extra-byte")
    f.extraByteAfterReply = at = upTo(image), f.extraByteValue = upTo(255);
  else if (plan.name == "ready-stops")
    f.readyStopsAfter = at = upTo(2 * chunks);
  else if (plan.name == "reply-delay")
    f.replyDelay = std::chrono::milliseconds(at = 600 + upTo(600));
  else if (plan.name == "silence-after")
    f.silenceAfter = at = upTo(fromTarget);
  else if (plan.name == "reset-after")
    f.resetAfter = at = 1 + upTo(toTarget);
  if (at != 0) plan.name += "=" + std::to_string(at);
  return plan;
}

std::string HexFile(const Bytes& image) {
  std::string text;
  for (std::size_t at = 0; at < image.size(); at += 16) {
    const std::size_t end = std::min(image.size(), at + 16);
    text += quillon::test::HexRecord(
        0, static_cast<std::uint16_t>(at),
        Bytes(image.begin() + static_cast<std::ptrdiff_t>(at), image.begin() + static_cast<std::ptrdiff_t>(end)));
  }
  return text + quillon::test::EndRecord;
}

struct Resources {
  std::string point;
  long heapKb = 0;
  long rssKb = 0;
  long peakKb = 0;
  long maxrssKb = 0;
  long descriptors = 0;
  long threads = 0;
};

long StatusField(const std::string& name) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(name + ":")) return std::atol(line.c_str() + name.size() + 1);
  }
  return -1;
}

long Entries(const char* directory) {
  const auto entries = std::filesystem::directory_iterator(directory);
  return static_cast<long>(std::distance(begin(entries), end(entries)));
}

// The heap in use is what a leak grows; the resident size follows it only from afar.
Resources Measure(std::string point) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const struct mallinfo2 heap = mallinfo2();
  // The iterator's own descriptor is counted while it lists the others.
  return {std::move(point),          static_cast<long>((heap.uordblks + heap.hblkhd) / 1024),
          StatusField("VmRSS"),      StatusField("VmHWM"),
          usage.ru_maxrss,           Entries("/proc/self/fd") - 1,
          Entries("/proc/self/task")};
}

// Ends the run when a cycle goes on past the point where only a hang explains it: a hung
// user thread cannot be taken back, and what matters is that it is reported.
class HangWatch {
 public:
  HangWatch() : thread_([this] { Watch(); }) {}
  ~HangWatch() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  void Arm(Clock::time_point deadline, std::string what) {
    std::lock_guard lock(mutex_);
    deadline_ = deadline;
    what_ = std::move(what);
  }
  void Disarm() { Arm(Clock::time_point::max(), {}); }

 private:
  void Watch() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
      if (Clock::now() >= deadline_) {
        std::printf("HANG: %s\n", what_.c_str());
        std::fflush(stdout);
        std::_Exit(3);
      }
      changed_.wait_for(lock, 1s);
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  Clock::time_point deadline_ = Clock::time_point::max();
  std::string what_;
  bool stopping_ = false;
  std::thread thread_;
};

struct Tally {
  int cycles = 0;
  int faulted = 0;
  int good = 0;
  int falseSuccesses = 0;
  int cleanFailures = 0;
  int harmlessFaults = 0;
  int silentFailures = 0;
  int overBound = 0;
  double longest = 0;
  double longestShare = 0;
  double seconds = 0;
  std::map<std::string, std::pair<int, int>> byFault;  // faulted cycles and those reported good
};

// Whether the operator was told anything beyond what every cycle shows.
bool Told(const std::vector<std::string>& messages) {
  return std::any_of(messages.begin(), messages.end(), [](const std::string& text) {
    return text != quillon::msg::ProceedToDownload && text != quillon::msg::ResetIfAutoDetectFails;
  });
}

class Soak {
 public:
  explicit Soak(const Options& options)
      : options_(options), window_(op_, {dir_ / "config", dir_ / "cache"}, quillon::test::FastTiming()) {
    window_.OnInitDialog();
  }
  void Cycle(int index);
  void Finish() { window_.TargetChip()->Device().ClosePort(); }
  const Tally& Counts() const { return tally_; }

 private:
  // As quillon-cli runs a command: the timer tick that follows reports a link it lost.
  Outcome Run(const std::function<void()>& command) {
    command();
    const Outcome outcome = window_.LastOutcome();
    window_.OnTimer();
    return quillon::Graver(outcome, window_.LastOutcome());
  }
  // What the host's own limits allow a cycle: a detection's handshake, a millisecond per
  // image byte for the work (a tenfold margin over the unpaced line), and for a faulty
  // board, each of the two commands waiting out the longest limits once more (the link's
  // silence, the transfer of a byte and a re-detection's handshake), and a direct link's
  // frame, which goes on to its last data byte after one fails, an echo wait for each.
  std::chrono::milliseconds Bound(std::uint32_t bytes, bool faulted) const {
    const quillon::Timing& t = window_.GetTiming();
    const auto work = t.handshake + std::chrono::milliseconds(bytes);
    return faulted ? work + 2 * (t.readySilence + t.transfer + t.handshake) + kLongestFrame * t.byteWait : work;
  }

  Options options_;
  quillon::test::TempDir dir_;
  LineOperator op_;
  CMainDlg window_;
  HangWatch watch_;
  Tally tally_;
};

void Soak::Cycle(int index) {
  std::seed_seq seeds{options_.seed, static_cast<std::uint64_t>(index)};
  std::mt19937_64 rng(seeds);
  const Dialect& dialect = kDialects[std::uniform_int_distribution<std::size_t>(0, 2)(rng)];
  const bool queued = dialect.firmware == Firmware::V11EInt;
  const auto bytes = std::uniform_int_distribution<std::uint32_t>(1, options_.maxBytes)(rng);
  Bytes image(bytes);
  for (std::uint8_t& byte : image) byte = static_cast<std::uint8_t>(rng());
  const bool hex = rng() % 2 == 0;
  const std::string file = (dir_ / (hex ? "image.hex" : "image.bin")).string();
  if (hex)
    quillon::test::WriteFile(file, HexFile(image));
  else
    quillon::test::WriteFile(file, image);
  const int window = queued || rng() % 2 == 0 ? 1 : 16;
  const bool faulted = options_.faultEvery > 0 && rng() % static_cast<unsigned>(options_.faultEvery) == 0;
  const FaultPlan plan = faulted ? RandomFault(rng, bytes, queued) : FaultPlan{"none", {}, false};

  const auto bound = Bound(bytes, faulted);
  const std::string what = "cycle " + std::to_string(index) + " " + dialect.name + " w" + std::to_string(window) + " " +
                           std::to_string(bytes) + (hex ? " B hex" : " B bin") + " fault " + plan.name +
                           (faulted ? (plan.beforeCompare ? " at compare" : " at download") : "");
  const Clock::time_point start = Clock::now();
  watch_.Arm(start + std::max<Clock::duration>(60s, 5 * bound), what + " (seed " + std::to_string(options_.seed) + ")");

  op_.ClearRecords();
  const quillon::sim::Config config = quillon::test::TargetOf(dialect.firmware);
  quillon::sim::Emulator board(config);
  auto& device = window_.TargetChip()->Device();
  device.SetDevicePath(board.Start());
  device.SetEchoWindow(window);
  const bool detected = quillon::test::Detect(window_, op_, config) && window_.LastOutcome() == Outcome::Done;
  const auto choose = [&](auto& dialog) {
    dialog.Browse(file);
    return dialog.SelectStart(0);
  };
  op_.onDownload = choose;
  op_.onCompare = choose;
  if (faulted && !plan.beforeCompare) board.SetFaults(plan.faults);
  const Outcome download = detected ? Run([&] { window_.OnDownload(); }) : Outcome::Failed;
  if (faulted && plan.beforeCompare) board.SetFaults(plan.faults);
  // The compare tells its result on the status line rather than in a box.
  window_.Info().IapStatus.clear();
  const Outcome compare = detected ? Run([&] { window_.OnCompare(); }) : Outcome::Failed;
  const bool told = Told(op_.Messages()) || (download == Outcome::Done && !window_.Info().IapStatus.empty());
  // The operator lets go of the board before it is taken off the line.
  window_.OnResetLink();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  watch_.Disarm();

  const Bytes flash = board.FlashImage();
  const bool same = std::equal(image.begin(), image.end(), flash.begin());
  const bool good = download == Outcome::Done && compare == Outcome::Done;
  const double share = seconds / std::chrono::duration<double>(bound).count();
  Tally& t = tally_;
  ++t.cycles;
  t.seconds += seconds;
  t.good += good;
  t.longest = std::max(t.longest, seconds);
  t.longestShare = std::max(t.longestShare, share);
  const bool falseSuccess = good && !same;
  t.falseSuccesses += falseSuccess;
  t.cleanFailures += !faulted && !good;
  t.silentFailures += !good && !told;
  t.overBound += share > 1;
  if (faulted) {
    ++t.faulted;
    t.harmlessFaults += good;
    auto& row = t.byFault[plan.name.substr(0, plan.name.find_first_of("=("))];
    ++row.first;
    row.second += good;
  }
  if (options_.verbose || falseSuccess || (!faulted && !good) || (!good && !told) || share > 1) {
    std::printf("%s: %s%s, download %d compare %d, flash %s, %.2f s of %.1f%s\n", what.c_str(),
                falseSuccess ? "FALSE SUCCESS " : "", good ? "good" : "failed", static_cast<int>(download),
                static_cast<int>(compare), same ? "same" : "differs", seconds,
                std::chrono::duration<double>(bound).count(), told ? "" : ", NOTHING SAID");
    if (options_.verbose) {
      for (const std::string& message : op_.Messages()) std::printf("    said: %s\n", message.c_str());
    }
    std::fflush(stdout);
  }
}

// After the warm-up every cycle ends as the one before it: the same descriptors and
// threads, and the heap no larger than a cycle's own scratch may leave it. With the window
// closed, the process is back where it started.
bool Leaks(const std::vector<Resources>& points) {
  constexpr long kHeapSlackKb = 32;
  const Resources& start = points.front();
  const Resources& warm = points[1];
  const Resources& last = points[points.size() - 2];
  const Resources& closed = points.back();
  return last.descriptors != warm.descriptors || last.threads != warm.threads ||
         last.heapKb > warm.heapKb + kHeapSlackKb || closed.descriptors != start.descriptors ||
         closed.threads != start.threads;
}

void PrintResources(const std::vector<Resources>& points) {
  std::printf(
      "\n| point | heap in use KB | VmRSS KB | VmHWM KB | maxrss KB | open descriptors | threads |\n"
      "|---|---:|---:|---:|---:|---:|---:|\n");
  for (const Resources& u : points) {
    std::printf("| %s | %ld | %ld | %ld | %ld | %ld | %ld |\n", u.point.c_str(), u.heapKb, u.rssKb, u.peakKb,
                u.maxrssKb, u.descriptors, u.threads);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // A thread's cache of freed blocks counts as heap in use and fills up over hundreds of
  // cycles; without it, the heap in use is what the program holds, so the run starts
  // itself again that way.
  if (std::getenv("GLIBC_TUNABLES") == nullptr) {
    ::setenv("GLIBC_TUNABLES", "glibc.malloc.tcache_count=0", 1);
    ::execv("/proc/self/exe", argv);
  }
  const Options options = ParseOptions(argc, argv);
  std::printf("soak: seed %llu, %d cycles, one in %d faulted, images of 1 to %u bytes\n",
              static_cast<unsigned long long>(options.seed), options.only ? 1 : options.cycles, options.faultEvery,
              options.maxBytes);
  std::fflush(stdout);
  std::vector<Resources> points{Measure("start")};
  const int warmUp = std::min(50, options.cycles / 5);
  Tally tally;
  {
    Soak soak(options);
    if (options.only) {
      soak.Cycle(*options.only);
    } else {
      for (int cycle = 1; cycle <= options.cycles; ++cycle) {
        soak.Cycle(cycle);
        if (cycle == warmUp || cycle % std::max(1, options.cycles / 4) == 0 || cycle == options.cycles) {
          points.push_back(Measure("after cycle " + std::to_string(cycle)));
        }
      }
    }
    tally = soak.Counts();
    soak.Finish();
  }
  points.push_back(Measure("window closed"));
  const bool leak = !options.only && Leaks(points);
  if (!options.only) PrintResources(points);
  std::printf("\n| count | cycles |\n|---|---:|\n");
  std::printf("| cycles run | %d |\n| with a fault | %d |\n| reported good | %d |\n", tally.cycles, tally.faulted,
              tally.good);
  std::printf("| **reported good, flash differs from the file** | **%d** |\n", tally.falseSuccesses);
  std::printf("| without a fault, reported failed | %d |\n| with a fault, reported good (fault did no harm) | %d |\n",
              tally.cleanFailures, tally.harmlessFaults);
  std::printf("| failed with nothing said | %d |\n| hangs | 0 |\n| past their bound | %d |\n", tally.silentFailures,
              tally.overBound);
  std::printf("\nlongest cycle %.2f s; the most of its bound a cycle took: %.0f %%; %.1f s in all, %.3f s a cycle\n",
              tally.longest, 100 * tally.longestShare, tally.seconds, tally.seconds / std::max(1, tally.cycles));
  if (!tally.byFault.empty()) {
    std::printf("\n| fault | cycles | reported good |\n|---|---:|---:|\n");
    for (const auto& [name, row] : tally.byFault)
      std::printf("| %s | %d | %d |\n", name.c_str(), row.first, row.second);
  }
  const bool clean = tally.falseSuccesses == 0 && tally.overBound == 0 && tally.silentFailures == 0 &&
                     tally.cleanFailures == 0 && !leak;
  std::printf("\n%s\n", clean ? "soak: clean" : "soak: FAILED");
  return clean ? 0 : 1;
}
