#include "settings/setting_values.h"

#include <sstream>
#include <system_error>

#include "settings/atomic_file.h"
#include "settings/regular_file.h"

namespace quillon {

namespace {

constexpr std::size_t LongTextLength = 32;
constexpr std::size_t CutTextLength = 30;
// Far more than a few values take; anything longer is not the file this program keeps.
constexpr std::size_t LargestFile = 64 * 1024;

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// What would not read back the same from the line format is refused rather than mangled.
bool Storable(std::string_view name, std::string_view text) {
  return !name.empty() && Trimmed(name) == name && name.find_first_of("=\n") == std::string_view::npos &&
         Trimmed(text) == text && text.find('\n') == std::string_view::npos;
}

}  // namespace

std::optional<SettingValues::Values> SettingValues::Load(std::error_code& error) const {
  std::string text;
  error = ReadRegularFile(file_, LargestFile, text);
  if (error == std::errc::no_such_file_or_directory) {
    error.clear();
    return Values{};
  }
  if (error) {
    return std::nullopt;
  }
  Values values;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) {
      const std::string_view view = line;
      values[std::string(Trimmed(view.substr(0, equals)))] = std::string(Trimmed(view.substr(equals + 1)));
    }
  }
  return values;
}

std::optional<std::string> SettingValues::Read(std::string_view name) const {
  std::error_code ignored;
  const std::optional<Values> values = Load(ignored);
  if (!values) {
    return std::nullopt;
  }
  const auto found = values->find(name);
  return found == values->end() ? std::nullopt : std::optional<std::string>(found->second);
}

std::error_code SettingValues::WriteSettingValue(std::string_view name, std::string_view text) {
  const std::string_view stored = text.size() >= LongTextLength ? text.substr(0, CutTextLength) : text;
  return Write({{std::string(name), std::string(stored)}});
}

std::error_code SettingValues::Write(const Values& changes) {
  for (const auto& [name, text] : changes) {
    if (!Storable(name, text)) {
      return std::make_error_code(std::errc::invalid_argument);
    }
  }
  if (const std::error_code error = EnsurePrivateDirectory(file_.parent_path())) {
    return error;
  }
  std::error_code error;
  std::optional<Values> values = Load(error);
  if (!values) {
    return error;
  }
  for (const auto& [name, text] : changes) {
    (*values)[name] = text;
  }
  std::ostringstream lines;
  for (const auto& [name, text] : *values) {
    lines << name << '=' << text << '\n';
  }
  return WriteFileAtomically(file_, lines.str());
}

}  // namespace quillon
