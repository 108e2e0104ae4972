// The plug-in through its real exports, loaded by the host stand-in: identification,
// registration, routing, and every outcome of the four actions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/host.h"
#include "hostlink/host_text.h"
#include "tests/test_platform.h"
#include "varkesh/algorithms.h"

namespace varkesh::test {
namespace {

namespace fs = std::filesystem;
using host::Host;
using host::Outcome;
using Params = std::vector<std::optional<std::string>>;

// Every byte value but 0, which would end a host text.
std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + i / 251) % 255 + 1);
  return s;
}

#ifdef _WIN32
// An error's message as its box shows it, in UTF-8: the host text read in the system's code
// page (1251 in the tests), and the integer rule's accented letter as the letter.
std::string BoxText(std::string error) {
  constexpr std::string_view kAccented = "v\xE1lido";
  const bool conversion = error.ends_with(kAccented);
  if (conversion)
    error.resize(error.size() - kAccented.size());
  return FromHostText(error) + (conversion ? "válido" : "");
}
#endif

class Plugin : public testing::Test {
 protected:
  void SetUp() override {
    host_.Identify();
    host_.Register();
    dir_ =
        fs::temp_directory_path() / ("varkesh-plugin-" + std::to_string(ProcessId()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }

  void TearDown() override {
    fs::remove_all(dir_);
    EXPECT_EQ(host_.heap().foreign_frees, 0);
    EXPECT_EQ(host_.heap().foreign_blocks, 0);
    EXPECT_EQ(host_.heap().unfreed, 0);
  }

  std::string Path(const char* name) const { return (dir_ / name).string(); }

  // Runs an action. An error reaches the author once: in an error box on Windows (none
  // elsewhere), and always through VarkeshLastError.
  Outcome Exec(int action, Params params) {
    Outcome o = host_.Exec(action, params);
#ifdef _WIN32
    EXPECT_EQ(o.message_boxes, o.error.empty() ? std::vector<std::string>{}
                                               : std::vector<std::string>{BoxText(o.error)});
#else
    EXPECT_TRUE(o.message_boxes.empty());
#endif
    return o;
  }

  std::string EncryptText(const std::string& text, int cipher, int key_hash) {
    const Outcome o =
        Exec(2, {text, "V", "secret", std::to_string(cipher), std::to_string(key_hash), "0"});
    EXPECT_TRUE(o.result) << o.error;
    return o.variables.empty() ? "" : o.variables[0].second;
  }

  Host host_{VARKESH_PLUGIN};
  fs::path dir_;
};

// ---------------------------------------------------------------------------------------------
// Identification and registration

TEST_F(Plugin, IdentificationFillsNullAndPrefilledSlots) {
  const std::array<std::string, 3> expected = {
      "Varkesh", "Brannoc", ToHostText("Шифрование, Хеширование файлов и строк.")};
  EXPECT_EQ(host_.Identify(), expected);
  EXPECT_EQ(host_.Identify({"old name", "old author", "old description"}), expected);
  EXPECT_EQ(host_.heap().unfreed, 0);  // the old blocks were freed
}

TEST_F(Plugin, RegistrationIsEightCallsInCatalogueOrder) {
  struct Row {
    int id;
    const char* name;  // UTF-8
    const char* hint;
    std::vector<uint8_t> kinds;
  };

  const Row rows[] = {
      {0, "Шифрование файла", "", {0}},
      {1, "OruFileCipher", "Шифровать/Дешифровать указанный файл.", {1, 1, 1, 1, 1, 1}},
      {0, "Шифрование строки", "", {0}},
      {2, "OruStringCipher", "Шифровать/Дешифровать строку.", {1, 6, 1, 1, 1, 1}},
      {0, "Хеширование файла", "", {0}},
      {3, "OruFileHashing", "Получить хеш-сумму указанного файла.", {1, 6, 1}},
      {0, "Хеширование строки", "", {0}},
      {4, "OruStringHashing", "Получить хеш-сумму строки.", {1, 6, 1}},
  };
  const auto& got = host_.registrations();
  ASSERT_EQ(got.size(), std::size(rows));
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].id, rows[i].id) << i;
    EXPECT_EQ(got[i].name, ToHostText(rows[i].name)) << i;
    EXPECT_EQ(got[i].hint, ToHostText(rows[i].hint)) << i;
    EXPECT_EQ(got[i].kinds, rows[i].kinds) << i;
    const auto count = static_cast<int32_t>(rows[i].id == 0 ? 0 : rows[i].kinds.size());
    EXPECT_EQ(got[i].count, count) << i;
    EXPECT_EQ(got[i].last_index, static_cast<int32_t>(rows[i].kinds.size()) - 1) << i;
  }
  EXPECT_EQ(host_.other_callback_calls(), 0);
}

TEST_F(Plugin, MessageScriptProcessorAndAboutDoNothingVisible) {
  host_.Message(1, 2, 3);
  host_.ScriptProcessor(42);
  host_.About();
  EXPECT_EQ(host_.LastError(), "");
}

TEST_F(Plugin, ActionNumbersOutsideOneToFourAreFalseAndTouchNothing) {
  for (const int action : {0, 5, -1}) {
    for (const bool edit : {false, true}) {
      const Params params = {"a", "b", "c", "d", "e", "f"};
      const Outcome o = edit ? host_.Edit(action, params) : host_.Exec(action, params);
      EXPECT_FALSE(o.result) << action;
      EXPECT_EQ(o.replaced_slots, 0) << action;
      EXPECT_EQ(o.error, "") << action;
    }
  }
}

TEST_F(Plugin, ExecNeverWritesTheParameterArray) {
  const Outcome o = Exec(4, {"abc", "V", "0"});
  EXPECT_TRUE(o.result);
  EXPECT_EQ(o.replaced_slots, 0);
  EXPECT_EQ(o.parameters, (Params{"abc", "V", "0"}));
}

// ---------------------------------------------------------------------------------------------
// Hashing actions

TEST_F(Plugin, StringHashingGivesUppercaseHex) {
  struct Case {
    std::optional<std::string> text;
    const char* index;
    const char* sum;
  };

  for (const Case& c : {Case{"", "0", "D41D8CD98F00B204E9800998ECF8427E"},
                        Case{std::nullopt, "0", "D41D8CD98F00B204E9800998ECF8427E"},
                        Case{"abc", "$0", "900150983CD24FB0D6963F7D28E17F72"},
                        Case{"ABC", "0", "902FBDD2B1DF0C4F70B4A5D23525E932"}}) {
    const Outcome o = Exec(4, {c.text, "Sum", c.index});
    ASSERT_TRUE(o.result) << o.error;
    ASSERT_EQ(o.variables.size(), 1u);
    EXPECT_EQ(o.variables[0], (std::pair<std::string, std::string>{"Sum", c.sum}));
  }
}

TEST_F(Plugin, FileHashingEqualsTextHashing) {
  WriteFile(Path("empty"), "");
  WriteFile(Path("data"), Pattern(20000));
  for (const char* index : {"0", "1", "2"}) {
    for (const char* name : {"empty", "data"}) {
      const Outcome file = Exec(3, {Path(name), "V", index});
      const Outcome text = Exec(4, {ReadFile(Path(name)), "V", index});
      ASSERT_TRUE(file.result) << file.error;
      EXPECT_EQ(file.variables, text.variables) << name << " " << index;
    }
  }
}

TEST_F(Plugin, HashingFailures) {
  struct Case {
    int action;
    Params params;
    std::string error;
  };

  const std::string missing = Path("missing");
  const std::string not_found = SystemText(SystemError::kFileNotFound);
  fs::create_directory(Path("folder"));
  const Case cases[] = {
      {3, {missing, "V", "0"}, "Cannot open file \"" + missing + "\". " + not_found},
      // the file is opened before the index is read
      {3, {missing, "V", "zero"}, "Cannot open file \"" + missing + "\". " + not_found},
      {3,
       {Path("folder"), "V", "0"},
       "Cannot open file \"" + Path("folder") + "\". " + SystemText(SystemError::kIsDirectory)},
      {4, {"x", "V", "zero"}, "'zero' no es un valor entero v\xE1lido"},
      {4, {"x", "V", ""}, "'' no es un valor entero v\xE1lido"},
      {4, {"x", "V", "3"}, "Invalid hash index: 3"},
      {4, {"x", "V", "-1"}, "Invalid hash index: -1"},
  };
  for (const Case& c : cases) {
    const Outcome o = Exec(c.action, c.params);
    EXPECT_FALSE(o.result) << c.error;
    EXPECT_EQ(o.error, c.error);
    EXPECT_TRUE(o.variables.empty()) << c.error;
  }
}

TEST_F(Plugin, AFileInUseCannotBeHashedOrEncrypted) {
  WriteFile(Path("busy"), "data");
  {
    const HeldOpen held(Path("busy"));
    ASSERT_TRUE(held.ok());
    const std::string error =
        "Cannot open file \"" + Path("busy") + "\". " + SystemText(SystemError::kInUse);
    EXPECT_EQ(Exec(3, {Path("busy"), "V", "0"}).error, error);
    EXPECT_EQ(Exec(1, {Path("busy"), Path("out"), "pw", "0", "2", "0"}).error, error);
  }
  EXPECT_TRUE(Exec(3, {Path("busy"), "V", "0"}).result);
}

// The host always passes as many texts as the action registered; the stand-in completes a
// shorter list with empty ones, which the plug-in reads as such.
TEST_F(Plugin, AShortParameterListIsCompletedWithEmptyTexts) {
  WriteFile(Path("plain"), "data");
  for (const auto& [action, params] :
       {std::pair{4, Params{"abc"}}, std::pair{1, Params{Path("plain")}}}) {
    const Outcome o = Exec(action, params);
    EXPECT_FALSE(o.result) << action;
    EXPECT_EQ(o.error, "'' no es un valor entero v\xE1lido") << action;
  }
  EXPECT_EQ(ReadFile(Path("plain")), "data");
}

TEST_F(Plugin, MissingVariableCallbackIsAnError) {
  host_.Register(false);
  const Outcome o = Exec(4, {"x", "V", "0"});
  EXPECT_FALSE(o.result);
  EXPECT_EQ(o.error, "Host variable callback is not registered");
}

// ---------------------------------------------------------------------------------------------
// Cipher actions

using PluginCipher = Plugin;

TEST_F(PluginCipher, StringRoundTripAndItsRules) {
  const std::string base64 = EncryptText("Hello", 0, 2);
  EXPECT_EQ(base64.size(), 8u);
  EXPECT_EQ(EncryptText("Hello", 0, 2), base64);  // deterministic: the IV comes from the key
  for (const char* direction : {"1", "-1", "7", "$FF"}) {
    const Outcome o = Exec(2, {base64, "Plain", "secret", "0", "2", direction});
    EXPECT_EQ(o.variables.at(0).second, "Hello") << direction;
  }
  EXPECT_EQ(EncryptText("", 0, 2), "");
  const Outcome empty = Exec(2, {"", "V", "secret", "0", "2", "1"});
  EXPECT_TRUE(empty.result);
  EXPECT_EQ(empty.variables.at(0).second, "");
  // A wrong pass phrase is no error, only other bytes.
  const Outcome wrong = Exec(2, {base64, "V", "Secret", "0", "2", "1"});
  EXPECT_TRUE(wrong.result);
  EXPECT_NE(wrong.variables.at(0).second, "Hello");
}

TEST_F(PluginCipher, ADecryptedZeroByteCutsTheValue) {
  const std::string base64 = EncryptText(std::string("ab\0cd", 5), 0, 2);
  const Outcome o = Exec(2, {base64, "V", "secret", "0", "2", "1"});
  EXPECT_EQ(o.variables.at(0).second, "ab");
}

TEST_F(PluginCipher, FileRoundTripsKeepTheLength) {
  for (const size_t size : {size_t{0}, size_t{5}, size_t{8192}, size_t{8192 * 3 + 13}}) {
    const std::string data = Pattern(size);
    WriteFile(Path("plain"), data);
    ASSERT_TRUE(Exec(1, {Path("plain"), Path("enc"), "pw", "0", "2", "0"}).result);
    EXPECT_EQ(fs::file_size(Path("enc")), size);
    if (size >= 16) {
      EXPECT_NE(ReadFile(Path("enc")), data);
    }
    WriteFile(Path("back"), "previous contents are replaced");
    ASSERT_TRUE(Exec(1, {Path("enc"), Path("back"), "pw", "0", "2", "1"}).result);
    EXPECT_EQ(ReadFile(Path("back")), data) << size;
  }
}

TEST_F(PluginCipher, FileFailures) {
  WriteFile(Path("plain"), "some data");
  const std::string not_int = "' 1' no es un valor entero v\xE1lido";

  struct Case {
    Params params;
    bool result;
    std::string error;
  };

  const std::string bad_dir = (dir_ / "no" / "such" / "out").string();
  fs::create_directory(Path("folder"));
  const Case cases[] = {
      // a missing source is no error, and nothing is created
      {{Path("missing"), Path("out"), "pw", "0", "2", "0"}, false, ""},
      {{Path("missing"), Path("out"), "pw", "x", "y", "z"}, false, ""},
      {{Path("folder"), Path("out"), "pw", "0", "2", "0"}, false, ""},  // a directory
      // numbers in order: cipher index, key-hash index, direction
      {{Path("plain"), Path("out"), "pw", "x", "y", "z"},
       false,
       "'x' no es un valor entero v\xE1lido"},
      {{Path("plain"), Path("out"), "pw", "0", "y", "z"},
       false,
       "'y' no es un valor entero v\xE1lido"},
      {{Path("plain"), Path("out"), "pw", "0", "2", "z"},
       false,
       "'z' no es un valor entero v\xE1lido"},
      {{Path("plain"), Path("out"), "pw", "19", "2", "0"}, false, "Invalid cipher index: 19"},
      {{Path("plain"), Path("out"), "pw", "0", "10", "0"}, false, "Invalid key hash index: 10"},
      {{Path("plain"), bad_dir, "pw", "0", "2", "0"},
       false,
       "Cannot create file \"" + bad_dir + "\". " + SystemText(SystemError::kPathNotFound)},
  };
  for (const Case& c : cases) {
    const Outcome o = Exec(1, c.params);
    EXPECT_EQ(o.result, c.result) << c.error;
    EXPECT_EQ(o.error, c.error);
    EXPECT_FALSE(fs::exists(Path("out"))) << c.error;  // nothing created before the checks
  }
}

TEST_F(PluginCipher, SourceAsDestinationIsRefusedAndLeftIntact) {
  WriteFile(Path("same"), "keep me");
  const Outcome o = Exec(1, {Path("same"), Path("same"), "pw", "0", "2", "0"});
  EXPECT_FALSE(o.result);
  EXPECT_EQ(o.error,
            "Cannot create file \"" + Path("same") + "\". " + SystemText(SystemError::kInUse));
  EXPECT_EQ(ReadFile(Path("same")), "keep me");
}

TEST_F(PluginCipher, StringIndexErrors) {
  struct Case {
    Params params;
    std::string error;
  };

  for (const Case& c :
       {Case{{"x", "V", "pw", "", "2", "0"}, "'' no es un valor entero v\xE1lido"},
        Case{{"x", "V", "pw", "-1", "2", "0"}, "Invalid cipher index: -1"},
        Case{{"x", "V", "pw", "0", "$A", "0"}, "Invalid key hash index: 10"},
        Case{{"x", "V", "pw", "0", "2", "0.0"}, "'0.0' no es un valor entero v\xE1lido"}}) {
    const Outcome o = Exec(2, c.params);
    EXPECT_FALSE(o.result);
    EXPECT_EQ(o.error, c.error);
    EXPECT_TRUE(o.variables.empty());
  }
}

}  // namespace
}  // namespace varkesh::test
