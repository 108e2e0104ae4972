// Conversion between UTF-8, which terminals, scripts and our sources speak, and the 8-bit code
// pages in which the host and the Windows programs of its time keep text (1251 for Russian).
// Every conversion uses our own tables, never the system's, so a text converts the same on
// every machine whatever its locale or ANSI code page.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "varkesh/framework.h"

namespace varkesh::text {

// A text that cannot be converted: bytes that are not UTF-8, or a character the code page lacks.
// Nothing is ever replaced by '?'.
class CodePageError : public Error {
 public:
  using Error::Error;
};

// An 8-bit code page whose lower half is ASCII, or UTF-8 itself, whose bytes pass unchanged.
class CodePage {
 public:
  struct Table;  // the upper half of an 8-bit page and its inverse

  // How users name it: "1251", "koi8-r", "utf-8".
  constexpr std::string_view Name() const { return name_; }

  // Windows' number for it (65001 for UTF-8).
  constexpr int Number() const { return number_; }

  // UTF-8 (also called "raw"): conversions hand the bytes back unchanged.
  constexpr bool IsUtf8() const { return table_ == nullptr; }

  // One character of an 8-bit page: its byte, or nullopt when the page lacks it; and the
  // character of a byte (every byte has one). UTF-8 answers nullopt and the byte's own value.
  std::optional<uint8_t> Encode(char32_t c) const;
  char32_t Decode(uint8_t byte) const;

  // UTF-8 to this page's bytes. Throws CodePageError for invalid UTF-8 and for a character
  // the page lacks, naming it. UTF-8 itself returns the bytes unchecked.
  std::string FromUtf8(std::string_view utf8) const;

  // This page's bytes to UTF-8; never fails, and FromUtf8 gives the same bytes back.
  std::string ToUtf8(std::string_view bytes) const;

  constexpr CodePage(std::string_view name,
                     int number,
                     std::string_view aliases,
                     const Table* table)
      : name_(name), number_(number), aliases_(aliases), table_(table) {}

  constexpr std::string_view Aliases() const { return aliases_; }

 private:
  std::string_view name_;
  int number_;
  std::string_view aliases_;
  const Table* table_;
};

// Every code page we know: the host's (1251) first, UTF-8 last.
std::span<const CodePage> CodePages();

// By number or name, case, '-', '_' and spaces ignored: "1251", "cp1251", "Windows-1251",
// "KOI8-R", "20866", "utf8", "raw". Null when nothing matches.
const CodePage* FindCodePage(std::string_view name_or_number) noexcept;

// As FindCodePage; an unknown name throws Error "Unknown code page: <name>".
const CodePage& CodePageByName(std::string_view name_or_number);

// The host's code page, 1251.
const CodePage& HostCodePage();

// Strict UTF-8: no overlong forms, surrogates, values above U+10FFFF or cut sequences.
bool IsValidUtf8(std::string_view bytes);

// Decodes the strict UTF-8 sequence at `i` and advances past it; nullopt, with `i` unchanged,
// when the bytes there are not one.
std::optional<char32_t> NextUtf8Character(std::string_view bytes, size_t& i);

}  // namespace varkesh::text
