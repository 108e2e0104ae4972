// The varkesh tool as users run it: exit status, output format and error texts.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/test_platform.h"
#include "varkesh/algorithms.h"
#include "varkesh/version.h"

namespace varkesh::test {
namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (const char c : arg) {
    if (c == '\'') {
      quoted.append("'\\''");
    } else {
      quoted.push_back(c);
    }
  }
  quoted.push_back('\'');
  return quoted;
}

class Cli : public testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() / ("varkesh-cli-" + std::to_string(::getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }

  void TearDown() override { fs::remove_all(dir_); }

  // Runs varkesh with `args`; `input` is its standard input; VARKESH_PASS holds "secret".
  Result Run(const std::vector<std::string>& args, const std::string& input = "") {
    WriteFile(dir_ / "stdin", input);
    std::string command =
        "cd " + Quote(dir_.string()) + " && VARKESH_PASS=secret " + Quote(VARKESH_CLI);
    for (const std::string& arg : args) {
      command.push_back(' ');
      command.append(Quote(arg));
    }
    command += " <stdin >stdout 2>stderr";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir_ / "stdout"),
            ReadFile(dir_ / "stderr")};
  }

  fs::path dir_;
};

TEST_F(Cli, HashOfTextAndFilesInUppercaseHex) {
  EXPECT_EQ(Run({"hash", "-a", "md5", "--text", "abc"}).out, "900150983CD24FB0D6963F7D28E17F72\n");
  WriteFile(dir_ / "a.txt", "abc");
  const Result r = Run({"hash", "-a", "MD5", "a.txt", "-"}, "abc");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "900150983CD24FB0D6963F7D28E17F72  a.txt\n"
            "900150983CD24FB0D6963F7D28E17F72  -\n");
}

// The sums equal coreutils', in uppercase.
TEST_F(Cli, HashSumsEqualCoreutils) {
  std::string data;
  for (int i = 0; i < 100000; ++i) data += static_cast<char>(i * 7 + i / 300);
  WriteFile(dir_ / "input", data);
  for (const char* name : {"md5", "sha1", "sha256", "sha512"}) {
    const std::string tool = std::string(name) + "sum";
    const std::string command =
        "cd " + Quote(dir_.string()) + " && " + tool + " input | tr a-f A-F > expected";
    ASSERT_EQ(std::system(command.c_str()), 0) << tool;
    EXPECT_EQ(Run({"hash", "-a", name, "input"}).out, ReadFile(dir_ / "expected")) << name;
  }
}

TEST_F(Cli, MissingFileIsReportedAfterTheOthersWereHashed) {
  WriteFile(dir_ / "b.txt", "");
  const Result r = Run({"hash", "-a", "md5", "missing.txt", "b.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "D41D8CD98F00B204E9800998ECF8427E  b.txt\n");
  EXPECT_EQ(r.err, "varkesh: Cannot open file \"" + (dir_ / "missing.txt").string() +
                       "\". No such file or directory\n");
}

TEST_F(Cli, UsageErrors) {
  EXPECT_NE(Run({"hash", "-a", "whirlpool", "--text", "x"}).status, 0);
  EXPECT_EQ(Run({"hash", "-a", "whirlpool", "--text", "x"}).err,
            "varkesh: Unknown hash: whirlpool\n");
  EXPECT_NE(Run({}).status, 0);
  EXPECT_NE(
      Run({"encrypt", "-c", "enigma", "--passphrase-env", "VARKESH_PASS", "--text", "x"}).status,
      0);
  EXPECT_EQ(Run({"--version"}).out, "varkesh " VARKESH_VERSION_STRING "\n");
}

TEST_F(Cli, SelfTestAndAlgorithms) {
  const Result self = Run({"selftest"});
  EXPECT_EQ(self.status, 0) << self.out;
  EXPECT_NE(self.out.find("MD5: pass"), std::string::npos);
  const Result list = Run({"algorithms"});
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("Ripemd160"), std::string::npos);
  EXPECT_NE(list.out.find("Twofish"), std::string::npos);
}

// String and file round trips for every built cipher, with a few key hashes. The file sizes
// cross the 8192-byte chunking; the empty input is included.
TEST_F(Cli, RoundTripsForEveryCipher) {
  std::string data;
  for (int i = 0; i < 8192 * 2 + 77; ++i) data += static_cast<char>(i * 7 + i / 256);
  WriteFile(dir_ / "empty", "");
  WriteFile(dir_ / "data", data);
  for (const CipherEntry& cipher : CipherTable()) {
    for (const char* key_hash : {"md5", "sha512", "tiger"}) {
      SCOPED_TRACE(std::string(cipher.class_name) + "/" + key_hash);
      const std::vector<std::string> common = {
          "-c", std::to_string(cipher.index), "-k", key_hash, "--passphrase-env", "VARKESH_PASS"};
      auto with = [&](std::vector<std::string> head, std::vector<std::string> tail) {
        head.insert(head.end(), common.begin(), common.end());
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
      };
      const Result enc = Run(with({"encrypt"}, {"--text", "Hello, world"}));
      ASSERT_EQ(enc.status, 0) << enc.err;
      ASSERT_EQ(enc.out.size(), 16u + 1) << enc.out;  // 12 bytes -> 16 Base64 characters
      const Result dec = Run(with({"decrypt"}, {"--text", "-"}), enc.out);
      EXPECT_EQ(dec.out, "Hello, world");

      for (const char* name : {"empty", "data"}) {
        ASSERT_EQ(Run(with({"encrypt"}, {name, "enc"})).status, 0);
        EXPECT_EQ(fs::file_size(dir_ / "enc"), fs::file_size(dir_ / name));
        const Result back = Run(with({"decrypt"}, {"-"}), ReadFile(dir_ / "enc"));
        EXPECT_EQ(back.out, ReadFile(dir_ / name)) << name;
      }
    }
  }
}

TEST_F(Cli, FileErrorsLeaveNoOutputBehind) {
  const std::vector<std::string> pass = {"--passphrase-env", "VARKESH_PASS"};
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.end(), pass.begin(), pass.end());
    return Run(args);
  };
  const Result missing = run({"encrypt", "nothing", "out"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Cannot open file"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "out"));

  WriteFile(dir_ / "same", "keep me");
  const Result same = run({"encrypt", "same", "same"});
  EXPECT_EQ(same.status, 1);
  EXPECT_NE(same.err.find("Cannot create file"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_ / "same"), "keep me");

  const Result no_env = Run({"encrypt", "--passphrase-env", "UNSET_VARIABLE", "--text", "x"});
  EXPECT_EQ(no_env.status, 1);
  EXPECT_EQ(no_env.err, "varkesh: Environment variable not set: UNSET_VARIABLE\n");
}

// Texts from standard input; Base64 broken over lines, as mail and terminals break it.
TEST_F(Cli, TextsFromStandardInput) {
  EXPECT_EQ(Run({"hash", "-a", "md5", "--text", "-"}, "abc").out,
            "900150983CD24FB0D6963F7D28E17F72\n");
  const std::string plain = "A text long enough that its Base64 is broken over several lines";
  const Result enc = Run({"encrypt", "--passphrase-env", "VARKESH_PASS", "--text", plain});
  ASSERT_EQ(enc.status, 0) << enc.err;
  std::string wrapped;
  for (size_t i = 0; i < enc.out.size(); ++i) {
    wrapped += enc.out[i];
    if (i % 20 == 19)
      wrapped += i % 40 == 19 ? "\r\n" : " \t\n ";
  }
  const Result dec = Run({"decrypt", "--passphrase-env", "VARKESH_PASS", "--text", "-"}, wrapped);
  EXPECT_EQ(dec.status, 0) << dec.err;
  EXPECT_EQ(dec.out, plain);
}

TEST_F(Cli, PassPhraseFromAFileTakesItsFirstLine) {
  WriteFile(dir_ / "pass", "secret\r\nignored\n");
  const Result from_file = Run({"encrypt", "--passphrase-file", "pass", "--text", "same bytes"});
  const Result from_env =
      Run({"encrypt", "--passphrase-env", "VARKESH_PASS", "--text", "same bytes"});
  EXPECT_EQ(from_file.status, 0);
  EXPECT_EQ(from_file.out, from_env.out);
}

}  // namespace
}  // namespace varkesh::test
