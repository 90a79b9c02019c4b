#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace quillon::gui {

// The core speaks UTF-8 in standard strings, Qt in QString.
inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text) { return text.toStdString(); }

}  // namespace quillon::gui
