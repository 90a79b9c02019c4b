#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "operator/timing.h"
#include "transport/conversation.h"
#include "transport/link_state.h"

namespace quillon {

class OperatorMessages;
class SerialPort;

// Keeps the queued link's conversation going on its own thread: answers every ready byte
// with the next queued command or the idle byte, sends the command's operands, hands its
// reply bytes to the user thread, and notices a silent or reset target as a lost link.
class LinkWorker {
 public:
  LinkWorker(LinkState& link, OperatorMessages& owner, const Timing& timing);
  ~LinkWorker();
  LinkWorker(const LinkWorker&) = delete;
  LinkWorker& operator=(const LinkWorker&) = delete;

  // Puts the link in the queued mode, creates the queues in the link state and starts the
  // thread, which holds the conversation the target leads; WorkerStarted is set.
  bool Start(SerialPort& port, const QueuedConversation& conversation);
  // Ends the thread, waits for it, then releases the queues. Nothing happens when no
  // worker was started.
  void Stop();
  // Lets the worker put every byte already queued on the line, within the limit, then
  // stops it and waits for the driver to send them: the run command must reach the
  // target whole even when the port is closed right after. A worker that has already
  // ended for a lost link sends nothing more, so there is nothing to wait for. True when
  // every queued byte went out.
  bool StopWhenSent(std::chrono::milliseconds limit);

 private:
  int Run(SerialPort& port, std::shared_ptr<LinkQueues> queues);
  int Lost();
  void NoteProgress(bool commandInFlight);

  LinkState& link_;
  OperatorMessages& owner_;
  const Timing& timing_;
  std::mutex sentMutex_;
  std::condition_variable sent_;
  bool commandInFlight_ = false;
  std::atomic<bool> ended_{false};
  SerialPort* port_ = nullptr;
  QueuedConversation conversation_;
  std::thread thread_;
};

}  // namespace quillon
