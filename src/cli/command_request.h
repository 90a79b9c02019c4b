#pragma once

#include <string>
#include <variant>

#include "cli/cli_options.h"
#include "ui/command_request.h"
#include "ui/request_check.h"

namespace quillon::cli {

struct CommandEntry;

// What a command works on, as the window's dialog would have handed it over; nothing
// for the commands that have no dialog.
using CommandRequest = std::variant<std::monostate, ImageRequest, RangeRequest, SaveRequest, OptionRequest>;

// The request the command's words make. The image is not read yet; "-" reads stdin, or
// writes stdout for a save.
CommandRequest RequestOf(const CommandEntry& entry, const CommandArguments& arguments);

// A UsageError of the command naming the first index that its list does not hold.
void RequireListed(const CommandRequest& request, const DialogLists& lists, const std::string& command);

}  // namespace quillon::cli
