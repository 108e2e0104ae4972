#include "cli/plausibility.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>
#include <utility>

#include "cli/letter_pairs.h"

namespace varkesh::cli {

namespace {

// ---------------------------------------------------------------------------------------------
// Characters as the letter-pair models see them: a symbol for each letter of the English and
// Russian alphabets (case apart), and one for each group of everything else.

enum Symbol : uint8_t {
  kSpace = 0,
  kBreak = 1,   // line feed, carriage return, tab
  kLatinA = 2,  // a-z are 2-27
  kLatinOther = 28,
  kCyrillicA = 29,  // а-я are 29-60
  kCyrillicYo = 61,
  kCyrillicOther = 62,
  kDigit = 63,
  kPunctuation = 64,
  kOther = 65,
  kSymbols = 66,
};

constexpr std::u32string_view kPunctuationMarks =
    U"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~\u00AB\u00BB\u201C\u201D\u201E\u2018\u2019\u2014\u2013"
    U"\u2026\u2116\u00B0\u00A7\u20AC\u2022\u00B1\u00B7\u2039\u203A";

struct CharClass {
  Symbol symbol;
  bool upper;  // a capital of a-z, а-я or ё, which take their case from the case model
};

bool HasCase(Symbol s) {
  return (s >= kLatinA && s < kLatinOther) || (s >= kCyrillicA && s <= kCyrillicYo);
}

CharClass Classify(char32_t c) {
  if (c < 0x80) {
    if (c == ' ')
      return {kSpace, false};
    if (c == '\n' || c == '\r' || c == '\t')
      return {kBreak, false};
    if (c >= 'a' && c <= 'z')
      return {static_cast<Symbol>(kLatinA + (c - 'a')), false};
    if (c >= 'A' && c <= 'Z')
      return {static_cast<Symbol>(kLatinA + (c - 'A')), true};
    if (c >= '0' && c <= '9')
      return {kDigit, false};
  } else if (c >= 0x400 && c <= 0x4FF) {
    if (c >= 0x430 && c <= 0x44F)
      return {static_cast<Symbol>(kCyrillicA + (c - 0x430)), false};
    if (c >= 0x410 && c <= 0x42F)
      return {static_cast<Symbol>(kCyrillicA + (c - 0x410)), true};
    if (c == 0x451 || c == 0x401)
      return {kCyrillicYo, c == 0x401};
    return {kCyrillicOther, false};
  } else if ((c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7)) {
    return {kLatinOther, false};
  }
  if (kPunctuationMarks.find(c) != std::u32string_view::npos)
    return {kPunctuation, false};
  return {kOther, false};
}

// Shares of the model that are fixed rather than counted: line breaks are rare in the sample
// texts (which are wrapped by hand) but belong to every text file.
constexpr double kBreakShare = 0.015;
constexpr double kLineFeedAfterReturn = 0.9;
// How strongly a letter pair seen rarely in the samples is pulled towards the letter's overall
// frequency.
constexpr double kSmoothing = 4;
// A capital after a capital (an abbreviation, a shouted word), after a small letter, and at the
// start of a word.
constexpr double kCapitalAfterCapital = 0.5;
constexpr double kCapitalAfterSmall = 0.03;
constexpr double kCapitalElsewhere = 0.15;
// Any byte may turn up in text: a typing slip, a stray symbol. Text models keep this share for
// every byte alike, so no byte makes a text impossible.
constexpr double kStray = 1.0 / 64;

// A prior state: the symbol before and one bit that matters for what follows: a capital letter,
// or a carriage return.
constexpr size_t kStates = 2 * kSymbols;
constexpr uint8_t kStart = 2 * kSpace;

uint8_t StateAfter(char32_t c, CharClass cls) {
  return static_cast<uint8_t>(2 * cls.symbol + ((cls.upper || c == '\r') ? 1 : 0));
}

// The letter pairs of one language, and the shares within the symbol groups.
struct Language {
  std::array<std::array<double, kSymbols>, kSymbols> next{};  // log2 P(symbol | symbol before)
};

struct Groups {
  std::array<double, kPunctuationMarks.size()> punctuation{};  // log2 P(mark | punctuation)
  size_t other_cyrillic_in_host_page = 0;
};

template <size_t N>
Language Learn(const letter_pairs::Pair (&pairs)[N]) {
  std::array<std::array<double, kSymbols>, kSymbols> counts{};
  std::array<double, kSymbols> unigram{};
  double total = 0;
  for (const letter_pairs::Pair& pair : pairs) {
    const Symbol a = Classify(pair.first).symbol;
    const Symbol b = Classify(pair.second).symbol;
    counts[a][b] += pair.count;
    unigram[b] += pair.count;
    total += pair.count;
  }
  for (double& u : unigram) u = (u + 0.5) / (total + 0.5 * (kSymbols - 1));
  Language language;
  for (size_t before = 0; before < kSymbols; ++before) {
    // After a line break, as after a space.
    const auto& row = counts[before == kBreak ? size_t{kSpace} : before];
    double n = 0;
    for (size_t s = 0; s < kSymbols; ++s) n += row[s];
    for (size_t s = 0; s < kSymbols; ++s) {
      const double p =
          s == kBreak ? kBreakShare
                      : (1 - kBreakShare) * (row[s] + kSmoothing * unigram[s]) / (n + kSmoothing);
      language.next[before][s] = std::log2(p);
    }
  }
  return language;
}

Groups LearnGroups() {
  Groups groups;
  std::array<double, kPunctuationMarks.size()> counts;
  counts.fill(1);
  double total = static_cast<double>(counts.size());
  const auto add = [&](const auto& pairs) {
    for (const letter_pairs::Pair& pair : pairs) {
      const size_t at = kPunctuationMarks.find(pair.second);
      if (at != std::u32string_view::npos) {
        counts[at] += pair.count;
        total += pair.count;
      }
    }
  };
  add(letter_pairs::kEnglish);
  add(letter_pairs::kRussian);
  for (size_t i = 0; i < counts.size(); ++i) groups.punctuation[i] = std::log2(counts[i] / total);
  for (char32_t c = 0x400; c <= 0x4FF; ++c) {
    if (Classify(c).symbol == kCyrillicOther && text::HostCodePage().Encode(c))
      ++groups.other_cyrillic_in_host_page;
  }
  return groups;
}

// log2 of the model's probability of character c after `state`, where `other` is log2 of the
// share of c within the group of characters the model knows nothing of.
double CharLog2(
    const Language& language, const Groups& groups, uint8_t state, char32_t c, double other) {
  const CharClass cls = Classify(c);
  const size_t before = state / 2;
  const bool flag = (state & 1) != 0;
  double p = 0;  // log2
  if (before == kBreak && flag) {
    if (c == '\n')
      return std::log2(kLineFeedAfterReturn);
    p = std::log2(1 - kLineFeedAfterReturn) + language.next[kSpace][cls.symbol];
  } else {
    p = language.next[before][cls.symbol];
  }
  if (HasCase(cls.symbol)) {
    const bool after_letter =
        HasCase(static_cast<Symbol>(before)) || before == kLatinOther || before == kCyrillicOther;
    const double capital = !after_letter ? kCapitalElsewhere
                           : flag        ? kCapitalAfterCapital
                                         : kCapitalAfterSmall;
    return p + std::log2(cls.upper ? capital : 1 - capital);
  }
  switch (cls.symbol) {
    case kBreak:
      return p + std::log2(c == '\n' ? 0.6 : c == '\r' ? 0.35 : 0.05);
    case kLatinOther:
      return p + (c <= 0xFF ? std::log2(0.75 / 62) : std::log2(0.25 / 336));
    case kCyrillicOther: {
      const auto known = static_cast<double>(groups.other_cyrillic_in_host_page);
      return p + (text::HostCodePage().Encode(c) ? std::log2(0.8 / known)
                                                 : std::log2(0.2 / (190 - known)));
    }
    case kDigit:
      return p + std::log2(0.1);
    case kPunctuation:
      return p + groups.punctuation[kPunctuationMarks.find(c)];
    case kOther:
      return p + other;
    default:
      return p;  // the space
  }
}

// One language in one 8-bit code page, as a table per prior state and byte: how many bits the
// byte gains over a random byte.
struct EightBitText {
  const text::CodePage* page;
  std::array<std::array<float, 256>, kStates> gain;
  std::array<uint8_t, 256> next;
};

std::unique_ptr<EightBitText> Tabulate(const Language& language,
                                       const Groups& groups,
                                       const text::CodePage& page) {
  auto model = std::make_unique<EightBitText>();
  model->page = &page;
  double others = 0;
  for (int b = 0; b < 256; ++b) {
    const char32_t c = page.Decode(static_cast<uint8_t>(b));
    others += Classify(c).symbol == kOther ? 1 : 0;
    model->next[b] = StateAfter(c, Classify(c));
  }
  for (size_t state = 0; state < kStates; ++state) {
    for (int b = 0; b < 256; ++b) {
      const char32_t c = page.Decode(static_cast<uint8_t>(b));
      const double p =
          std::exp2(CharLog2(language, groups, static_cast<uint8_t>(state), c, -std::log2(others)));
      model->gain[state][b] = static_cast<float>(8 + std::log2((1 - kStray) * p + kStray / 256));
    }
  }
  return model;
}

double Gain(const EightBitText& model, std::span<const uint8_t> bytes) {
  double bits = 0;
  uint8_t state = kStart;
  for (const uint8_t b : bytes) {
    bits += model.gain[state][b];
    state = model.next[b];
  }
  return bits;
}

// The same for UTF-8, character by character. A character of n bytes is one of about 2^(7n)
// sequences of its length; the model gives those it knows nothing of an equal share of a
// quarter of the group. Bytes that are not UTF-8 count as stray bytes.
double GainUtf8(const Language& language, const Groups& groups, std::span<const uint8_t> bytes) {
  static const std::array<double, 5> kOtherOfLength = {
      0, -std::log2(4.0 * 128), -std::log2(4.0 * 1920), -std::log2(4.0 * 61440),
      -std::log2(4.0 * 1048576)};
  const std::string_view s(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const double stray = std::log2(kStray / 256);
  double bits = 0;
  uint8_t state = kStart;
  for (size_t i = 0; i < s.size();) {
    const size_t at = i;
    const std::optional<char32_t> c = text::NextUtf8Character(s, i);
    if (!c) {
      bits += 8 + stray;
      state = 2 * kOther;
      ++i;
      continue;
    }
    const auto length = static_cast<double>(i - at);
    const double p = CharLog2(language, groups, state, *c, kOtherOfLength[i - at]);
    // log2 of a sum of two shares is at least log2 of the larger: a lower bound keeps the score
    // a fair one.
    bits += 8 * length + std::max(std::log2(1 - kStray) + p, length * stray);
    state = StateAfter(*c, Classify(*c));
  }
  return bits;
}

// ---------------------------------------------------------------------------------------------
// Byte statistics: how many bits two adaptive coders save over eight bits a byte, one that
// learns the frequency of each byte (Krichevsky-Trofimov) and one that learns it after each
// byte value. Both are probability distributions, so they too bound the score of random bytes.

struct ByteStatistics {
  double order0 = 0;
  double order1 = 0;
};

// ---------------------------------------------------------------------------------------------
// File signatures: the fixed bytes a file of a known kind starts with, plus checks of a few
// fields. A field that holds one of k values of its 2^w has w - log2(k) bits; each check is a
// mixture of "the field is typical" and "anything", so a field that fails costs one bit.

double Check(bool typical, double width_bits, double typical_values) {
  return typical ? width_bits - std::log2(typical_values) - 1 : -1;
}

uint32_t Le16(std::span<const uint8_t> p, size_t at) {
  return at + 2 <= p.size() ? uint32_t{p[at]} | uint32_t{p[at + 1]} << 8 : 0;
}

uint32_t Le32(std::span<const uint8_t> p, size_t at) {
  return at + 4 <= p.size() ? Le16(p, at) | Le16(p, at + 2) << 16 : 0;
}

bool Has(std::span<const uint8_t> p, size_t at, std::string_view magic) {
  return at + magic.size() <= p.size() &&
         std::memcmp(p.data() + at, magic.data(), magic.size()) == 0;
}

bool Printable(uint8_t b) { return b >= 0x20 && b < 0x7F; }

double PdfFields(std::span<const uint8_t> p) {
  return p.size() >= 8 ? Check(p[5] == '1' || p[5] == '2', 8, 2) + Check(p[6] == '.', 8, 1) +
                             Check(p[7] >= '0' && p[7] <= '9', 8, 10)
                       : 0;
}

double JpegFields(std::span<const uint8_t> p) {
  if (p.size() < 12)
    return 0;
  const uint8_t marker = p[3];
  double bits = Check((marker >= 0xE0 && marker <= 0xEF) || marker == 0xDB || marker == 0xC0 ||
                          marker == 0xC4 || marker == 0xFE,
                      8, 20);
  bits += Check(p[4] == 0, 8, 1);  // segment lengths are short
  if (Has(p, 6, std::string_view("JFIF\0", 5)))
    bits += 39;
  else if (Has(p, 6, std::string_view("Exif\0\0", 6)))
    bits += 47;
  return bits;
}

// A local file header: version, method, name length and the name itself.
double ZipFields(std::span<const uint8_t> p) {
  if (p.size() < 30)
    return 0;
  const uint32_t method = Le16(p, 8);
  const uint32_t name_length = Le16(p, 26);
  double bits = Check(p[4] <= 63 && p[5] == 0, 16, 64);
  bits += Check(method == 0 || method == 8 || method == 9 || method == 12 || method == 14 ||
                    method == 93 || method == 95 || method == 98,
                16, 8);
  bits += Check(name_length > 0 && name_length < 256, 16, 255);
  for (size_t i = 30; i < 30 + name_length && i < p.size(); ++i)
    bits += Printable(p[i]) ? 8 - std::log2(95) : -8;
  return bits;
}

// Office documents are ZIP archives whose members tell the application.
std::string_view OfficeExtension(std::span<const uint8_t> p) {
  const std::string_view bytes(reinterpret_cast<const char*>(p.data()), p.size());
  if (!Has(p, 30, "[Content_Types].xml") && !Has(p, 30, "_rels/") && !Has(p, 30, "docProps/") &&
      !Has(p, 30, "word/") && !Has(p, 30, "xl/") && !Has(p, 30, "ppt/"))
    return {};
  for (const auto& [folder, extension] :
       {std::pair{"word/", "docx"}, std::pair{"xl/", "xlsx"}, std::pair{"ppt/", "pptx"}}) {
    if (bytes.find(folder) != std::string_view::npos)
      return extension;
  }
  return "zip";
}

double GifFields(std::span<const uint8_t> p) {
  return p.size() >= 6 ? Check(p[4] == '7' || p[4] == '9', 8, 2) + Check(p[5] == 'a', 8, 1) : 0;
}

double Id3Fields(std::span<const uint8_t> p) {
  if (p.size() < 10)
    return 0;
  return Check(p[3] >= 2 && p[3] <= 4, 8, 3) + Check(p[4] == 0, 8, 1) +
         Check(((p[6] | p[7] | p[8] | p[9]) & 0x80) == 0, 4, 1);
}

// A Windows program: the DOS header points at the "PE" header.
double ExeFields(std::span<const uint8_t> p) {
  const uint32_t at = Le32(p, 0x3C);
  if (at < 0x40 || at > 0x1000)
    return Check(false, 32, 1);
  return Check(true, 32, 0x1000 - 0x40) + (Has(p, at, std::string_view("PE\0\0", 4)) ? 31 : -1);
}

double ElfFields(std::span<const uint8_t> p) {
  return p.size() >= 7 ? Check(p[4] == 1 || p[4] == 2, 8, 2) + Check(p[5] == 1 || p[5] == 2, 8, 2) +
                             Check(p[6] == 1, 8, 1)
                       : 0;
}

struct Signature {
  std::string_view kind;
  std::string_view extension;
  std::string_view magic;
  size_t offset = 0;
  std::string_view magic2 = {};  // a second fixed part, at offset2
  size_t offset2 = 0;
  double (*fields)(std::span<const uint8_t>) = nullptr;
};

using namespace std::string_view_literals;

// The kinds of files people encrypt most, by the bytes they start with.
const Signature kSignatures[] = {
    {"PDF document", "pdf", "%PDF-", 0, {}, 0, PdfFields},
    {"PNG image", "png", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"sv},
    {"JPEG image", "jpg", "\xFF\xD8\xFF", 0, {}, 0, JpegFields},
    {"GIF image", "gif", "GIF8", 0, {}, 0, GifFields},
    {"ZIP archive", "zip", "PK\x03\x04", 0, {}, 0, ZipFields},
    {"RAR archive", "rar", "Rar!\x1A\x07"},
    {"7-Zip archive", "7z", "7z\xBC\xAF\x27\x1C"},
    {"gzip data", "gz", "\x1F\x8B\x08"},
    {"bzip2 data", "bz2", "BZh", 0, "1AY&SY", 4},
    {"xz data", "xz",
     "\xFD"
     "7zXZ\0"sv},
    {"MP3 audio", "mp3", "ID3", 0, {}, 0, Id3Fields},
    {"Windows program", "exe", "MZ", 0, {}, 0, ExeFields},
    {"ELF program",
     "",
     "\x7F"
     "ELF",
     0,
     {},
     0,
     ElfFields},
    {"RTF document", "rtf", "{\\rtf1"},
    {"XML document", "xml", "<?xml "},
    {"XML document", "xml", "\xEF\xBB\xBF<?xml "},
    {"HTML document", "html", "<!DOCTYPE html"},
    {"HTML document", "html", "<!doctype html"},
    {"HTML document", "html", "<html"},
    {"Office document (old format)", "doc", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"},
    {"BMP image", "bmp", "BM", 0, "\0\0\0\0"sv, 6},
    {"TIFF image", "tif", "II*\0"sv},
    {"TIFF image", "tif", "MM\0*"sv},
    {"WAV audio", "wav", "RIFF", 0, "WAVE", 8},
    {"AVI video", "avi", "RIFF", 0, "AVI ", 8},
    {"WebP image", "webp", "RIFF", 0, "WEBP", 8},
    {"Ogg media", "ogg", "OggS\0"sv},
    {"FLAC audio", "flac", "fLaC"},
    {"MP4 video", "mp4", "\0\0"sv, 0, "ftyp", 4},
    {"Matroska video", "mkv", "\x1A\x45\xDF\xA3"},
    {"SQLite database", "sqlite", "SQLite format 3\0"sv},
    {"PostScript document", "ps", "%!PS"},
    {"tar archive", "tar", "ustar", 257},
};

double SignatureBits(const Signature& sig, std::span<const uint8_t> p) {
  if (!Has(p, sig.offset, sig.magic) || (!sig.magic2.empty() && !Has(p, sig.offset2, sig.magic2)))
    return 0;
  double bits = 8.0 * static_cast<double>(sig.magic.size() + sig.magic2.size());
  if (sig.fields != nullptr)
    bits += sig.fields(p);
  return bits;
}

double Log2(size_t n) { return std::log2(static_cast<double>(n)); }

}  // namespace

// ---------------------------------------------------------------------------------------------

struct PlausibilityModel::Tables {
  Language english;
  Language russian;
  Groups groups;
  std::vector<std::unique_ptr<EightBitText>> eight_bit;
  const text::CodePage* utf8 = nullptr;
  // log2(k + 1/2) and log2(k + 128), the steps of the adaptive coders.
  std::vector<float> seen;
  std::vector<float> context;
};

PlausibilityModel::PlausibilityModel(const std::vector<const text::CodePage*>& code_pages)
    : tables_([&] {
        auto t = std::make_unique<Tables>();
        t->english = Learn(letter_pairs::kEnglish);
        t->russian = Learn(letter_pairs::kRussian);
        t->groups = LearnGroups();
        t->utf8 = &text::CodePageByName("utf-8");
        for (const text::CodePage* page : code_pages) {
          if (page->IsUtf8())
            continue;
          t->eight_bit.push_back(Tabulate(t->english, t->groups, *page));
          // Russian only where the page has its letters.
          if (page->Encode(0x430))
            t->eight_bit.push_back(Tabulate(t->russian, t->groups, *page));
        }
        t->seen.resize(kFilePrefix + 1);
        t->context.resize(kFilePrefix + 1);
        for (size_t k = 0; k <= kFilePrefix; ++k) {
          t->seen[k] = static_cast<float>(std::log2(static_cast<double>(k) + 0.5));
          t->context[k] = static_cast<float>(std::log2(static_cast<double>(k) + 128));
        }
        return t;
      }()) {}

PlausibilityModel::~PlausibilityModel() = default;

namespace {

struct TextGain {
  double bits = -1e300;
  const text::CodePage* page = nullptr;
};

// The best reading as text, and how many readings were tried.
TextGain BestText(const PlausibilityModel::Tables& t,
                  std::span<const uint8_t> bytes,
                  size_t& models) {
  TextGain best;
  for (const auto& model : t.eight_bit) {
    const double bits = Gain(*model, bytes);
    if (bits > best.bits)
      best = {bits, model->page};
  }
  for (const Language* language : {&t.english, &t.russian}) {
    const double bits = GainUtf8(*language, t.groups, bytes);
    if (bits > best.bits)
      best = {bits, t.utf8};
  }
  models += t.eight_bit.size() + 2;
  return best;
}

ByteStatistics Statistics(const PlausibilityModel::Tables& t, std::span<const uint8_t> bytes) {
  std::array<uint32_t, 256> order0{};
  std::array<uint32_t, 256> contexts{};
  // Counts of byte pairs: kept per thread and cleared pair by pair, which costs less than
  // clearing all of them for a few KiB.
  thread_local std::vector<uint32_t> order1(256 * 256);
  double cost0 = 0, cost1 = 0;
  uint8_t before = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint8_t b = bytes[i];
    cost0 += t.context[i] - t.seen[order0[b]++];
    uint32_t& pair = order1[size_t{before} << 8 | b];
    cost1 += t.context[contexts[before]++] - t.seen[pair++];
    before = b;
  }
  before = 0;
  for (const uint8_t b : bytes) {
    order1[size_t{before} << 8 | b] = 0;
    before = b;
  }
  const double raw = 8.0 * static_cast<double>(bytes.size());
  return {raw - cost0, raw - cost1};
}

}  // namespace

Plausibility PlausibilityModel::ScoreString(std::span<const uint8_t> bytes) const {
  bytes = bytes.first(std::min(bytes.size(), kStringPrefix));
  size_t models = 2;  // random bytes, and byte statistics
  const TextGain text = BestText(*tables_, bytes, models);
  const double statistics = Statistics(*tables_, bytes).order0;
  Plausibility result;
  result.score = std::max({0.0, text.bits, statistics}) - Log2(models);
  if (text.bits > 0 && text.bits >= statistics) {
    result.kind = "text";
    result.code_page = text.page;
  }
  return result;
}

Plausibility PlausibilityModel::ScoreFile(std::span<const uint8_t> prefix) const {
  prefix = prefix.first(std::min(prefix.size(), kFilePrefix));
  size_t models = 3;  // random bytes, and the two coders
  const ByteStatistics statistics = Statistics(*tables_, prefix);
  const double rest = std::max({0.0, statistics.order0, statistics.order1});
  // Text shows itself in its first bytes; the coders see the rest.
  const TextGain text =
      BestText(*tables_, prefix.first(std::min<size_t>(prefix.size(), 4096)), models);
  const Signature* best_signature = nullptr;
  double signature_bits = 0;
  for (const Signature& sig : kSignatures) {
    const double bits = SignatureBits(sig, prefix);
    if (bits > signature_bits) {
      signature_bits = bits;
      best_signature = &sig;
    }
  }
  // Each signature goes with random bytes or either coder after it.
  models += 3 * std::size(kSignatures);

  Plausibility result;
  result.score = std::max({rest, text.bits, signature_bits + rest}) - Log2(models);
  if (best_signature != nullptr && signature_bits >= 24) {
    result.kind = best_signature->kind;
    result.extension = best_signature->extension;
    if (const std::string_view office =
            best_signature->fields == ZipFields ? OfficeExtension(prefix) : std::string_view();
        !office.empty()) {
      result.kind = "Office document";
      result.extension = office;
    }
  } else if (text.bits >= 2.0 * static_cast<double>(std::min<size_t>(prefix.size(), 4096))) {
    result.kind = "text";
    result.extension = "txt";
    result.code_page = text.page;
  } else if (result.score >= 30) {
    result.kind = "data";
  }
  return result;
}

}  // namespace varkesh::cli
