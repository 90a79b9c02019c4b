#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <atomic>
#include <thread>

#include "gui_host.h"
#include "ui/qt/message_boxes.h"

namespace quillon::test {
namespace {

using namespace std::chrono_literals;

TEST(MessageBoxesTest, BoxesFollowTheButtonRules) {
  QWidget owner;
  gui::MessageBoxes boxes(&owner);
  QString caption;
  int buttons = 0;
  bool iconless = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    caption = box->windowTitle();
    buttons = static_cast<int>(box->buttons().size());
    iconless = box->icon() == QMessageBox::NoIcon;
    box->defaultButton()->click();
  });
  EXPECT_EQ(boxes.Ask("Do you really want to proceed?", Buttons::YesNo, Answer::No), Answer::No);
  EXPECT_EQ(caption, QCoreApplication::applicationName());
  EXPECT_EQ(buttons, 2);
  EXPECT_TRUE(iconless);
}

// The worker's message waits for its answer, but never for a window that is waiting for
// the worker to end: neither before its box is shown nor while the box is up.
class WorkerMessageTest : public testing::TestWithParam<bool> {};

TEST_P(WorkerMessageTest, StoppingTheWorkerNeverWaitsForItsMessage) {
  const bool stopWhileShown = GetParam();
  QWidget owner;
  gui::MessageBoxes boxes(&owner);
  std::atomic<bool> returned = false;
  std::thread worker([&] {
    boxes.Inform("Warning! Failed to purge in_buffer.");
    returned = true;
  });
  bool joined = false;
  const auto stopWorker = [&] {
    boxes.LinkWorkerStopping(true);
    worker.join();
    boxes.LinkWorkerStopping(false);
    joined = true;
  };
  QTimer whileShown;
  if (stopWhileShown) {
    QObject::connect(&whileShown, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box != nullptr && !joined) {
        stopWorker();
        box->defaultButton()->click();
      }
    });
    whileShown.start(5);
  } else {
    std::this_thread::sleep_for(20ms);
    stopWorker();
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return joined; }, 2000));
  EXPECT_TRUE(returned);
  // A box not shown yet comes up all the same, and is answered.
  ModalScript answers;
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeModalWidget() == nullptr; }, 2000));
  QTest::qWait(20);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Moments, WorkerMessageTest, testing::Bool());

TEST(MessageBoxesTest, WorkerMessageWaitsForItsAnswer) {
  QWidget owner;
  gui::MessageBoxes boxes(&owner);
  ModalScript answers;
  std::atomic<bool> returned = false;
  std::thread worker([&] {
    boxes.Inform("Error! Queue is Full.");
    returned = true;
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, 2000));
  worker.join();
  EXPECT_EQ(answers.Messages(), std::vector<std::string>{"Error! Queue is Full."});
}

}  // namespace
}  // namespace quillon::test
