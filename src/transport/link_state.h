#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "operator/stop_request.h"
#include "transport/byte_queue.h"

namespace quillon {

// Which firmware dialect is being talked to, and so how bytes travel.
enum LinkModeValue : int {
  DirectLink = 0,     // v1.1D: every byte echoed, written by the user thread
  DirectLinkExt = 1,  // v1.1E external memory: as DirectLink
  QueuedLink = 2,     // v1.1E internal memory: the link worker carries the bytes
};

// The queues between the user thread and the link worker. They exist only while a worker
// does; ReplyArrived is notified with every reply byte and when the link is lost, so the
// user thread can wait for replies without spinning.
struct LinkQueues {
  CByteQueue CommandQueue;
  CByteQueue ReplyQueue;
  CByteQueue OperandQueue;
  std::mutex CommandMutex;
  std::mutex ReplyMutex;
  std::mutex OperandMutex;
  std::condition_variable ReplyArrived;
  // Notified whenever the user thread queues a byte for the target, so the worker can
  // wait for a command's remaining operands instead of spinning.
  std::condition_variable BytesQueued;
};

// The state of one host's link to its target. One per main window, so that several
// independent hosts can live in one process (the tests run many).
struct LinkState {
  // Read by the worker through the port layer, written by the user thread.
  std::atomic<int> LinkMode{DirectLink};
  // Shared between the user thread and the worker.
  std::atomic<bool> LinkLost{false};
  std::atomic<bool> WatchdogArmed{true};
  std::atomic<bool> RunFlag{false};
  // Raised from any thread or a signal handler; every wait of an operation looks at it.
  StopRequest Stop;
  // User thread only.
  bool WorkerStarted = false;
  bool ChipReleased = false;
  bool Remap4KB = false;
  bool ReadAllBlocks = false;

  std::shared_ptr<LinkQueues> queues;

  bool Queued() const { return LinkMode.load() >= QueuedLink; }

  // Sets LinkLost and wakes a user thread waiting for a reply, which then gives up.
  void SetLinkLost() {
    LinkLost = true;
    if (const auto current = queues) {
      { std::lock_guard lock(current->ReplyMutex); }
      current->ReplyArrived.notify_all();
    }
  }
};

}  // namespace quillon
