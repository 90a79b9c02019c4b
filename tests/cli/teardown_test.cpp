#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;

// A worker caught writing when its line hangs up and the window closes reports the
// failure; the window must not go before that report has reached a live operator.
TEST(Teardown, TheWorkerReportsToALiveOperatorBeforeTheWindowIsGone) {
  test::TempDir dir;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{std::tmpfile(), std::fclose};
  cli::CliOperator op{true, false, file.get(), file.get()};
  std::optional<sim::Emulator> target(std::in_place, test::TargetOf(sim::Firmware::V11EInt));
  auto window = std::make_unique<CMainDlg>(op, AppPaths{dir.Path() / "config", dir.Path() / "cache"},
                                           test::FastTiming());
  window->OnInitDialog();
  CIapDevice& device = window->TargetChip()->Device();
  device.SetDevicePath(target->Start());
  ASSERT_TRUE(test::Detect(*window, op, test::TargetOf(sim::Firmware::V11EInt)));

  // The run command goes out at the next ready byte; its operand waits in the worker.
  const auto queues = window->Link().queues;
  ASSERT_EQ(device.GuardedPut(queues->CommandQueue, queues->CommandMutex, QRV_CMD_RUN), QueueDone);
  ASSERT_TRUE(test::WaitFor(
      [&] {
        const auto sent = test::BytesOf(target->WireLog(), sim::Direction::ToTarget);
        return !sent.empty() && sent.back() == QRV_CMD_RUN;
      },
      2s));
  target.reset();
  ASSERT_EQ(device.GuardedPut(queues->OperandQueue, queues->OperandMutex, QRV_RUN_OPERAND), QueueDone);
  window.reset();

  std::fflush(file.get());
  std::rewind(file.get());
  std::string printed(4096, '\0');
  printed.resize(std::fread(printed.data(), 1, printed.size(), file.get()));
  EXPECT_NE(printed.find(msg::ByteTransferFailed), std::string::npos) << printed;
}

}  // namespace
}  // namespace quillon
