#include "text/code_page.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "text/code_page_tables.h"

namespace varkesh::text {

struct CodePage::Table {
  struct Entry {
    char16_t c;
    uint8_t byte;
  };

  const std::array<char16_t, 128>* upper;
  std::array<Entry, 128> by_character;  // sorted, for Encode
};

namespace {

using tables::kEightBitPages;
constexpr size_t kPageCount = std::size(kEightBitPages);

constexpr CodePage::Table MakeTable(const tables::EightBitPage& page) {
  CodePage::Table table{&page.upper, {}};
  for (size_t i = 0; i < 128; ++i) {
    table.by_character[i] = {page.upper[i], static_cast<uint8_t>(0x80 + i)};
  }
  std::sort(table.by_character.begin(), table.by_character.end(),
            [](const auto& a, const auto& b) { return a.c < b.c; });
  return table;
}

template <size_t... I>
constexpr std::array<CodePage::Table, kPageCount> MakeTables(std::index_sequence<I...>) {
  return {MakeTable(kEightBitPages[I])...};
}

constexpr std::array<CodePage::Table, kPageCount> kTables =
    MakeTables(std::make_index_sequence<kPageCount>());

template <size_t... I>
constexpr std::array<CodePage, kPageCount + 1> MakePages(std::index_sequence<I...>) {
  return {CodePage(kEightBitPages[I].name, kEightBitPages[I].number, kEightBitPages[I].aliases,
                   &kTables[I])...,
          CodePage("utf-8", 65001, "utf8 raw cp65001", nullptr)};
}

constexpr std::array<CodePage, kPageCount + 1> kPages =
    MakePages(std::make_index_sequence<kPageCount>());

static_assert(kPages[0].Number() == 1251, "the host's code page comes first");

// Decodes the UTF-8 sequence at `i`, advancing past it; nullopt (and `i` unchanged) when the
// bytes there are not a valid sequence.
std::optional<char32_t> NextCharacter(std::string_view s, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  size_t length = 0;
  char32_t c = 0, min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, min = 0x10000;
  } else {
    return std::nullopt;
  }
  if (s.size() - i < length)
    return std::nullopt;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80)
      return std::nullopt;
    c = c << 6 | (byte(i + k) & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
    return std::nullopt;
  i += length;
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Hex(unsigned value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}

// `c` as the user can recognise it: the character itself when it prints, and its number.
std::string Describe(char32_t c) {
  std::string out;
  if (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c <= 0x9F)) {
    out += '"';
    AppendUtf8(out, c);
    out += "\" ";
  }
  return out + "(U+" + Hex(static_cast<unsigned>(c), 4) + ")";
}

// Lower case without '-', '_' and spaces.
std::string Normalise(std::string_view name) {
  std::string out;
  for (const char ch : name) {
    if (ch == '-' || ch == '_' || ch == ' ')
      continue;
    out += (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
  }
  return out;
}

bool Matches(const CodePage& page, const std::string& wanted) {
  if (wanted == Normalise(page.Name()) || wanted == std::to_string(page.Number()))
    return true;
  std::string_view aliases = page.Aliases();
  while (!aliases.empty()) {
    const size_t end = std::min(aliases.find(' '), aliases.size());
    if (wanted == Normalise(aliases.substr(0, end)))
      return true;
    aliases.remove_prefix(std::min(end + 1, aliases.size()));
  }
  return false;
}

}  // namespace

std::optional<uint8_t> CodePage::Encode(char32_t c) const {
  if (table_ == nullptr)
    return std::nullopt;
  if (c < 0x80)
    return static_cast<uint8_t>(c);
  const auto& entries = table_->by_character;
  const auto it = std::lower_bound(entries.begin(), entries.end(), c,
                                   [](const Table::Entry& e, char32_t x) { return e.c < x; });
  if (it == entries.end() || it->c != c)
    return std::nullopt;
  return it->byte;
}

char32_t CodePage::Decode(uint8_t byte) const {
  if (table_ == nullptr || byte < 0x80)
    return byte;
  return (*table_->upper)[byte - 0x80];
}

std::string CodePage::FromUtf8(std::string_view utf8) const {
  if (IsUtf8())
    return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const size_t at = i;
    const std::optional<char32_t> c = NextCharacter(utf8, i);
    if (!c) {
      throw CodePageError("invalid UTF-8: byte 0x" + Hex(static_cast<unsigned char>(utf8[at]), 2) +
                          " at offset " + std::to_string(at));
    }
    const std::optional<uint8_t> byte = Encode(*c);
    if (!byte) {
      throw CodePageError("code page " + std::string(name_) + " has no character " + Describe(*c));
    }
    out += static_cast<char>(*byte);
  }
  return out;
}

std::string CodePage::ToUtf8(std::string_view bytes) const {
  if (IsUtf8())
    return std::string(bytes);
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) AppendUtf8(out, Decode(static_cast<uint8_t>(ch)));
  return out;
}

std::span<const CodePage> CodePages() { return kPages; }

const CodePage* FindCodePage(std::string_view name_or_number) noexcept {
  try {
    const std::string wanted = Normalise(name_or_number);
    for (const CodePage& page : kPages) {
      if (Matches(page, wanted))
        return &page;
    }
  } catch (...) {
    // Out of memory for a name: nothing matches.
  }
  return nullptr;
}

const CodePage& CodePageByName(std::string_view name_or_number) {
  const CodePage* page = FindCodePage(name_or_number);
  if (page == nullptr)
    throw Error("Unknown code page: " + std::string(name_or_number));
  return *page;
}

const CodePage& HostCodePage() { return kPages[0]; }

bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    if (!NextCharacter(bytes, i))
      return false;
  }
  return true;
}

std::optional<char32_t> NextUtf8Character(std::string_view bytes, size_t& i) {
  return NextCharacter(bytes, i);
}

}  // namespace varkesh::text
