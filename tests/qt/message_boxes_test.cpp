#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <thread>

#include "gui_host.h"
#include "ui/qt/message_boxes.h"

namespace quillon::test {
namespace {

using namespace std::chrono_literals;

// A box has the application's name for its title, its buttons and no icon, and gives the
// default answer it was given.
TEST(MessageBoxesTest, BoxesFollowTheButtonRules) {
  QWidget owner;
  gui::MessageBoxes boxes(&owner);
  ModalScript answers;
  answers.onMessage = [](const std::string&) {
    const auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    EXPECT_EQ(box->windowTitle(), QCoreApplication::applicationName());
    EXPECT_EQ(box->buttons().size(), 2);
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
  };
  EXPECT_EQ(boxes.Ask("Do you really want to proceed?", Buttons::YesNo, Answer::No), Answer::No);
  EXPECT_EQ(answers.messages, std::vector<std::string>{"Do you really want to proceed?"});
}

// The worker's message waits for its answer, but never for a window that is waiting for
// the worker to end: neither before its box is shown nor while the box is up. A box not
// shown yet comes up all the same, and is answered.
TEST(MessageBoxesTest, AWorkersMessageWaitsForItsAnswerButNeverForAWindowStoppingTheWorker) {
  enum class Stop { Never, BeforeItsBoxIsShown, WhileItsBoxIsUp };
  for (const Stop when : {Stop::Never, Stop::BeforeItsBoxIsShown, Stop::WhileItsBoxIsUp}) {
    SCOPED_TRACE(static_cast<int>(when));
    QWidget owner;
    gui::MessageBoxes boxes(&owner);
    ModalScript answers;
    std::atomic<bool> returned = false;
    std::thread worker([&] {
      boxes.Inform("Error! Queue is Full.");
      returned = true;
    });
    const auto stopWorker = [&] {
      boxes.LinkWorkerStopping(true);
      worker.join();
      boxes.LinkWorkerStopping(false);
    };
    if (when == Stop::WhileItsBoxIsUp) answers.onMessage = [&](const std::string&) { stopWorker(); };
    if (when == Stop::BeforeItsBoxIsShown) {
      std::this_thread::sleep_for(20ms);
      stopWorker();
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return returned && QApplication::activeModalWidget() == nullptr; }, 2000));
    if (worker.joinable()) worker.join();
    QTest::qWait(20);
    EXPECT_EQ(answers.messages, std::vector<std::string>{"Error! Queue is Full."});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  }
}

}  // namespace
}  // namespace quillon::test
