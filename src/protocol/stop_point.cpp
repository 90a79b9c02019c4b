#include "protocol/stop_point.h"

#include "operator/formatted.h"
#include "operator/messages.h"

namespace quillon {

namespace {

std::string WhereItStopped(const StopPoint& point) {
  using Work = StopPoint::Work;
  const auto span = [&point](const char* format) { return Formatted(format, point.at, point.first, point.last); };
  switch (point.work) {
    case Work::Erasing:
      return point.sent ? span(msg::StoppedErasingFormat) : Formatted(msg::StoppedBeforeWritingFormat, point.at);
    case Work::Programming:
      return point.sent ? span(msg::StoppedProgrammingFormat) : Formatted(msg::StoppedBeforeWritingFormat, point.at);
    case Work::Unverified: return span(msg::StoppedUnverifiedFormat);
    case Work::Configuring: return Formatted(msg::StoppedConfiguringFormat, point.at, point.last);
    case Work::ChipErasing: return std::string(msg::StoppedChipErase);
    case Work::Detecting: return std::string(msg::StoppedDetection);
    case Work::Starting: return std::string(msg::StoppedUserCode);
    case Work::Unchanged: break;
  }
  return Formatted(msg::StoppedUnchangedFormat, point.at);
}

}  // namespace

std::string StopText(const StopPoint& point) {
  std::string text = WhereItStopped(point);
  if (!point.inStep) {
    text += msg::DetectAgain;
  }
  return text;
}

}  // namespace quillon
