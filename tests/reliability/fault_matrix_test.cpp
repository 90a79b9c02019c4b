#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "cli/cli_operator.h"
#include "cli/command_request.h"
#include "cli/command_table.h"
#include "operator/messages.h"
#include "support/host_fixture.h"

// Every operation against every fault of the emulated target, run as quillon-cli runs it.
// QUILLON_MATRIX_SLOW picks the cells that wait out the shipped time limits; with
// QUILLON_MATRIX_RESULTS set, each cell appends its result there for scripts/reliability.
namespace quillon {
namespace {

using namespace std::chrono_literals;
using sim::Firmware;
using Clock = std::chrono::steady_clock;

// `command`: @ stands for the home directory; `partway`: the count of the host's bytes (idle
// bytes left out) at which a reset or a hang-up strikes, inside the operation's first commands.
struct Operation {
  const char* name;
  Firmware firmware;
  const char* command;
  int sim::Faults::*status;
  bool replies;
  int partway;
};

const Operation kOperations[] = {
    {"auto detect (v1.1E int)", Firmware::V11EInt, "detect", nullptr, true, 3},
    {"external select (v1.1E ext)", Firmware::V11EExt, "detect", nullptr, true, 1},
    {"chip type select (v1.1D)", Firmware::V11D, "detect", nullptr, true, 1},
    {"read (v1.1E int)", Firmware::V11EInt, "read --range 2", nullptr, true, 6},
    {"sector erase (v1.1E ext)", Firmware::V11EExt, "erase --range 2", &sim::Faults::eraseStatus, true, 6},
    {"chip erase (v1.1D)", Firmware::V11D, "chip-erase", &sim::Faults::chipEraseStatus, true, 3},
    {"download, internal memory", Firmware::V11EInt, "download @/image.bin", &sim::Faults::eraseStatus, true, 40},
    {"download, external memory", Firmware::V11EExt, "download @/image.bin", &sim::Faults::writeStatus, true, 40},
    {"download-run (v1.1E int)", Firmware::V11EInt, "download-run @/image.bin", &sim::Faults::eraseStatus, true, 40},
    {"compare (v1.1D)", Firmware::V11D, "compare @/image.bin", nullptr, true, 6},
    {"save (v1.1E ext)", Firmware::V11EExt, "save @/saved.bin --range 1 --format bin", nullptr, true, 3},
    {"lock (v1.1E ext)", Firmware::V11EExt, "lock 5", nullptr, false, 4},
    {"remap (v1.1D)", Firmware::V11D, "remap 3", nullptr, false, 3},
    {"run (v1.1E int)", Firmware::V11EInt, "run", nullptr, false, 2},
};
bool Detects(const Operation& op) { return op.command == std::string_view("detect"); }

enum class Needs { Nothing, Echo, Status, Reply, ReadyBytes, Detection };
// The faults are armed as given, with `partway` set to the operation's place and a status
// fault on the status the operation reads.
// `said`: a text the operator must see, where the fault has its own.
struct Fault {
  const char* name;
  sim::Faults faults;
  int sim::Faults::*partway;
  Needs needs;
  bool slow = false;
  std::string_view said = {};
};

const Fault kFaults[] = {
    {"silent", {.silenceAfter = 0}, nullptr, Needs::Nothing},
    {"no echo", {.noEcho = true}, nullptr, Needs::Echo},
    {"wrong echo", {.wrongEcho = true}, nullptr, Needs::Echo},
    {"status 0x80", {}, nullptr, Needs::Status},
    {"reply byte dropped", {.dropReplyByte = 0}, nullptr, Needs::Reply},
    {"extra byte", {.extraByteAfterReply = 0}, nullptr, Needs::Reply},
    {"reply 600 ms late", {.replyDelay = 600ms}, nullptr, Needs::Reply, true},
    {"reply 1100 ms late", {.replyDelay = 1100ms}, nullptr, Needs::Reply, true},
    {"reset part-way", {.atCommand = true}, &sim::Faults::resetAfter, Needs::Nothing},
    {"ready bytes stop", {.readyStopsAfter = 0, .atCommand = true}, nullptr, Needs::ReadyBytes},
    {"line hung up", {.atCommand = true}, &sim::Faults::hangUpAfter, Needs::Nothing, false, msg::LineHungUp},
    {"port not permitted", {}, nullptr, Needs::Detection, false, "sudo usermod -aG dialout $USER"},
};

const char* NotApplicable(const Operation& op, const Fault& fault) {
  switch (fault.needs) {
    case Needs::Echo: return op.firmware == Firmware::V11EInt ? "the queued link has no echo" : nullptr;
    case Needs::Status: return op.status ? nullptr : "the operation reads no done status";
    case Needs::Reply: return op.replies ? nullptr : "the command has no reply";
    case Needs::ReadyBytes: return op.firmware == Firmware::V11EInt ? nullptr : "only the queued link has ready bytes";
    case Needs::Detection: return Detects(op) ? nullptr : "only a detection opens the port";
    case Needs::Nothing: return nullptr;
  }
  return nullptr;
}

// Cells whose fault leaves the operation's result right: they must succeed.
const char* Tolerated(const Operation& op, std::string_view fault) {
  const std::string_view command = op.command;
  if (fault == "extra byte" && (Detects(op) || command == "chip-erase"))
    return "the reply came whole before the stray byte";
  if (fault == "extra byte" && command.starts_with("download") && op.firmware == Firmware::V11EInt)
    return "the worker passes over a stray byte before the next ready byte; every burst is read back";
  if (fault == "reply byte dropped" && &op == kOperations)
    return "the ready byte in the status's place means not yet: the handshake asks again";
  if (fault.ends_with("late") && command == "chip-erase") return "a chip erase's status is awaited for 30 s";
  if (fault == "ready bytes stop" && command == "run") return "the target leaves its boot loader and stops them anyway";
  return nullptr;
}

// Every file of the home directory but the scratch files of the cache.
std::map<std::string, std::string> Files(const test::TempDir& home) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home.Path()))
    if (entry.is_regular_file() && entry.path().string().find("/cache/") == std::string::npos)
      files[entry.path().string()] = test::ReadText(entry.path());
  return files;
}

// What the operator was told, without questions, prompts, progress labels and views.
std::string Said(std::FILE* out) {
  static const std::regex noise(
      "^(SECTOR|[0-9A-F]{3} |[0-9A-F]{4} - |Click on OK|\\(MCU:|Data in corr|Proceed|"
      "Do you really|Erasing|Writing|Reading|Comparing|Done$|Abort$|$)");
  std::rewind(out);
  std::string said;
  for (char line[512]; std::fgets(line, sizeof line, out);) {
    const std::string text(line, std::strcspn(line, "\n"));
    if (!std::regex_search(text, noise)) said += (said.empty() ? "" : "\n") + text;
  }
  return said;
}

struct Cell {
  const Operation* op;
  const Fault* fault;
  friend void PrintTo(const Cell& cell, std::ostream* out) { *out << cell.op->name << " / " << cell.fault->name; }
};

// A line for scripts/reliability: the cell's place and names, then how it came out.
void Record(const Cell& cell, std::string_view verdict, const std::string& measured, std::string text) {
  if (const char* path = std::getenv("QUILLON_MATRIX_RESULTS")) {
    for (std::size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, 1, "<br>");
    std::ofstream(path, std::ios::app) << cell.op - kOperations << '\t' << cell.fault - kFaults << '\t' << cell.op->name
                                       << '\t' << cell.fault->name << '\t' << verdict << '\t' << measured << '\t'
                                       << text << '\n';
  }
}

class FaultMatrix : public testing::TestWithParam<Cell> {
 public:
  // The cells that do not apply are not run: the results say why.
  static void SetUpTestSuite() {
    for (const Operation& op : kOperations)
      for (const Fault& fault : kFaults)
        if (fault.slow == QUILLON_MATRIX_SLOW && NotApplicable(op, fault))
          Record({&op, &fault}, "n/a", "", NotApplicable(op, fault));
  }
};

TEST_P(FaultMatrix, EndsInTimeWithAFailureItExplainsAndLeavesTheFilesAlone) {
  const Operation& op = *GetParam().op;
  const Fault& fault = *GetParam().fault;
  const Timing timing = fault.slow ? Timing{} : test::FastTiming();
  test::TempDir home;
  const test::Bytes image = test::Counting(256, 1);
  test::WriteFile(home / "image.bin", image);
  test::WriteFile(home / "saved.bin", "old");
  test::WriteFile(home / "config" / "QrvBslComDft.txt", "COM1\n38400\n");
  sim::Config config = test::TargetOf(op.firmware);
  if (std::string_view(op.command).starts_with("compare")) config.imagePath = (home / "image.bin").string();
  sim::Emulator target(config);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> out{std::tmpfile(), std::fclose};
  cli::CliOperator cli(true, false, out.get(), out.get());
  CMainDlg window(cli, AppPaths{home / "config", home / "cache"}, timing);
  window.OnInitDialog();
  const std::string port = target.Start();
  window.TargetChip()->Device().SetDevicePath(port);
  const auto files = Files(home);
  sim::Faults armed = fault.faults;
  if (fault.partway) armed.*fault.partway = op.partway;
  if (fault.needs == Needs::Status) armed.*op.status = 0x80;

  auto start = Clock::now();
  const bool refused = fault.needs == Needs::Detection;
  if (refused) {
    ::chmod(port.c_str(), 0);
    test::HoldFileRights(false);
  }
  if (Detects(op)) target.SetFaults(armed);
  const bool detected = test::Detect(window, cli, config);
  if (refused) test::HoldFileRights(true);
  if (!Detects(op)) {
    ASSERT_TRUE(detected);
    target.SetFaults(armed);
    // A ready byte already on its way when the target fell silent is answered first.
    std::this_thread::sleep_for(op.firmware == Firmware::V11EInt ? 50ms : 0ms);
    start = Clock::now();
  }
  std::string command = op.command;
  for (std::size_t at; (at = command.find('@')) != std::string::npos;) command.replace(at, 1, home.Path().string());
  std::istringstream words(command);
  const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
  const cli::GlobalOptions line = cli::ParseCommandLine(args).options;
  const cli::CommandEntry* entry = cli::FindCommand(line.command);
  const int exit = ExitStatusOf(cli::RunWindowCommand(entry->run, window, cli, cli::RequestOf(*entry, line.arguments)));
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  const std::string said = Said(out.get());
  const char* tolerated = Tolerated(op, fault.name);
  Record(GetParam(), tolerated ? "tolerated" : "fails",
         "exit " + std::to_string(exit) + ", " + std::to_string(took.count()) + " ms", tolerated ? tolerated : said);

  EXPECT_EQ(exit, tolerated ? ExitOk : ExitFailed) << said;
  // A chip erase is the one operation allowed more than the ready-byte limit.
  EXPECT_LT(took, (entry->windowCommand == IdChipErase ? timing.chipEraseStatus : timing.readySilence) + 1s) << said;
  EXPECT_TRUE(tolerated || !said.empty());
  EXPECT_NE(said.find(fault.said), std::string::npos) << said;
  EXPECT_TRUE(exit == 0 || Files(home) == files) << "a failed command leaves the settings and the save target alone";
  const test::Bytes flash = target.FlashImage();
  EXPECT_TRUE(exit != 0 || !command.starts_with("download") || std::equal(image.begin(), image.end(), flash.begin()))
      << "a download reported good whose flash differs from the file";
  const bool runs = entry->windowCommand == IdExecuteUserCode || entry->windowCommand == IdDownloadAndRun;
  EXPECT_TRUE(exit != 0 || !runs || !target.InBootLoader())
      << "a run reported good whose target stayed in its boot loader";
  // Once the fault is gone (an adapter comes back under a new name), a detection gets the link back.
  sim::Emulator mended(test::TargetOf(op.firmware));
  window.TargetChip()->Device().SetDevicePath(mended.Start());
  EXPECT_TRUE(test::Detect(window, cli, config)) << "the window takes a new detection";
}

std::vector<Cell> Cells(bool slow) {
  std::vector<Cell> cells;
  for (const Operation& op : kOperations)
    for (const Fault& fault : kFaults)
      if (fault.slow == slow && !NotApplicable(op, fault)) cells.push_back({&op, &fault});
  return cells;
}

std::string NameOf(const testing::TestParamInfo<Cell>& info) {
  std::string name = std::string(info.param.op->name) + "_" + info.param.fault->name;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultMatrix, testing::ValuesIn(Cells(QUILLON_MATRIX_SLOW)), NameOf);

}  // namespace
}  // namespace quillon
