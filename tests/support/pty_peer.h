#pragma once

#include <termios.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillon::test {

// The far end of a pseudo-terminal for the port layer's tests: records what the host
// writes and answers each byte as told. It keeps the slave open itself so that the line
// settings the host made can be read back.
class PtyPeer {
 public:
  enum class Reply { Silent, Echo, WrongEcho };
  // The bytes to answer one received byte with.
  using Responder = std::function<std::vector<std::uint8_t>(std::uint8_t)>;

  explicit PtyPeer(Reply reply = Reply::Silent);
  explicit PtyPeer(Responder responder);
  ~PtyPeer();
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  const std::string& Path() const { return path_; }
  void Send(const std::vector<std::uint8_t>& bytes);
  std::vector<std::uint8_t> Received() const;
  bool WaitReceived(std::size_t count, std::chrono::milliseconds timeout) const;
  termios SlaveSettings() const;
  // Stops the line's output as a full transmitter would, or lets it go again.
  void HoldOutput(bool held) const;

 private:
  void Serve();

  Responder responder_;
  int master_ = -1;
  int slave_ = -1;
  int stop_ = -1;
  std::string path_;
  mutable std::mutex mutex_;
  mutable std::condition_variable received_cv_;
  std::vector<std::uint8_t> received_;
  std::thread thread_;
};

}  // namespace quillon::test
