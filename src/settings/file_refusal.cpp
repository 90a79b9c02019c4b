#include "settings/file_refusal.h"

#include <string>

#include "operator/messages.h"

namespace quillon {

namespace {

class RefusalCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "quillon-file"; }
  std::string message(int value) const override {
    switch (static_cast<FileRefusal>(value)) {
      case FileRefusal::NotRegular: return std::string(msg::NotRegularFile);
      case FileRefusal::NoReader: return std::string(msg::NothingReadsFromIt);
      case FileRefusal::Stalled: return std::string(msg::StoppedTakingBytes);
    }
    return "unknown";
  }
};

}  // namespace

std::error_code MakeRefusal(FileRefusal refusal) {
  static const RefusalCategory category;
  return {static_cast<int>(refusal), category};
}

}  // namespace quillon
