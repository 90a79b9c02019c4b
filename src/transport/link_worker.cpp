#include "transport/link_worker.h"

#include <optional>
#include <system_error>

#include "operator/messages.h"
#include "operator/operator.h"
#include "transport/serial_port.h"

namespace quillon {

namespace {

using Clock = std::chrono::steady_clock;

// The worker's progress through one command: its shape, whose flags go off and whose
// operand count counts down as the command's bytes pass.
using Conversation = CommandShape;

bool Busy(const Conversation& conversation) {
  return conversation.sendOperands || conversation.receiveCount || conversation.receiveOne;
}

template <typename Mutex>
std::optional<std::unique_lock<Mutex>> Acquire(Mutex& mutex) {
  try {
    return std::unique_lock<Mutex>(mutex);
  } catch (const std::system_error&) {
    return std::nullopt;
  }
}

}  // namespace

LinkWorker::LinkWorker(LinkState& link, OperatorMessages& owner, const Timing& timing)
    : link_(link), owner_(owner), timing_(timing) {}

LinkWorker::~LinkWorker() { Stop(); }

bool LinkWorker::Start(SerialPort& port, const QueuedConversation& conversation) {
  conversation_ = conversation;
  auto queues = std::make_shared<LinkQueues>();
  link_.queues = queues;
  link_.RunFlag = true;
  // A flag left by the previous worker would refuse the detection that starts this one.
  link_.LinkLost = false;
  ended_ = false;
  port_ = &port;
  // Before the thread: a ready byte it meets at once, on a port left open by a direct
  // detection, must be answered in the queued conversation, not waited on for an echo.
  const int previousMode = link_.LinkMode.exchange(QueuedLink);
  try {
    thread_ = std::thread([this, &port, queues] {
      Run(port, queues);
      ended_ = true;
      NoteProgress(false);
    });
  } catch (const std::system_error&) {
    link_.LinkMode = previousMode;
    link_.RunFlag = false;
    link_.queues.reset();
    return false;
  }
  link_.WorkerStarted = true;
  return true;
}

void LinkWorker::Stop() {
  if (!link_.WorkerStarted) {
    return;
  }
  link_.RunFlag = false;
  if (const auto queues = link_.queues) {
    { std::lock_guard lock(queues->OperandMutex); }
    queues->BytesQueued.notify_all();
  }
  if (thread_.joinable()) {
    thread_.join();
  }
  link_.queues.reset();
  link_.WorkerStarted = false;
}

bool LinkWorker::StopWhenSent(std::chrono::milliseconds limit) {
  bool sent = false;
  if (const auto queues = link_.queues) {
    const auto deadline = Clock::now() + limit;
    const auto allSent = [&] {
      std::scoped_lock queuesLock(queues->CommandMutex, queues->OperandMutex);
      return !commandInFlight_ && queues->CommandQueue.IsEmpty() && queues->OperandQueue.IsEmpty();
    };
    std::unique_lock lock(sentMutex_);
    // A stop request comes from a signal as well, which cannot notify: it is looked at
    // between short slices.
    constexpr auto slice = std::chrono::milliseconds(50);
    while (!sent_.wait_until(lock, std::min(deadline, Clock::now() + slice), [&] { return ended_ || allSent(); }) &&
           Clock::now() < deadline && !link_.Stop.Raised()) {
    }
    sent = allSent() && !link_.LinkLost;
    lock.unlock();
    Stop();
    sent = port_->DrainOutput(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())) && sent;
  }
  Stop();
  return sent;
}

void LinkWorker::NoteProgress(bool commandInFlight) {
  {
    std::lock_guard lock(sentMutex_);
    commandInFlight_ = commandInFlight;
  }
  sent_.notify_all();
}

int LinkWorker::Lost() {
  link_.SetLinkLost();
  NoteProgress(false);
  return -1;
}

int LinkWorker::Run(SerialPort& port, std::shared_ptr<LinkQueues> queues) {
  Conversation conversation;
  std::uint8_t current = 0;
  // When the reply now awaited became due: when the command's last byte went out, then
  // each reply byte. A ready byte long after that means the target reset meanwhile.
  Clock::time_point replyDue{};
  // The ready byte that confirmed a reply has been read already and is answered next.
  bool promptTaken = false;
  // A reply has been handed over since the last command was taken: the user thread is
  // likely queuing the next one as the target's ready byte comes.
  bool replied = false;
  const std::chrono::microseconds byteTime = ByteTime(port.GetBaudRate());
  link_.LinkLost = false;
  link_.WatchdogArmed = true;

  const auto receive = [&](std::uint8_t& byte) -> bool {
    if (port.ReadByte(byte) != 1) {
      return false;
    }
    const auto now = Clock::now();
    if (byte == conversation_.ready && !link_.LinkLost && now - replyDue > timing_.replyGap) {
      return false;
    }
    replyDue = now;
    return true;
  };
  const auto deliver = [&](std::uint8_t byte) -> bool {
    auto lock = Acquire(queues->ReplyMutex);
    if (!lock) {
      return false;
    }
    if (!queues->ReplyQueue.IsFull() && !queues->ReplyQueue.Put(byte)) {
      lock->unlock();
      owner_.Inform(msg::QueueNotFullButUnwritable);
    } else {
      lock->unlock();
    }
    queues->ReplyArrived.notify_all();
    replied = true;
    return true;
  };

  for (;;) {
    if (!link_.RunFlag) {
      NoteProgress(false);
      return 0;
    }
    if (conversation.sendOperands) {
      auto lock = Acquire(queues->OperandMutex);
      if (!lock) {
        return Lost();
      }
      // The user thread may still be queuing the operands; wait for them, waking for a stop.
      if (!queues->BytesQueued.wait_for(*lock, timing_.byteWait,
                                        [&] { return !queues->OperandQueue.IsEmpty() || !link_.RunFlag; }) ||
          queues->OperandQueue.IsEmpty()) {
        continue;
      }
      const bool taken = queues->OperandQueue.Get(current);
      lock->unlock();
      if (!taken) {
        owner_.Inform(msg::QueueNotEmptyButUnreadable);
      }
      if (port.WriteByte(current) != 1) {
        return Lost();
      }
      if (--conversation.operands == 0) {
        if (conversation.countFollows) {
          conversation.operands = current;
          conversation.sendOperands = !conversation.receiveCount && current != 0;
          conversation.receiveCount = conversation.receiveCount && current != 0;
          conversation.countFollows = false;
        } else {
          conversation.sendOperands = false;
        }
        if (!conversation.sendOperands) {
          replyDue = Clock::now();
        }
        // The target leaves its boot loader: nothing is left to talk about, and a ready
        // byte that still came would tell the user thread that it stayed.
        if (!Busy(conversation) && conversation.watchdog == CommandShape::Watchdog::Disarm) {
          NoteProgress(false);
          return 0;
        }
      }
    } else if (conversation.receiveCount) {
      std::uint8_t byte = 0;
      if (!receive(byte) || link_.LinkLost) {
        return Lost();
      }
      current = byte;
      conversation.receiveCount = --conversation.operands != 0;
      if (!conversation.receiveCount && conversation.closedByReady) {
        std::uint8_t prompt = 0x00;
        if (port.ReadByte(prompt) != 1 || prompt != conversation_.ready) {
          return Lost();
        }
        promptTaken = true;
      }
      if (!deliver(byte)) {
        return Lost();
      }
    } else if (conversation.receiveOne) {
      std::uint8_t byte = 0;
      if (!receive(byte) || link_.LinkLost) {
        return Lost();
      }
      current = byte;
      conversation.receiveOne = false;
      if (!deliver(byte)) {
        return Lost();
      }
    } else {
      NoteProgress(false);
      const auto idleSince = Clock::now();
      std::uint8_t prompt = promptTaken ? conversation_.ready : 0x00;
      promptTaken = false;
      while (prompt != conversation_.ready) {
        if (link_.LinkLost) {
          return Lost();
        }
        if (!link_.RunFlag) {
          return 0;
        }
        port.ReadByte(prompt);
        // A line that has hung up sends no ready byte again: no need to wait them out.
        if (port.LineHungUp() || (prompt != conversation_.ready && Clock::now() - idleSince >= timing_.readySilence)) {
          return Lost();
        }
      }
      auto lock = Acquire(queues->CommandMutex);
      if (!lock) {
        return Lost();
      }
      if (link_.LinkLost) {
        lock->unlock();
        return Lost();
      }
      // Waiting a byte's time for that command, rather than answering idle at once, spares
      // the wait for the next ready byte: a round trip, and over a network port the
      // longest part of a queued command.
      if (replied) {
        queues->BytesQueued.wait_for(*lock, byteTime,
                                     [&] { return !queues->CommandQueue.IsEmpty() || !link_.RunFlag; });
        replied = false;
      }
      std::uint8_t command = conversation_.idle;
      bool purgeFailed = false;
      if (!queues->CommandQueue.IsEmpty()) {
        purgeFailed = !port.PurgeInput();
        if (!queues->CommandQueue.Get(command)) {
          command = conversation_.idle;
        }
      }
      lock->unlock();
      if (purgeFailed) {
        owner_.Inform(msg::PurgeFailed);
      }
      current = command;
      conversation = conversation_.ShapeOf(command);
      if (conversation.watchdog != CommandShape::Watchdog::Keep) {
        link_.LinkLost = false;
        link_.WatchdogArmed = conversation.watchdog == CommandShape::Watchdog::Arm;
      }
      NoteProgress(Busy(conversation));
      if (!link_.LinkLost && port.WriteByte(command) != 1) {
        return Lost();
      }
      replyDue = Clock::now();
    }
    if (link_.LinkLost) {
      return Lost();
    }
  }
}

}  // namespace quillon
