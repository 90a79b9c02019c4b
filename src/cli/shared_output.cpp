#include "cli/shared_output.h"

#include <stdexcept>

namespace quillon::cli {

namespace {

struct PrefixedLines {
  SharedOutput& shared;
  std::FILE* to;
  std::string prefix;
  std::string pending;

  void Flush(bool all) {
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      if (end > 0) {
        shared.Write(to, prefix + pending.substr(0, end + 1));
      }
      pending.erase(0, end + 1);
    }
    if (all && !pending.empty()) {
      shared.Write(to, prefix + pending + "\n");
      pending.clear();
    }
  }
};

ssize_t WriteLines(void* cookie, const char* data, std::size_t size) {
  auto& lines = *static_cast<PrefixedLines*>(cookie);
  lines.pending.append(data, size);
  lines.Flush(false);
  return static_cast<ssize_t>(size);
}

int CloseLines(void* cookie) {
  const std::unique_ptr<PrefixedLines> lines(static_cast<PrefixedLines*>(cookie));
  lines->Flush(true);
  return 0;
}

}  // namespace

void SharedOutput::Write(std::FILE* to, std::string_view text) {
  std::lock_guard lock(mutex_);
  std::fwrite(text.data(), 1, text.size(), to);
  std::fflush(to);
}

SharedOutput::Stream SharedOutput::Prefixed(std::FILE* to, std::string prefix) {
  auto lines = std::make_unique<PrefixedLines>(PrefixedLines{*this, to, std::move(prefix), {}});
  std::FILE* stream = ::fopencookie(lines.get(), "w", cookie_io_functions_t{nullptr, WriteLines, nullptr, CloseLines});
  if (stream == nullptr) {
    throw std::runtime_error("cannot open a stream for the port's lines");
  }
  lines.release();
  return Stream(stream, std::fclose);
}

}  // namespace quillon::cli
