#include "cli/port_list.h"

#include <glob.h>

#include <algorithm>
#include <memory>

namespace quillon::cli {

namespace {

std::vector<std::string> Matches(const std::string& pattern) {
  glob_t found{};
  const std::unique_ptr<glob_t, void (*)(glob_t*)> release(&found, globfree);
  if (::glob(pattern.c_str(), GLOB_ERR, nullptr, &found) != 0) {
    throw UsageError("--ports " + pattern + " matches no device");
  }
  return {found.gl_pathv, found.gl_pathv + found.gl_pathc};
}

}  // namespace

std::vector<std::string> GatherPorts(const GlobalOptions& options) {
  std::vector<std::string> ports;
  const auto add = [&](const std::string& port) {
    if (std::find(ports.begin(), ports.end(), port) == ports.end()) {
      ports.push_back(port);
    }
  };
  std::for_each(options.ports.begin(), options.ports.end(), add);
  for (const std::string& pattern : options.portPatterns) {
    for (const std::string& port : Matches(pattern)) {
      add(port);
    }
  }
  return ports;
}

}  // namespace quillon::cli
