#include "cli/command_request.h"

#include <unistd.h>

#include "cli/command_table.h"

namespace quillon::cli {

namespace {

// What the log and the window's status line call the image that came down a pipe.
constexpr const char* StdinName = "stdin";

std::string FaultText(const RequestFault& fault) {
  const int index = fault.index;
  switch (fault.field) {
    case RequestField::Start:
    case RequestField::Range: {
      const std::string name = fault.field == RequestField::Start ? "--sector" : "--range";
      if (fault.entries == 0) {
        return name + " " + std::to_string(index) + " is not in the list, which is empty";
      }
      return name + " " + std::to_string(index) + " is not in the list, which has entries 0 to " +
             std::to_string(fault.entries - 1);
    }
    case RequestField::Option:
      return "OPTION " + std::to_string(index) + " is not one of 1 to " + std::to_string(fault.entries);
  }
  return {};
}

}  // namespace

CommandRequest RequestOf(const CommandEntry& entry, const CommandArguments& arguments) {
  const std::string file = arguments.file.value_or("");
  if ((entry.takes & TakesInputFile) != 0) {
    return ImageRequest{file == "-" ? StdinName : file, arguments.sector, std::nullopt};
  }
  if ((entry.takes & TakesOutputFile) != 0) {
    const bool toStdout = file == "-";
    return SaveRequest{file, arguments.sector, arguments.range, arguments.format != "bin",
                       toStdout ? std::optional<int>(STDOUT_FILENO) : std::nullopt};
  }
  if ((entry.takes & TakesOption) != 0) {
    return OptionRequest{arguments.option};
  }
  if ((entry.takes & (TakesSector | TakesRange)) != 0) {
    return RangeRequest{arguments.sector, arguments.range};
  }
  return std::monostate{};
}

void RequireListed(const CommandRequest& request, const DialogLists& lists, const std::string& command) {
  const std::optional<RequestFault> fault = std::visit(
      [&lists](const auto& given) -> std::optional<RequestFault> {
        if constexpr (std::is_same_v<std::decay_t<decltype(given)>, std::monostate>) {
          return std::nullopt;
        } else {
          return CheckRequest(given, lists);
        }
      },
      request);
  if (fault) {
    throw UsageError(FaultText(*fault), command);
  }
}

}  // namespace quillon::cli
