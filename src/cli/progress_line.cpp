#include "cli/progress_line.h"

#include <algorithm>
#include <cstdio>

namespace quillon::cli {

namespace {

// Wide enough to read at a glance, narrow enough that the figures still fit 80 columns.
constexpr int BarWidth = 40;
constexpr int BarWidthWithFigures = 20;
constexpr double KiB = 1024.0;
// Below this the rate says more about start-up than about the line.
constexpr double SettledSeconds = 0.2;

std::string Format(const char* format, auto... values) {
  char text[64];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

std::string Amount(double bytes, bool inKiB) { return inKiB ? Format("%.1f", bytes / KiB) : Format("%.0f", bytes); }

std::string Clock(double seconds) {
  const auto whole = static_cast<long>(seconds + 0.5);
  return Format("%ld:%02ld", whole / 60, whole % 60);
}

std::string Figures(const ProgressSnapshot& snapshot, int position) {
  const double total = static_cast<double>(snapshot.units) * snapshot.unitBytes;
  const double done = static_cast<double>(position) * snapshot.unitBytes;
  const bool inKiB = total >= KiB;
  const double seconds = std::chrono::duration<double>(snapshot.elapsed).count();
  std::string figures = "  " + Amount(done, inKiB) + "/" + Amount(total, inKiB) + (inKiB ? " KiB" : " B");
  if (seconds < SettledSeconds || done <= 0) {
    return figures + (snapshot.ended ? "  " + Clock(seconds) : "  --:-- left");
  }
  const double rate = done / seconds;
  figures += "  " + Amount(rate, rate >= KiB) + (rate >= KiB ? " KiB/s" : " B/s");
  return figures + "  " + (snapshot.ended ? Clock(seconds) : Clock((total - done) / rate) + " left");
}

}  // namespace

std::string ProgressLine(const ProgressSnapshot& snapshot) {
  const int units = std::max(snapshot.units, 1);
  const int position = std::clamp(snapshot.position, 0, units);
  const bool withFigures = snapshot.unitBytes > 0 && snapshot.units > 0;
  const int width = withFigures ? BarWidthWithFigures : BarWidth;
  const auto filled = static_cast<std::size_t>(position * width / units);
  std::string label = snapshot.label;
  label.resize(std::max<std::size_t>(label.size(), 9), ' ');
  std::string line = "\r" + label + " [" + std::string(filled, '#') +
                     std::string(static_cast<std::size_t>(width) - filled, ' ') +
                     Format("] %3d%%", position * 100 / units);
  if (withFigures) {
    line += Figures(snapshot, position);
  }
  // Whatever a longer line before left standing goes.
  return line + "\x1b[K";
}

}  // namespace quillon::cli
