#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "sim/config.h"

namespace quillon::sim {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CommandLine {
  Config config;
  bool help = false;
  bool version = false;
};

// quillon-sim's options, without the program name. Throws UsageError.
CommandLine ParseCommandLine(const std::vector<std::string>& args);
// The synopsis line, for a usage error, and the whole help that --help prints.
std::string Usage();
std::string Help();

}  // namespace quillon::sim
