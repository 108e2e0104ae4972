// The progress bar's line: what it shows and that it fits the terminal.
#include "cli/progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace varkesh::cli {
namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;

size_t Columns(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

TEST(Progress, ShowsShareRateAndTimeLeft) {
  EXPECT_EQ(ProgressLine("photo.raw", 0, 100 * kMiB, 0.1, 80),
            "photo.raw [                                       ]   0%");
  EXPECT_EQ(ProgressLine("in", 50 * kMiB, 100 * kMiB, 2.0, 80),
            "in [####################                    ]  50%  25.0 MiB/s  0:02 left");
  EXPECT_EQ(ProgressLine("", 400 * kMiB, 4000 * kMiB, 400.0, 80),
            "[####                                    ]  10%  1.0 MiB/s  1:00:00 left");
  EXPECT_EQ(ProgressLine("done", 3 * kMiB, 3 * kMiB, 3.0, 80),
            "done [########################################] 100%  1.0 MiB/s");
}

TEST(Progress, FitsTheTerminal) {
  const std::string long_name = std::string(150, 'x') + "/report.pdf";
  for (const size_t width : {120u, 80u, 60u, 40u, 24u, 12u}) {
    SCOPED_TRACE(width);
    for (const std::string& label : {long_name, std::string("отчёт-за-год-") + long_name}) {
      const std::string line = ProgressLine(label, 7 * kMiB, 10 * kMiB, 5.0, width);
      EXPECT_LE(Columns(line), width - 1) << line;
      EXPECT_NE(line.find("70%"), std::string::npos) << line;
      if (width >= 60) {
        EXPECT_EQ(line.substr(0, 3), "...") << line;
        EXPECT_NE(line.find("report.pdf ["), std::string::npos) << line;
      }
    }
  }
}

TEST(Progress, KeepsItsColumnsFromFirstFrameToLast) {
  // Before the rate settles, while it runs, and in the last frame without the time left.
  const std::string label = std::string(100, 'x') + "/report.pdf";
  for (const size_t width : {120u, 80u, 50u}) {
    SCOPED_TRACE(width);
    const std::string first = ProgressLine(label, 0, 10 * kMiB, 0.1, width);
    for (const std::string& line : {ProgressLine(label, 7 * kMiB, 10 * kMiB, 5.0, width),
                                    ProgressLine(label, 10 * kMiB, 10 * kMiB, 7.0, width)}) {
      EXPECT_EQ(line.find(']'), first.find(']')) << first << "\n" << line;
      EXPECT_EQ(line.substr(0, line.find('[')), first.substr(0, first.find('[')));
    }
  }
}

}  // namespace
}  // namespace varkesh::cli
