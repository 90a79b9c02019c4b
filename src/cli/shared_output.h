#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace quillon::cli {

// The program's own output streams, shared by ports that run at once: everything goes
// out whole under one lock, so that no port's line is ever cut by another's.
class SharedOutput {
 public:
  using Stream = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

  void Write(std::FILE* to, std::string_view text);
  // Runs `use` with the streams to itself: a prompt and its reply stay together.
  template <typename Use>
  auto Exclusive(Use use) {
    std::lock_guard lock(mutex_);
    return use();
  }
  // A stream whose every line goes to `to` behind the prefix, each in one Write; a last
  // line without its newline gets one when the stream is closed. Empty lines, which
  // only space out one port's output, are left out.
  Stream Prefixed(std::FILE* to, std::string prefix);

 private:
  std::mutex mutex_;
};

}  // namespace quillon::cli
