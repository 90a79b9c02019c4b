#include <QApplication>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string_view>

#include "protocol/target_chip.h"
#include "sim/emulator.h"
#include "ui/main_dlg.h"
#include "ui/qt/main_window.h"
#include "ui/qt/single_instance.h"
#include "ui/qt/start_options.h"
#include "ui/qt/text.h"

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

std::vector<std::string> ProgramArguments(const QApplication& app) {
  std::vector<std::string> args;
  const QStringList all = app.arguments();
  for (qsizetype index = 1; index < all.size(); ++index) {
    args.push_back(all[index].toStdString());
  }
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quillon::gui;
  // A file size limit (ulimit -f) then fails the write that meets it, which is reported
  // and leaves the old file whole, instead of ending the program part-way with nothing said.
  std::signal(SIGXFSZ, SIG_IGN);
  // Answered before Qt starts, so that they work without a display.
  for (int index = 1; index < argc; ++index) {
    const std::string_view arg = argv[index];
    if (arg == "--help" || arg == "-h" || arg == "--version" || arg == "-V") {
      std::fputs(arg == "--help" || arg == "-h" ? StartUsage().c_str() : VersionText().c_str(), stdout);
      return 0;
    }
  }
  QApplication app(argc, argv);
  StartOptions options;
  try {
    options = ParseStartOptions(ProgramArguments(app));
  } catch (const UsageError& error) {
    std::fprintf(stderr, "quillon: %s\n%s", error.what(), StartUsage().c_str());
    return ExitUsage;
  }
  const QString title = ToQString(CMainWindow::MainTitle);
  SingleInstance instance(title);
  if (instance.HandOverToRunning()) {
    return 0;
  }
  // Declared before the window so that it serves until the window has closed its port.
  std::unique_ptr<quillon::sim::Emulator> target;
  if (options.simulate) {
    try {
      target = StartSimulatedTarget(*options.simulate);
    } catch (const UsageError& error) {
      std::fprintf(stderr, "quillon: %s\n", error.what());
      return ExitUsage;
    } catch (const std::exception& error) {
      std::fprintf(stderr, "quillon: cannot start the emulated target: %s\n", error.what());
      return ExitFailed;
    }
  }
  CMainWindow window(quillon::AppPaths::FromEnvironment());
  window.SetTracing(options.trace);
  if (options.log) {
    if (const std::string failure = window.SetResultsLog(options.log); !failure.empty()) {
      std::fprintf(stderr, "quillon: %s\n", failure.c_str());
      return ExitFailed;
    }
  }
  if (target) {
    window.Dialog().TargetChip()->Device().SetDevicePath(target->SlavePath());
  }
  instance.Serve(&window);
  window.show();
  return QApplication::exec();
}
