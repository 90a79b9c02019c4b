#include <gtest/gtest.h>
#include <unistd.h>

#include <QTest>
#include <QWidget>
#include <atomic>
#include <thread>

#include "ui/qt/single_instance.h"

namespace quillon::test {
namespace {

// A second start hands over to the running window, also while its title is replaced by
// the instruction line of a command.
TEST(SingleInstanceTest, SecondStartHandsOverWhateverTheTitle) {
  for (const bool titleReplaced : {false, true}) {
    const QString title = QStringLiteral("Quillon under test %1 %2").arg(::getpid()).arg(titleReplaced);
    QWidget window;
    window.setWindowTitle(title);
    gui::SingleInstance first(title);
    ASSERT_FALSE(first.HandOverToRunning());
    first.Serve(&window);
    if (titleReplaced)
      window.setWindowTitle(QStringLiteral("WARNING! DATA IN BLOCK 0 WILL BE ERASED. PLEASE BACK THEM UP FIRST."));
    std::atomic<int> handedOver = -1;
    std::thread second([&] { handedOver = gui::SingleInstance(title).HandOverToRunning() ? 1 : 0; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return handedOver != -1; }, 5000));
    second.join();
    EXPECT_EQ(handedOver, 1);
  }
}

}  // namespace
}  // namespace quillon::test
