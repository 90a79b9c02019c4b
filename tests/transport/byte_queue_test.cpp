#include <gtest/gtest.h>

#include <mutex>

#include "operator/messages.h"
#include "support/scripted_operator.h"
#include "transport/byte_queue.h"
#include "transport/guarded_queue.h"

namespace quillon {
namespace {

TEST(ByteQueue, HoldsCapacityLessOneAndReportsFullOnlyWhenGuarded) {
  CByteQueue queue;
  std::mutex mutex;
  test::ScriptedOperator op;
  std::uint8_t byte = 0;
  EXPECT_TRUE(queue.IsEmpty());
  EXPECT_FALSE(queue.Get(byte));
  EXPECT_EQ(GuardedGet(queue, mutex, byte, op), QueueFullOrEmpty);
  EXPECT_TRUE(op.Messages().empty());

  for (int i = 0; i < 4095; ++i) {
    ASSERT_TRUE(queue.Put(static_cast<std::uint8_t>(i)));
  }
  EXPECT_TRUE(queue.IsFull());
  EXPECT_FALSE(queue.Put(0));
  EXPECT_EQ(GuardedPut(queue, mutex, 0, op), QueueFullOrEmpty);
  EXPECT_EQ(op.Messages(), std::vector<std::string>{std::string(msg::QueueFull)});
  ASSERT_TRUE(mutex.try_lock()) << "a refused put must release the mutex";
  mutex.unlock();
}

TEST(ByteQueue, KeepsOrderAcrossTheWrap) {
  CByteQueue queue;
  std::mutex mutex;
  test::ScriptedOperator op;
  std::uint8_t byte = 0;
  for (int i = 0; i < 4000; ++i) {
    ASSERT_TRUE(queue.Put(static_cast<std::uint8_t>(i)));
    ASSERT_TRUE(queue.Get(byte));
  }
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(GuardedPut(queue, mutex, static_cast<std::uint8_t>(i * 7), op), QueueDone);
  }
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(GuardedGet(queue, mutex, byte, op), QueueDone);
    EXPECT_EQ(byte, static_cast<std::uint8_t>(i * 7));
  }
  EXPECT_TRUE(queue.IsEmpty());
  ASSERT_TRUE(queue.Put(0xFF));
  ASSERT_TRUE(queue.Get(byte));
  EXPECT_EQ(byte, 0xFF);
  EXPECT_TRUE(op.Messages().empty());
}

}  // namespace
}  // namespace quillon
