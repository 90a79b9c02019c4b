#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quillon {

// The results log of a production line: one JSON line per board and command. Each line
// goes out in one write(2) to a file opened for appending, so that runs sharing the log,
// even at the same time, never split or mix a line.
class ResultsLog {
 public:
  // Opens, or creates, the file; none, with the reason, when it cannot be written to.
  static std::unique_ptr<ResultsLog> Open(const std::string& path, std::string& failure);
  ~ResultsLog();
  ResultsLog(const ResultsLog&) = delete;
  ResultsLog& operator=(const ResultsLog&) = delete;

  // False, with the reason, when the line did not go out whole.
  bool Append(std::string_view line, std::string& failure);
  const std::string& Path() const { return path_; }

 private:
  ResultsLog(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

  int fd_;
  std::string path_;
};

}  // namespace quillon
