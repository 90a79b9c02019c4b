#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace quillon::cli {

// The bar of the stage at work, redrawn in place on a terminal. Each stage ends in a line
// that names it with its outcome, "Erasing: Done", which is all that goes to a stream
// nobody watches. Not locked: its operator holds its own lock around every call.
class ProgressBar {
 public:
  ProgressBar(std::FILE* out, bool interactive) : out_(out), interactive_(interactive) {}

  void Begin(int units, int unitBytes, std::string_view label);
  void Advance();
  void End(std::string_view outcome);
  // Ends a line the bar left open, so that the next text starts a line of its own.
  void CloseLine();

 private:
  void Draw(const std::string& label, int position, bool final);

  std::FILE* out_;
  bool interactive_;
  std::string stage_;
  int units_ = 0;
  int unitBytes_ = 0;
  int position_ = 0;
  std::chrono::steady_clock::time_point start_;
  bool lineOpen_ = false;
};

}  // namespace quillon::cli
