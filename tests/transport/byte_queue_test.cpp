#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "operator/messages.h"
#include "support/scripted_operator.h"
#include "transport/byte_queue.h"
#include "transport/guarded_queue.h"

namespace quillon {
namespace {

TEST(ByteQueue, HoldsCapacityLessOneInOrderAcrossTheWrapAndReportsFullOnlyWhenGuarded) {
  CByteQueue queue;
  std::mutex mutex;
  test::ScriptedOperator op;
  std::uint8_t byte = 0;
  EXPECT_TRUE(!queue.Get(byte) && GuardedGet(queue, mutex, byte, op) == QueueFullOrEmpty);
  for (int i = 0; i < 4000; ++i) ASSERT_TRUE(queue.Put(static_cast<std::uint8_t>(i)) && queue.Get(byte));
  for (int i = 0; i < 4095; ++i) ASSERT_EQ(GuardedPut(queue, mutex, static_cast<std::uint8_t>(i * 7), op), QueueDone);
  EXPECT_TRUE(queue.IsFull() && !queue.Put(0));
  EXPECT_TRUE(op.Messages().empty());
  EXPECT_EQ(GuardedPut(queue, mutex, 0, op), QueueFullOrEmpty);
  EXPECT_EQ(op.Messages(), std::vector<std::string>{std::string(msg::QueueFull)});
  ASSERT_TRUE(mutex.try_lock()) << "a refused put must release the mutex";
  mutex.unlock();
  for (int i = 0; i < 4095; ++i)
    ASSERT_TRUE(GuardedGet(queue, mutex, byte, op) == QueueDone && byte == static_cast<std::uint8_t>(i * 7)) << i;
  EXPECT_TRUE(queue.IsEmpty());
}

// The user thread puts while the link worker gets: run under ThreadSanitizer, a side
// that leaves the mutex out shows as a race, and without it as bytes lost or reordered.
TEST(ByteQueue, GuardedPutAndGetOnTwoThreadsKeepEveryByteInOrder) {
  CByteQueue queue;
  std::mutex mutex;
  test::ScriptedOperator op;
  constexpr int count = 100000;
  const auto full = [&] {
    const std::lock_guard lock(mutex);
    return queue.IsFull();
  };
  std::thread producer([&] {
    for (int i = 0; i < count;) {
      if (full())
        std::this_thread::yield();
      else if (GuardedPut(queue, mutex, static_cast<std::uint8_t>(i * 7), op) == QueueDone)
        ++i;
    }
  });
  int disorder = 0;
  for (int received = 0; received < count;) {
    std::uint8_t byte = 0;
    if (GuardedGet(queue, mutex, byte, op) != QueueDone)
      std::this_thread::yield();
    else
      disorder += byte != static_cast<std::uint8_t>(received++ * 7);
  }
  producer.join();
  EXPECT_EQ(disorder, 0);
  EXPECT_TRUE(op.Messages().empty());
}

}  // namespace
}  // namespace quillon
