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
  // `environment` adds variables ("NAME=value ...", quoted for the shell).
  Result Run(const std::vector<std::string>& args,
             const std::string& input = "",
             const std::string& environment = "") {
    return RunProgram(VARKESH_CLI, args, input, environment);
  }

  // The host stand-in with the plug-in; its parameters are UTF-8, the plug-in sees code page
  // 1251. Returns the variable the action set.
  std::string RunPlugin(const std::vector<std::string>& args) {
    const Result r = RunProgram(VARKESH_HOST_TOOL, args, "", "");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const size_t at = r.out.find("\nV=");
    if (at == std::string::npos)
      return "";
    return r.out.substr(at + 3, r.out.find('\n', at + 1) - at - 3);
  }

  Result RunProgram(const std::string& program,
                    const std::vector<std::string>& args,
                    const std::string& input,
                    const std::string& environment) {
    WriteFile(dir_ / "stdin", input);
    std::string command = "cd " + Quote(dir_.string()) + " && VARKESH_PASS=secret " + environment +
                          " " + Quote(program);
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

// A mistake in the call: the message, a pointer to the help, status 2; the program is called
// by its name, not its path.
TEST_F(Cli, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };

  const std::vector<Case> cases = {
      {{"hash", "-a", "whirlpool", "--text", "x"}, "Unknown hash: whirlpool"},
      {{"hash", "-a", "3", "--text", "x"}, "Invalid hash index: 3"},
      {{"encrypt", "-c", "enigma", "--passphrase-env", "VARKESH_PASS", "--text", "x"},
       "Unknown cipher: enigma"},
      {{"decrypt", "-k", "10", "--passphrase-env", "VARKESH_PASS", "--text", "x"},
       "Invalid key hash index: 10"},
      {{"hash", "--quiet", "file"}, "--quiet requires --check"},
      {{}, "A subcommand is required"},
      {{"encrpyt", "--text", "x"}, "Unknown command: encrpyt"},
  };
  for (const Case& c : cases) {
    const Result r = Run(c.args);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_EQ(r.err, std::string("varkesh: ") + c.message + "\nTry 'varkesh --help'.\n");
  }
  const Result help = Run({"encrypt", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("\nUsage: varkesh encrypt "), std::string::npos) << help.out;
  EXPECT_EQ(Run({"--version"}).out, "varkesh " VARKESH_VERSION_STRING "\n");
  const Result host = RunProgram(VARKESH_HOST_TOOL, {"exec"}, "", "");
  EXPECT_EQ(host.status, 2);
  EXPECT_EQ(host.err, "varkesh-host: action is required\nTry 'varkesh-host --help'.\n");
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

// The host keeps pass phrases and texts in code page 1251; the tool converts its UTF-8 to the
// same bytes, so a Cyrillic pass phrase and text give the plug-in's strings and sums, and the
// decrypted text comes back as UTF-8.
TEST_F(Cli, CyrillicAgreesWithThePlugin) {
  const std::string phrase = "пароль Ёё", text = "Привет, мир! №5";
  const std::string env = "PW=" + Quote(phrase);
  const std::vector<std::string> key = {"-c", "3", "-k", "6", "--passphrase-env", "PW"};
  const auto with_key = [&](std::vector<std::string> head, const std::string& t) {
    head.insert(head.end(), key.begin(), key.end());
    head.insert(head.end(), {"--text", t});
    return head;
  };
  const std::string sealed = RunPlugin({"exec", "2", text, "V", phrase, "3", "6", "0"});
  ASSERT_FALSE(sealed.empty());
  EXPECT_EQ(Run(with_key({"encrypt"}, text), "", env).out, sealed + "\n");
  EXPECT_EQ(Run(with_key({"decrypt"}, sealed), "", env).out, text);
  const std::string ours = Run(with_key({"encrypt"}, "Ответ"), "", env).out;
  EXPECT_EQ(RunPlugin({"exec", "2", ours.substr(0, ours.size() - 1), "V", phrase, "3", "6", "1"}),
            "Ответ");

  // The hashing actions' index: 0 MD5, 1 RIPEMD-160, 2 SHA-256.
  for (const char* index : {"0", "1", "2"}) {
    EXPECT_EQ(Run({"hash", "-a", index, "--text", text}).out,
              RunPlugin({"exec", "4", text, "V", index}) + "\n")
        << index;
  }
}

// The pass phrase converts to exactly the code page's bytes, whatever its source; utf-8 (raw)
// keeps the bytes; VARKESH_CODE_PAGE sets the default.
TEST_F(Cli, CodePageOfPassPhraseAndText) {
  WriteFile(dir_ / "cp1251", "\xEF\xE0\xF0\xEE\xEB\xFC\n");  // "пароль" in code page 1251
  WriteFile(dir_ / "koi8", "\xD0\xC1\xD2\xCF\xCC\xD8\n");    // and in KOI8-R
  WriteFile(dir_ / "utf8", "пароль\n");
  const auto encrypt = [&](const std::string& file, std::vector<std::string> extra,
                           const std::string& env = "") {
    std::vector<std::string> args = {"encrypt", "--passphrase-file", file, "--text", "x"};
    args.insert(args.end(), extra.begin(), extra.end());
    const Result r = Run(args, "", env);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  };
  const std::string host_bytes = encrypt("cp1251", {"--code-page", "raw"});
  EXPECT_EQ(encrypt("utf8", {}), host_bytes);
  EXPECT_EQ(encrypt("utf8", {"--code-page", "Windows-1251"}), host_bytes);
  EXPECT_EQ(encrypt("koi8", {"--code-page", "utf-8"}), encrypt("utf8", {"--code-page", "koi8-r"}));
  EXPECT_EQ(encrypt("cp1251", {}, "VARKESH_CODE_PAGE=raw"), host_bytes);
  EXPECT_NE(encrypt("utf8", {"--code-page", "utf8"}), host_bytes);

  // Texts convert both ways; 866 puts "ж" at 0xA6.
  const Result sealed =
      Run({"encrypt", "--passphrase-env", "VARKESH_PASS", "--code-page", "866", "--text", "ж"});
  const Result raw = Run(
      {"decrypt", "--passphrase-env", "VARKESH_PASS", "--code-page", "raw", "--text", sealed.out});
  EXPECT_EQ(raw.out, "\xA6");
  EXPECT_EQ(Run({"hash", "-a", "md5", "--code-page", "866", "--text", "ж"}).out,
            Run({"hash", "-a", "md5", "--code-page", "raw", "--text", "-"}, "\xA6").out);
}

TEST_F(Cli, TextsTheCodePageCannotHoldAreRefused) {
  struct Case {
    std::vector<std::string> args;
    std::string env;
    const char* message;
  };

  const std::vector<Case> cases = {
      {{"encrypt", "--passphrase-env", "VARKESH_PASS", "--text", "Grüße"},
       "",
       "varkesh: The text: code page 1251 has no character \"ü\" (U+00FC); --code-page "
       "chooses another code page\n"},
      {{"encrypt", "--passphrase-env", "PW", "--text", "x"},
       "PW=日本",
       "varkesh: The pass phrase: code page 1251 has no character \"日\" (U+65E5); "
       "--code-page chooses another code page\n"},
      {{"decrypt", "--passphrase-env", "PW", "--text", "AAAA"},
       "PW=$(printf 'ab\\377')",
       "varkesh: The pass phrase: invalid UTF-8: byte 0xFF at offset 2; --code-page utf-8 "
       "takes the bytes as they are\n"},
      {{"hash", "--code-page", "1252", "--text", "Привет"},
       "",
       "varkesh: The text: code page 1252 has no character \"П\" (U+041F); --code-page "
       "chooses another code page\n"},
  };
  for (const Case& c : cases) {
    const Result r = Run(c.args, "", c.env);
    EXPECT_EQ(r.status, 1) << c.message;
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.out, "");
  }
  const Result unknown = Run({"hash", "--code-page", "klingon", "--text", "x"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("varkesh: Unknown code page: klingon (known: 1251 1252"),
            std::string::npos)
      << unknown.err;
}

// Sum files written by coreutils check out; a changed file, a missing one and a line that is not
// a sum fail as md5sum -c reports them. Names with a backslash or a newline are escaped both
// ways.
TEST_F(Cli, CheckReadsCoreutilsSumFiles) {
  WriteFile(dir_ / "a", "alpha");
  WriteFile(dir_ / "b", "beta");
  WriteFile(dir_ / "back\\slash", "gamma");
  WriteFile(dir_ / "new\nline", "delta");
  const auto shell = [&](const std::string& command) {
    ASSERT_EQ(std::system(("cd " + Quote(dir_.string()) + " && " + command).c_str()), 0) << command;
  };
  shell("md5sum a 'back\\slash' 'new\nline' > md5.good");
  shell("sha256sum -b a b | sed -E 's/^[0-9a-f]+/\\U&/' > sha.upper");  // '*', upper case
  shell("sed -E 's/^(\\\\?)([0-9a-f]+)/\\1\\U\\2/' md5.good > md5.upper");
  EXPECT_EQ(Run({"hash", "-a", "md5", "a", "back\\slash", "new\nline"}).out,
            ReadFile(dir_ / "md5.upper"));

  Result r = Run({"hash", "-a", "md5", "--check", "md5.good"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "a: OK\nback\\slash: OK\n\\new\\nline: OK\n");
  r = Run({"hash", "--check", "-"}, ReadFile(dir_ / "sha.upper"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "a: OK\nb: OK\n");

  // b changes, c never existed, and one line is not a sum line.
  shell("md5sum a b > bad && md5sum b | sed s/b$/c/ >> bad && echo nonsense >> bad");
  WriteFile(dir_ / "b", "BETA");
  r = Run({"hash", "-a", "0", "--check", "bad"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "a: OK\nb: FAILED\nc: FAILED open or read\n");
  EXPECT_EQ(r.err, "varkesh: Cannot open file \"" + (dir_ / "c").string() +
                       "\". No such file or directory\n"
                       "varkesh: WARNING: 1 line is improperly formatted\n"
                       "varkesh: WARNING: 1 listed file could not be read\n"
                       "varkesh: WARNING: 1 computed checksum did NOT match\n");
  r = Run({"hash", "-a", "md5", "--check", "bad", "--quiet", "--ignore-missing"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "b: FAILED\n");
  r = Run({"hash", "-a", "md5", "--check", "bad", "--status"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");

  // Only a line that is not a sum: passes, unless strict.
  shell("md5sum a > loose && echo nonsense >> loose");
  EXPECT_EQ(Run({"hash", "-a", "md5", "--check", "loose", "--quiet"}).status, 0);
  EXPECT_EQ(Run({"hash", "-a", "md5", "--check", "loose", "--strict"}).status, 1);
  shell("md5sum a | sed s/a$/gone/ > missing");
  r = Run({"hash", "-a", "md5", "--check", "missing", "--ignore-missing"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "varkesh: missing: no file was verified\n");
  // SHA-256 sums are not MD5 sums.
  r = Run({"hash", "-a", "md5", "--check", "sha.upper"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "varkesh: sha.upper: no properly formatted checksum lines found\n");
}

}  // namespace
}  // namespace varkesh::test
