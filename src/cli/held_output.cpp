#include "cli/held_output.h"

#include <cstdlib>
#include <stdexcept>

namespace quillon::cli {

HeldOutput::HeldOutput() : stream_(::open_memstream(&buffer_, &size_)) {
  if (stream_ == nullptr) {
    throw std::runtime_error("cannot keep the run's output");
  }
}

HeldOutput::~HeldOutput() {
  std::fclose(stream_);
  std::free(buffer_);
}

void HeldOutput::Release(std::FILE* to) const {
  std::fflush(stream_);
  std::fwrite(buffer_, 1, size_, to);
  std::fflush(to);
}

}  // namespace quillon::cli
