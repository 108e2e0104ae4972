#include "cli/progress.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace varkesh::cli {

size_t Columns(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

namespace {

constexpr double kSettleSeconds = 0.5;  // rates over shorter spans mislead
constexpr size_t kMinBar = 10;
constexpr size_t kMaxBar = 40;
constexpr std::string_view kTypicalTail = " 100%  25.0 MiB/s  0:00 left";

// The end of `text` in at most `columns` columns, "..." in front when cut.
std::string Tail(const std::string& text, size_t columns) {
  if (Columns(text) <= columns)
    return text;
  if (columns <= 3)
    return "";
  size_t start = text.size();
  for (size_t kept = 0; kept < columns - 3;) {
    --start;
    if ((text[start] & 0xC0) != 0x80)
      ++kept;
  }
  std::string cut = "...";
  return cut.append(text, start);
}

std::string Rate(double bytes_per_second) {
  static constexpr const char* kUnits[] = {"B/s", "KiB/s", "MiB/s", "GiB/s", "TiB/s"};
  size_t unit = 0;
  while (bytes_per_second >= 1024 && unit + 1 < std::size(kUnits)) {
    bytes_per_second /= 1024;
    ++unit;
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f %s", bytes_per_second, kUnits[unit]);
  return buffer;
}

std::string Duration(double seconds) {
  const auto total = static_cast<uint64_t>(std::min(seconds, 359999.0) + 0.5);
  char buffer[32];
  if (total >= 3600) {
    std::snprintf(buffer, sizeof buffer, "%u:%02u:%02u", static_cast<unsigned>(total / 3600),
                  static_cast<unsigned>(total / 60 % 60), static_cast<unsigned>(total % 60));
  } else {
    std::snprintf(buffer, sizeof buffer, "%u:%02u", static_cast<unsigned>(total / 60),
                  static_cast<unsigned>(total % 60));
  }
  return buffer;
}

}  // namespace

std::string ProgressLine(
    const std::string& label, uint64_t done, uint64_t size, double seconds, size_t width) {
  const double fraction =
      size == 0 ? 1.0 : std::min(1.0, static_cast<double>(done) / static_cast<double>(size));
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
  std::string tail = std::string(" ") + percent;
  if (seconds >= kSettleSeconds && done > 0) {
    const double rate = static_cast<double>(done) / seconds;
    tail.append("  ").append(Rate(rate));
    if (done < size)
      tail.append("  ").append(Duration(static_cast<double>(size - done) / rate)).append(" left");
  }
  // The label and the bar keep their columns from the first frame to the last: the tail is laid
  // out as if it held a typical rate and time left, which come after the first half second and
  // go in the last frame.
  const size_t room = width > 1 ? width - 1 : 0;
  size_t tail_columns = std::max(tail.size(), kTypicalTail.size());
  if (room < tail_columns + 2 + kMinBar) {
    tail = std::string(" ") + percent;  // a narrow terminal: the bar and the percentage only
    tail_columns = tail.size();
  }
  const size_t available = room > tail_columns + 2 ? room - tail_columns - 2 : 0;
  // The label takes what the bar can spare; the bar the rest, up to a comfortable length.
  std::string shown_label;
  if (available > kMinBar + 4)
    shown_label = Tail(label, std::min(Columns(label), available - kMinBar - 1));
  const size_t label_columns = shown_label.empty() ? 0 : Columns(shown_label) + 1;
  const size_t bar = std::min(available - label_columns, kMaxBar);
  const auto filled = static_cast<size_t>(fraction * static_cast<double>(bar));
  std::string line = shown_label;
  if (!line.empty())
    line += ' ';
  line.append(1, '[').append(filled, '#').append(bar - filled, ' ').append(1, ']').append(tail);
  return line;
}

}  // namespace varkesh::cli
