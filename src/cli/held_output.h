#pragma once

#include <cstdio>
#include <string>

namespace quillon::cli {

// A stream that keeps what a quiet run said, to be shown only if the run failed. Nobody
// watches it, so a bar drawn into it ends each stage in one line.
class HeldOutput {
 public:
  HeldOutput();
  ~HeldOutput();
  HeldOutput(const HeldOutput&) = delete;
  HeldOutput& operator=(const HeldOutput&) = delete;

  std::FILE* Stream() const { return stream_; }
  // Writes all that was kept to `to`.
  void Release(std::FILE* to) const;

 private:
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* stream_;
};

}  // namespace quillon::cli
