#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace quillon::cli {

// A file holding the next serial number to hand out, shared by every run on every host
// that reaches it. A number is taken under an exclusive lock on FILE.lock and the file
// replaced whole before the lock is let go, so no two boards are ever given the same
// number, and a crash leaves the old count or the new one. A number taken is spent,
// whatever the board then does with it.
class SerialCounter {
 public:
  // start is the first number when the file does not exist yet.
  SerialCounter(std::string path, std::uint64_t start) : path_(std::move(path)), start_(start) {}

  // The next number, no greater than most; nothing, with the reason, when the file cannot
  // be read or written, holds no number, the lock is not had within the bound, or the
  // numbers that fit have all been handed out.
  std::optional<std::uint64_t> Take(std::uint64_t most, std::string& failure) const;

  const std::string& Path() const { return path_; }

  static constexpr std::chrono::seconds LockBound{10};

 private:
  std::string path_;
  std::uint64_t start_;
};

}  // namespace quillon::cli
