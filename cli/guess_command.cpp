#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/guess.h"
#include "cli/passphrase.h"
#include "cli/process.h"
#include "cli/terminal.h"
#include "platform/files.h"
#include "platform/wipe.h"
#include "varkesh/algorithms.h"
#include "varkesh/io.h"

namespace varkesh::cli {

namespace {

using platform::InputFile;
using platform::SecretText;
using platform::Sharing;
using text::CodePage;

std::vector<const CodePage*> PagesOf(const std::vector<std::string>& names) {
  std::vector<const CodePage*> pages;
  for (const std::string& name :
       names.empty() ? std::vector<std::string>{"1251", "1252", "utf-8"} : names) {
    const CodePage* page = text::FindCodePage(name);
    if (page == nullptr)
      throw UsageError("Unknown code page: " + name);
    if (std::find(pages.begin(), pages.end(), page) == pages.end())
      pages.push_back(page);
  }
  return pages;
}

// The digest asked for with --expect-sha256 or --expect-md5, if one was.
std::optional<Expectation> Expected(const GuessOptions& options) {
  const bool sha256 = !options.expect_sha256.empty();
  const std::string& hex = sha256 ? options.expect_sha256 : options.expect_md5;
  if (hex.empty())
    return std::nullopt;
  const HashClass& hash = HashByName(sha256 ? "sha256" : "md5");
  std::string upper;
  for (const char c : hex) {
    if (!std::isxdigit(static_cast<unsigned char>(c)))
      throw UsageError("Not a hexadecimal digest: " + hex);
    upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  if (upper.size() != 2 * static_cast<size_t>(hash.hash_size / 8)) {
    throw UsageError("A " + std::string(sha256 ? "SHA-256" : "MD5") + " digest has " +
                     std::to_string(hash.hash_size / 4) + " hexadecimal digits: " + hex);
  }
  return Expectation{&hash, upper};
}

// An input file read from its start each time the digest of a candidate's plaintext is wanted.
class ReopenedFile final : public ByteReader {
 public:
  explicit ReopenedFile(const std::string& path)
      : file_(InputFile::Open(path, Sharing::kReaders)) {}

  size_t Read(uint8_t* buffer, size_t count) override { return file_.Read(buffer, count); }

 private:
  InputFile file_;
};

// "N of M candidates" on standard error while a search runs for longer than a moment.
class ProgressLine {
 public:
  ProgressLine() : active_(StderrIsTerminal()) {}

  ~ProgressLine() { Clear(); }

  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void Show(const char* what, size_t done, size_t total) {
    if (!active_ || std::chrono::steady_clock::now() - start_ < std::chrono::milliseconds(300))
      return;
    std::fprintf(stderr, "\r%s: %zu of %zu candidates", what, done, total);
    std::fflush(stderr);
    drawn_ = true;
  }

  void Clear() {
    if (!drawn_)
      return;
    std::fprintf(stderr, "\r%50s\r", "");
    std::fflush(stderr);
    drawn_ = false;
  }

 private:
  bool active_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The pass phrase's code pages in the table: "any" when every page gives the same bytes.
std::string PagesColumn(const PassPhraseVariant& variant, size_t page_count) {
  if (page_count > 1 && variant.code_pages.size() == page_count)
    return "any";
  std::string names;
  for (const CodePage* page : variant.code_pages)
    names.append(names.empty() ? "" : ",").append(page->Name());
  return names;
}

// The start of the plaintext as one line of at most `width` characters: read in the code page
// it looks best in, control characters and undecodable bytes shown as dots.
std::string Preview(const Candidate& c, size_t width) {
  const CodePage* page = c.plausibility.code_page;
  const std::string utf8 = page != nullptr ? page->ToUtf8(c.start) : c.start;
  std::string shown = "\"";
  size_t characters = 0;
  for (size_t i = 0; i < utf8.size(); ++characters) {
    if (characters == width) {
      shown += "...";
      break;
    }
    const size_t from = i;
    const std::optional<char32_t> ch =
        page != nullptr ? text::NextUtf8Character(utf8, i) : std::nullopt;
    if (!ch) {
      const auto byte = static_cast<unsigned char>(utf8[i++]);
      shown.push_back(byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.');
    } else if (*ch == '\t' || *ch == '\n' || *ch == '\r') {
      shown.push_back(' ');
    } else if (*ch < 0x20 || (*ch >= 0x7F && *ch < 0xA0)) {
      shown.push_back('.');
    } else {
      shown.append(utf8, from, i - from);
    }
  }
  return shown + "\"";
}

std::string WhatColumn(const Candidate& c, bool file) {
  const Plausibility& p = c.plausibility;
  if (!file || p.kind == "text")
    return Preview(c, 40);
  return p.kind.empty() ? "random-looking bytes" : p.kind;
}

std::string Lowercase(std::string_view name) {
  std::string lower(name);
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return lower;
}

// One argument as a shell reads it back.
std::string ShellWord(const std::string& word) {
  const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char ch) {
    return std::isalnum(static_cast<unsigned char>(ch)) ||
           std::string_view("-_./,:=+@").find(ch) != std::string_view::npos;
  });
  if (plain)
    return word;
#ifdef _WIN32
  return "\"" + word + "\"";
#else
  std::string quoted = "'";
  for (const char ch : word) {
    if (ch == '\'') {
      quoted += "'\\''";
    } else {
      quoted += ch;
    }
  }
  return quoted + "'";
#endif
}

// Where the decrypted file goes: the input's name with the extension of what it turned out to
// be ("report.enc" holding a PDF: "report.pdf"), never the input itself.
std::string OutputName(const std::string& input, const std::string& extension) {
  if (input.empty() || input == "-")
    return extension.empty() ? "decrypted" : "decrypted." + extension;
  const std::string ext = extension.empty() ? "decrypted" : extension;
  const size_t slash = input.find_last_of("/\\");
  const size_t dot = input.find_last_of('.');
  const std::string stem =
      dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)
          ? input.substr(0, dot)
          : input;
  std::string output = stem + "." + ext;
  if (output == input)
    output = stem + ".decrypted." + ext;
  return output;
}

// The varkesh decrypt command that turns the input into the candidate's plaintext.
std::string DecryptCommand(const GuessOptions& options, const Candidate& c) {
  // The pass phrase's code page; of several that give the same bytes, the one the decrypted
  // text reads in, so that a decrypted text comes out right as well.
  const std::vector<const CodePage*>& pages = c.pass_phrase->code_pages;
  const CodePage* page = pages.front();
  if (std::find(pages.begin(), pages.end(), c.plausibility.code_page) != pages.end())
    page = c.plausibility.code_page;
  const CipherOptions& data = options.data;
  std::vector<std::string> words = {"varkesh",     "decrypt",
                                    "-c",          Lowercase(c.cipher->class_name),
                                    "-k",          Lowercase(c.key_hash->class_name),
                                    "--code-page", std::string(page->Name())};
  if (!data.passphrase_env.empty())
    words.insert(words.end(), {"--passphrase-env", data.passphrase_env});
  if (!data.passphrase_file.empty())
    words.insert(words.end(), {"--passphrase-file", data.passphrase_file});
  if (data.passphrase_fd)
    words.insert(words.end(), {"--passphrase-fd", std::to_string(*data.passphrase_fd)});
  if (data.empty_passphrase)
    words.emplace_back("--empty-passphrase");
  if (data.has_text) {
    words.insert(words.end(), {"--text", data.text});
  } else {
    words.push_back(data.input.empty() ? "-" : data.input);
    words.push_back(OutputName(data.input, c.plausibility.extension));
  }
  std::string line;
  for (const std::string& word : words)
    line.append(line.empty() ? "" : " ").append(ShellWord(word));
  return line;
}

// The best `top` candidates, and the winner below them when a digest picked one there.
void PrintTable(const std::vector<Candidate>& ranked,
                size_t top,
                const Candidate* winner,
                size_t page_count,
                bool file) {
  std::printf("%4s %7s  %-10s %-10s %-11s %s\n", "rank", "score", "cipher", "key hash", "code page",
              file ? "plaintext" : "text");
  const size_t shown = std::min(top, ranked.size());
  for (size_t i = 0; i < ranked.size(); ++i) {
    const Candidate& c = ranked[i];
    if (i >= shown && &c != winner)
      continue;
    if (i > shown && &c == winner)
      std::printf("%4s\n", "...");
    std::printf("%4zu %7.1f  %-10.*s %-10.*s %-11s %s\n", i + 1, c.plausibility.score,
                static_cast<int>(c.cipher->class_name.size()), c.cipher->class_name.data(),
                static_cast<int>(c.key_hash->class_name.size()), c.key_hash->class_name.data(),
                PagesColumn(*c.pass_phrase, page_count).c_str(), WhatColumn(c, file).c_str());
  }
}

}  // namespace

int RunGuess(const GuessOptions& options) {
  const CipherOptions& data = options.data;
  const std::vector<const CodePage*> pages = PagesOf(options.code_pages);
  const std::optional<Expectation> expected = Expected(options);

  // The data first: a missing file is reported before the pass phrase is asked for.
  const bool file = !data.has_text;
  const bool data_on_stdin =
      data.has_text ? data.text == "-" : data.input.empty() || data.input == "-";
  SecretText text;  // the string, or all of a file from standard input
  std::vector<uint8_t> prefix;
  if (data.has_text) {
    text = data_on_stdin ? ReadStandardInput() : SecretText(data.text);
    // Base64 broken over lines reads as one piece, as decrypt reads it.
    std::erase_if(text.value(),
                  [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
  } else if (data_on_stdin) {
    text = ReadStandardInput();
  } else {
    InputFile in = InputFile::Open(data.input, Sharing::kReaders);
    prefix.resize(kFilePrefix);
    prefix.resize(in.Read(prefix.data(), prefix.size()));
  }
  const std::span<const uint8_t> file_prefix =
      data_on_stdin
          ? std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.value().data()),
                                     std::min(text.value().size(), kFilePrefix))
          : std::span<const uint8_t>(prefix);

  if (data.has_text ? text.value().empty() : file_prefix.empty())
    throw Error(std::string(data.has_text ? "The text" : "The file") +
                " is empty: nothing to go by");

  CipherOptions pass_options = data;
  pass_options.encrypt = false;
  std::vector<const CodePage*> missing;
  const SecretText typed = ReadPassPhrase(pass_options, data_on_stdin);
  std::vector<PassPhraseVariant> variants = PassPhraseVariants(typed.value(), pages, &missing);

  struct Wiper {
    std::vector<PassPhraseVariant>& v;

    ~Wiper() { Wipe(v); }
  } wiper{variants};

  if (!missing.empty() && !text::IsValidUtf8(typed.value())) {
    ReportError("The pass phrase is not UTF-8; only its bytes as they are (utf-8) are tried");
  } else {
    for (const CodePage* page : missing) {
      ReportError("Code page " + std::string(page->Name()) +
                  " lacks a character of the pass phrase; it is not tried");
    }
  }
  if (variants.empty())
    throw Error("No code page holds every character of the pass phrase");

  const PlausibilityModel model(pages);
  ProgressLine progress;
  SearchSettings settings;
  settings.jobs = options.jobs;
  settings.progress = [&](size_t done, size_t total) { progress.Show("Trying", done, total); };
  const std::vector<Candidate> ranked = file ? GuessFile(file_prefix, variants, model, settings)
                                             : GuessString(text.value(), variants, model, settings);
  progress.Clear();

  const Candidate* winner = nullptr;
  std::string verdict;
  if (expected) {
    settings.progress = [&](size_t done, size_t total) { progress.Show("Hashing", done, total); };
    if (data.has_text) {
      winner = ConfirmString(ranked, text.value(), *expected, settings);
    } else if (data_on_stdin) {
      winner = ConfirmFile(
          ranked, [&] { return std::make_unique<MemoryReader>(text.value()); }, *expected,
          settings);
    } else {
      winner = ConfirmFile(
          ranked, [&] { return std::make_unique<ReopenedFile>(data.input); }, *expected, settings);
    }
    progress.Clear();
    verdict = winner != nullptr
                  ? "The plaintext of candidate " + std::to_string(winner - ranked.data() + 1) +
                        " has the expected digest."
                  : "No candidate's plaintext has the expected digest.";
  } else {
    const Verdict judged = Judge(ranked);
    char figures[160];
    std::snprintf(figures, sizeof(figures), "scores %.1f bits, %.1f more than the next",
                  ranked[0].plausibility.score,
                  ranked[0].plausibility.score - ranked[1].plausibility.score);
    if (judged.clear) {
      winner = &ranked[0];
      verdict = std::string("Candidate 1 clearly wins: it ") + figures + ".";
    } else {
      verdict = std::string("No candidate clearly wins: the best ") + figures +
                " (a clear winner scores at least " +
                std::to_string(static_cast<int>(kClearScore)) + " and " +
                std::to_string(static_cast<int>(kClearLead)) + " more).";
    }
  }

  PrintTable(ranked, options.top, winner, pages.size(), file);
  std::printf("\n%s\n", verdict.c_str());
  std::printf("%s\n  %s\n",
              winner != nullptr ? "Decrypt with:" : "The best candidate decrypts with:",
              DecryptCommand(options, winner != nullptr ? *winner : ranked[0]).c_str());
  return winner != nullptr ? 0 : 1;
}

}  // namespace varkesh::cli
