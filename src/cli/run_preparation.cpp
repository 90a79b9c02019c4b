#include "cli/run_preparation.h"

#include "cli/command_input.h"
#include "cli/planned_target.h"
#include "cli/serial_numbering.h"
#include "ui/file_digest.h"
#include "ui/request_image.h"

namespace quillon::cli {

namespace {

// The reader's reasons, as the program's own: no board has been spoken to.
class ReasonsToStderr : public OperatorMessages {
 public:
  explicit ReasonsToStderr(std::FILE* err) : err_(err) {}
  void Inform(std::string_view text) override {
    std::fprintf(err_, "quillon-cli: %.*s\n", static_cast<int>(text.size()), text.data());
  }
  Answer Ask(std::string_view text, Buttons, Answer defaultAnswer) override {
    Inform(text);
    return defaultAnswer;
  }
  void Trace(std::string_view) override {}

 private:
  std::FILE* err_;
};

}  // namespace

bool PrepareRun(RunPlan& plan, std::FILE* err) {
  const CommandArguments& arguments = plan.options.arguments;
  const std::string command = plan.entry.name;
  plan.request = RequestOf(plan.entry, arguments);
  const PlannedTarget target = PlannedTargetOf(plan.options);
  RequireListed(plan.request, ListsOf(plan.entry.windowCommand, target.chip, target.linkMode, 0), command);
  auto* image = std::get_if<ImageRequest>(&plan.request);
  if (image == nullptr) {
    return true;
  }
  const std::string& file = *arguments.file;
  if (file == "-" && !arguments.format) {
    throw UsageError("stdin has no name to tell how to read it: give --format hex or bin", command);
  }
  const std::string bytes = ReadCommandInput(file, command);
  plan.file = file;
  plan.sha256 = Sha256Hex(bytes);
  const bool hex = arguments.format ? *arguments.format == "hex" : IsHexFileName(file);
  const StagingFile staging(plan.paths.cacheDir);
  ReasonsToStderr reasons(err);
  ImageFile read;
  if (ParseImage(bytes, hex, staging, reasons, read) != ImageDone) {
    return false;
  }
  if (plan.serials != nullptr) {
    plan.serials->RequireRoom(read, file, command);
  }
  image->image = std::move(read);
  PlannedImage planned;
  return PlanImageRequest(plan.entry.windowCommand, *image, target.chip, reasons, staging, planned) == ImageDone;
}

}  // namespace quillon::cli
