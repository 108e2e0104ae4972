// Output files written through a temporary file beside them: names already taken by a user's
// file or link are passed over, never written through.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "tests/test_platform.h"

namespace varkesh::test {
namespace {

namespace fs = std::filesystem;
using platform::OutputFile;
using platform::Sharing;

class OutputFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() / ("varkesh-output-" + std::to_string(ProcessId()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }

  void TearDown() override {
    platform::SetTemporarySuffixesForTesting({});
    fs::remove_all(dir_);
  }

  static void Write(OutputFile& out, const std::string& data) {
    out.Write(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
};

TEST_F(OutputFiles, TakenTemporaryNamesAreLeftAlone) {
  WriteFile(dir_ / ".out.varkesh-aaaaaaaa", "a user's file");
  WriteFile(dir_ / "precious", "precious");
  std::vector<std::string> expected = {".out.varkesh-aaaaaaaa", "out", "precious"};
  std::error_code no_links;
  fs::create_symlink("precious", dir_ / ".out.varkesh-bbbbbbbb", no_links);
  if (!no_links)
    expected.insert(expected.begin() + 1, ".out.varkesh-bbbbbbbb");
  platform::SetTemporarySuffixesForTesting({"aaaaaaaa", "bbbbbbbb", "cccccccc"});
  WriteFile(dir_ / "out", "old");
  {
    OutputFile out = OutputFile::Create((dir_ / "out").string(), Sharing::kReaders);
    Write(out, "new");
    out.Commit();
  }
  EXPECT_EQ(ReadFile(dir_ / "out"), "new");
  EXPECT_EQ(ReadFile(dir_ / ".out.varkesh-aaaaaaaa"), "a user's file");
  EXPECT_EQ(ReadFile(dir_ / "precious"), "precious");
  EXPECT_EQ(Names(), expected);
}

TEST_F(OutputFiles, AnOutputNotCommittedLeavesTheOldFile) {
  WriteFile(dir_ / "out", "old");
  {
    OutputFile out = OutputFile::Create((dir_ / "out").string(), Sharing::kNothing);
    Write(out, "half of the new contents");
  }
  EXPECT_EQ(ReadFile(dir_ / "out"), "old");
  EXPECT_EQ(Names(), std::vector<std::string>{"out"});
}

}  // namespace
}  // namespace varkesh::test
