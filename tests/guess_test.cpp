// The search behind `varkesh guess`, on strings and files that the plug-in encrypted through its
// exports: the settings that made them come first, and nothing wins on random bytes or with a
// wrong pass phrase.
#include "cli/guess.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#  include <sys/wait.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "host/host.h"
#include "hostlink/host_text.h"
#include "tests/test_platform.h"
#include "varkesh/base64.h"
#include "varkesh/formats.h"
#include "varkesh/io.h"

namespace varkesh::test {
namespace {

namespace fs = std::filesystem;
using cli::Candidate;
using text::CodePage;

const CodePage& Page(const char* name) { return text::CodePageByName(name); }

const std::vector<const CodePage*>& DefaultPages() {
  static const std::vector<const CodePage*> pages = {&Page("1251"), &Page("1252"), &Page("utf-8")};
  return pages;
}

const cli::PlausibilityModel& Model() {
  static const cli::PlausibilityModel model(DefaultPages());
  return model;
}

std::vector<cli::PassPhraseVariant> Variants(const std::string& typed) {
  return cli::PassPhraseVariants(typed, DefaultPages(), nullptr);
}

std::string Random(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Where the best candidate differs from the expected settings, if it does.
std::string Mismatch(const std::vector<Candidate>& ranked,
                     int cipher,
                     int key_hash,
                     const CodePage& page) {
  const Candidate& best = ranked.at(0);
  const auto& pages = best.pass_phrase->code_pages;
  if (best.cipher->index == cipher && best.key_hash->index == key_hash &&
      std::find(pages.begin(), pages.end(), &page) != pages.end())
    return {};
  return "best: cipher " + std::to_string(best.cipher->index) + ", key hash " +
         std::to_string(best.key_hash->index) + ", code page " + std::string(pages[0]->Name()) +
         ", score " + std::to_string(best.plausibility.score);
}

class Guess : public testing::Test {
 protected:
  void SetUp() override {
    host_.Identify();
    host_.Register();
    dir_ =
        fs::temp_directory_path() / ("varkesh-guess-" + std::to_string(ProcessId()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }

  void TearDown() override { fs::remove_all(dir_); }

  // The plug-in's string action; the texts are host text already.
  std::string EncryptText(const std::string& text, const std::string& pass, int cipher, int hash) {
    const host::Outcome o =
        host_.Exec(2, {text, "V", pass, std::to_string(cipher), std::to_string(hash), "0"});
    EXPECT_TRUE(o.result) << o.error;
    return o.variables.empty() ? "" : o.variables[0].second;
  }

  // The plug-in's file action.
  std::string EncryptFile(const std::string& plain, const std::string& pass, int cipher, int hash) {
    WriteFile(dir_ / "plain", plain);
    const host::Outcome o = host_.Exec(1, {(dir_ / "plain").string(), (dir_ / "enc").string(), pass,
                                           std::to_string(cipher), std::to_string(hash), "0"});
    EXPECT_TRUE(o.result) << o.error;
    return ReadFile(dir_ / "enc");
  }

  host::Host host_{VARKESH_PLUGIN};
  fs::path dir_;
};

TEST_F(Guess, StringsRankTheSettingsThatMadeThemFirst) {
  struct Case {
    const char* text;  // UTF-8; the host has it in code page 1251
    int cipher, key_hash;
    const char* pass;  // UTF-8, in `page` for the plug-in
    const char* page;
    bool clear;  // long enough for a clear winner
  };

  const Case cases[] = {
      {"Meet me at the station at half past six.", 0, 0, "correct horse", "1251", true},
      {"Встретимся на вокзале в половине седьмого.", 1, 1, "пароль", "1251", true},
      {"Ключ под ковриком", 2, 2, "secret", "1251", true},
      {"Call Anna", 3, 3, "Zugang", "1251", false},
      {"Номер счёта в зелёном блокноте, пароль у Петра.", 4, 4, "ключ", "utf-8", true},
      {"The spare key is under the third flower pot.", 5, 5, "Grüße", "1252", true},
      {"Позвони врачу", 6, 6, "doctor", "1251", true},
      {"Report for the second quarter: sales grew by 12 per cent.", 7, 7, "q2", "1251", true},
      {"Старые фотографии, письма и карта города.", 8, 8, "архив", "1251", true},
      {"Shopping: bread, milk, six eggs", 9, 9, "list", "1251", true},
      {"Пароль от общей папки опять поменяли", 10, 0, "Папка", "utf-8", true},
      {"Happy birthday, Helen!", 11, 1, "cake", "1251", true},
      {"Цены выше, чем договаривались.", 12, 2, "цена", "1251", true},
      {"We meet again on the 3rd of May at 9 a.m.", 13, 3, "may", "1251", true},
      {"Код сигнализации", 14, 4, "год", "1251", true},
      {"The alarm code is the year grandfather was born.", 15, 5, "alarm", "1251", true},
      {"До встречи в субботу!", 16, 6, "суббота", "1251", true},
      {"Back up your data first", 17, 7, "backup", "1251", true},
      {"Отопление починят в пятницу с девяти до часу.", 18, 8, "тепло", "1251", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string base64 =
        EncryptText(ToHostText(c.text), Page(c.page).FromUtf8(c.pass), c.cipher, c.key_hash);
    const std::vector<cli::PassPhraseVariant> variants = Variants(c.pass);
    const std::vector<Candidate> ranked = cli::GuessString(base64, variants, Model(), {});
    EXPECT_EQ(Mismatch(ranked, c.cipher, c.key_hash, Page(c.page)), "");
    EXPECT_EQ(ranked[0].start, ToHostText(c.text));
    EXPECT_EQ(ranked[0].plausibility.code_page, &Page("1251"));
    if (c.clear) {
      EXPECT_TRUE(cli::Judge(ranked).clear) << ranked[0].plausibility.score;
    }
  }
}

TEST_F(Guess, FilesRankTheSettingsThatMadeThemFirst) {
  std::string english, russian;
  for (int i = 0; english.size() < 10000; ++i) {
    english += "Line " + std::to_string(i) +
               ": the meeting ended late, but we finally agreed on a plan for the spring.\r\n";
  }
  while (russian.size() < 3000)
    russian += ToHostText("Зима в тот год выдалась снежной и долгой. Мы расчищали дорожку.\n");
  const auto sample = [](const char* name) {
    return ReadFile(fs::path(VARKESH_SAMPLE_DIR) / name);
  };

  struct Case {
    std::string plain;
    int cipher, key_hash;
    const char* kind;
  };

  const Case cases[] = {
      {sample("sample.pdf"), 15, 6, "PDF document"},
      {sample("sample.png"), 0, 9, "PNG image"},
      {sample("sample.zip"), 12, 2, "ZIP archive"},
      {sample("sample.jpg"), 4, 0, "JPEG image"},
      {english, 18, 8, "text"},
      {russian, 7, 4, "text"},
  };
  const std::vector<cli::PassPhraseVariant> variants = Variants("Quarterly");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const std::string encrypted = EncryptFile(c.plain, "Quarterly", c.cipher, c.key_hash);
    const std::vector<Candidate> ranked = cli::GuessFile(Bytes(encrypted), variants, Model(), {});
    EXPECT_EQ(Mismatch(ranked, c.cipher, c.key_hash, Page("1251")), "");
    EXPECT_EQ(ranked[0].plausibility.kind, c.kind);
    EXPECT_EQ(ranked[0].start, c.plain.substr(0, cli::kStartBytes));
    EXPECT_TRUE(cli::Judge(ranked).clear) << ranked[0].plausibility.score;
  }
}

TEST_F(Guess, RandomBytesAndAWrongPassPhraseHaveNoClearWinner) {
  const std::vector<cli::PassPhraseVariant> variants = Variants("secret€");
  for (const size_t n : {9, 40, 300}) {
    const std::vector<Candidate> ranked = cli::GuessString(
        EncodeBase64Text(Random(n, static_cast<unsigned>(n))), variants, Model(), {});
    EXPECT_FALSE(cli::Judge(ranked).clear) << n << " bytes: " << ranked[0].plausibility.score;
  }
  for (const size_t n : {700, 70000}) {
    const std::string random = Random(n, static_cast<unsigned>(n));
    const std::vector<Candidate> ranked = cli::GuessFile(Bytes(random), variants, Model(), {});
    EXPECT_FALSE(cli::Judge(ranked).clear) << n << " bytes: " << ranked[0].plausibility.score;
  }
  const std::vector<cli::PassPhraseVariant> wrong = Variants("Secret");
  const std::string text = EncryptText("Meet me at the station at half past six.", "secret", 15, 6);
  EXPECT_FALSE(cli::Judge(cli::GuessString(text, wrong, Model(), {})).clear);
  const std::string file =
      EncryptFile(ReadFile(fs::path(VARKESH_SAMPLE_DIR) / "sample.pdf"), "secret", 15, 6);
  EXPECT_FALSE(cli::Judge(cli::GuessFile(Bytes(file), wrong, Model(), {})).clear);
}

TEST_F(Guess, AnExpectedDigestConfirmsTheCandidateWhosePlaintextHasIt) {
  const std::vector<cli::PassPhraseVariant> variants = Variants("digest");
  const cli::Expectation sha256{HashTable()[6].cls, ""};
  const cli::Expectation md5{HashTable()[2].cls, ""};

  const std::string text = "Too short to tell";
  const std::string base64 = EncryptText(text, "digest", 9, 9);
  const std::vector<Candidate> strings = cli::GuessString(base64, variants, Model(), {});
  const cli::Candidate* found =
      cli::ConfirmString(strings, base64, {sha256.hash, HashSum(*sha256.hash, text)}, {});
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->cipher->index, 9);
  EXPECT_EQ(found->key_hash->index, 9);
  EXPECT_EQ(cli::ConfirmString(strings, base64, {sha256.hash, HashSum(*sha256.hash, "other")}, {}),
            nullptr);

  // Longer than the part that is scored, so the digest covers what the scores did not see.
  const std::string plain = Random(70000, 3);
  const std::string encrypted = EncryptFile(plain, "digest", 12, 3);
  const std::vector<Candidate> files = cli::GuessFile(Bytes(encrypted), variants, Model(), {});
  const auto open = [&] { return std::make_unique<MemoryReader>(encrypted); };
  found = cli::ConfirmFile(files, open, {md5.hash, HashSum(*md5.hash, plain)}, {});
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->cipher->index, 12);
  EXPECT_EQ(found->key_hash->index, 3);
  EXPECT_EQ(cli::ConfirmFile(files, open, {md5.hash, HashSum(*md5.hash, plain + "x")}, {}),
            nullptr);
}

TEST(GuessPassPhrase, CodePagesThatGiveTheSameBytesShareAVariant) {
  std::vector<const CodePage*> missing;
  const auto variants = cli::PassPhraseVariants("secret", DefaultPages(), &missing);
  ASSERT_EQ(variants.size(), 1u);
  EXPECT_EQ(variants[0].code_pages, DefaultPages());
  EXPECT_TRUE(missing.empty());

  const auto cyrillic = cli::PassPhraseVariants("пароль", DefaultPages(), &missing);
  ASSERT_EQ(cyrillic.size(), 2u);
  EXPECT_EQ(cyrillic[0].bytes, Page("1251").FromUtf8("пароль"));
  EXPECT_EQ(cyrillic[1].bytes, "пароль");
  EXPECT_EQ(missing, std::vector<const CodePage*>{&Page("1252")});

  // The euro sign has a byte in both 8-bit pages, and not the same one.
  EXPECT_EQ(cli::PassPhraseVariants("€100", DefaultPages(), nullptr).size(), 3u);
}

// The search keys every cipher from one digest per key hash; that must give the same key as
// the pass phrase itself.
TEST(GuessPassPhrase, ADigestKeysLikeItsPassPhrase) {
  for (const HashEntry& hash : HashTable()) {
    const PassPhraseDigest digest(*hash.cls, "пароль");
    for (const CipherEntry& cipher : CipherTable()) {
      PassPhraseCipher from_digest(*cipher.cls, digest);
      PassPhraseCipher from_phrase(*cipher.cls, *hash.cls, "пароль");
      EXPECT_EQ(from_digest.EncryptString("sixteen bytes..."),
                from_phrase.EncryptString("sixteen bytes..."))
          << cipher.class_name << " " << hash.class_name;
    }
  }
}

TEST(GuessPlausibility, TextReadsBestInItsOwnCodePage) {
  const std::string russian = "Встретимся на вокзале в половине седьмого";
  EXPECT_EQ(Model().ScoreString(Bytes(russian)).code_page, &Page("utf-8"));
  EXPECT_EQ(Model().ScoreString(Bytes(Page("1251").FromUtf8(russian))).code_page, &Page("1251"));
  const std::string german = "Grüße aus München, bis nächste Woche";
  EXPECT_EQ(Model().ScoreString(Bytes(Page("1252").FromUtf8(german))).code_page, &Page("1252"));
  EXPECT_EQ(Model().ScoreString(Bytes(Random(40, 1))).kind, "");
}

#ifndef _WIN32
// The command as users run it, on data the plug-in encrypted: the table, the verdict, the
// decrypt command for the winner and the exit status.
class GuessCommand : public Guess {
 protected:
  struct Result {
    int status;
    std::string out, err;
  };

  // Runs `varkesh guess` in the scratch folder with VARKESH_PASS holding `pass` and
  // --passphrase-env VARKESH_PASS in front of `args`; `input` is standard input.
  Result Run(const std::string& pass,
             const std::vector<std::string>& args,
             const std::string& input = "") {
    WriteFile(dir_ / "stdin", input);
    std::string command = "cd '" + dir_.string() + "' && VARKESH_PASS='" + pass + "' '" +
                          VARKESH_CLI + "' guess --passphrase-env VARKESH_PASS";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " <stdin >stdout 2>stderr";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir_ / "stdout"),
            ReadFile(dir_ / "stderr")};
  }
};

TEST_F(GuessCommand, PrintsTheWinnerAndTheCommandThatDecryptsWithIt) {
  const std::string text = EncryptText("Meet me at the station at half past six.", "secret", 15, 6);
  const std::string pdf = ReadFile(fs::path(VARKESH_SAMPLE_DIR) / "sample.pdf");
  WriteFile(dir_ / "report.enc", EncryptFile(pdf, "secret", 2, 9));
  const std::string decrypt =
      "varkesh decrypt -c rijndael -k sha256 --code-page 1251 "
      "--passphrase-env VARKESH_PASS --text " +
      text + "\n";

  const Result r = Run("secret", {"--top", "3", "--text", text});
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 8) << r.out;
  EXPECT_NE(r.out.find("\n   1 "), std::string::npos);
  EXPECT_NE(r.out.find("Rijndael   Sha256     any         \"Meet me at the station at half past "
                       "six.\"\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\nCandidate 1 clearly wins"), std::string::npos) << r.out;
  EXPECT_TRUE(r.out.ends_with("Decrypt with:\n  " + decrypt)) << r.out;

  // The text from standard input, broken over lines.
  std::string broken = text;
  broken.insert(8, "\n ");
  const Result piped = Run("secret", {"--text", "-"}, broken);
  EXPECT_EQ(piped.status, 0) << piped.out;
  EXPECT_TRUE(piped.out.ends_with(" --passphrase-env VARKESH_PASS --text -\n")) << piped.out;

  // A file, named or from standard input: the output is named for what it turned out to be.
  const Result file = Run("secret", {"report.enc"});
  EXPECT_EQ(file.status, 0) << file.err;
  EXPECT_NE(file.out.find("  PDF document\n"), std::string::npos) << file.out;
  EXPECT_TRUE(
      file.out.ends_with(" -c cast256 -k tiger --code-page 1251 --passphrase-env "
                         "VARKESH_PASS report.enc report.pdf\n"))
      << file.out;
  EXPECT_TRUE(Run("secret", {"-"}, ReadFile(dir_ / "report.enc"))
                  .out.ends_with(" VARKESH_PASS - decrypted.pdf\n"));
}

TEST_F(GuessCommand, ExitStatus) {
  const std::string shortText = EncryptText("Call Anna", "digest", 9, 9);
  const std::string md5 = HashSum(*HashTable()[2].cls, "Call Anna");
  const std::string sha256 = HashSum(*HashTable()[6].cls, "Call Anna");
  WriteFile(dir_ / "random", Random(5000, 7));
  std::string lower = sha256;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

  struct Case {
    const char* what;
    std::string pass;
    std::vector<std::string> args;
    int status;
    std::string message;  // found in standard output or standard error
  };

  const Case cases[] = {
      {"random bytes", "digest", {"random"}, 1, "No candidate clearly wins"},
      {"wrong pass phrase",
       "Digest",
       {"--text", EncryptText("Meet me at the station at half past six.", "digest", 4, 4)},
       1,
       "The best candidate decrypts with:"},
      {"a digest decides a short text",
       "digest",
       {"--expect-md5", md5, "--text", shortText},
       0,
       "-c mars -k tiger"},
      {"in lower case",
       "digest",
       {"--expect-sha256", lower, "--text", shortText},
       0,
       "has the expected digest"},
      {"no plaintext has the digest",
       "digest",
       {"--expect-md5", std::string(32, '0'), "--text", shortText},
       1,
       "No candidate's plaintext has the expected digest."},
      {"unknown code page",
       "digest",
       {"--code-page", "1251,cp9999", "x"},
       2,
       "varkesh: Unknown code page: cp9999\n"},
      {"digest too short", "digest", {"--expect-md5", "00", "x"}, 2, "32 hexadecimal digits"},
      {"digest not hexadecimal",
       "digest",
       {"--expect-sha256", std::string(64, 'g'), "x"},
       2,
       "Not a hexadecimal digest"},
      {"missing file", "digest", {"missing"}, 1, "Cannot open file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Result r = Run(c.pass, c.args);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find(c.message), std::string::npos) << r.out << r.err;
  }
}
#endif

}  // namespace
}  // namespace varkesh::test
