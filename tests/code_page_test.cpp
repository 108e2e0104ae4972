// Code pages: our tables against the system's converters, strictness, and names.
#include "text/code_page.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#  include "platform/win32.h"
#else
#  include <iconv.h>
#endif

namespace varkesh::test {
namespace {

using text::CodePage;
using text::CodePageError;

// The system's own conversion of one byte to UTF-8, an oracle independent of our tables;
// nullopt where the system has no character for it (or does not know the page).
std::optional<std::string> SystemToUtf8(const CodePage& page, unsigned char byte) {
#ifdef _WIN32
  wchar_t wide[2];
  const char in = static_cast<char>(byte);
  if (MultiByteToWideChar(static_cast<UINT>(page.Number()), MB_ERR_INVALID_CHARS, &in, 1, wide,
                          2) != 1) {
    return std::nullopt;
  }
  char out[8];
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, 1, out, sizeof out, nullptr, nullptr);
  return std::string(out, static_cast<size_t>(n));
#else
  std::string name(page.Name());
  if (name.find_first_not_of("0123456789") == std::string::npos)
    name = "CP" + name;
  const iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1))
    return std::nullopt;
  char in_byte = static_cast<char>(byte);
  char buffer[8];
  char* in = &in_byte;
  char* out = buffer;
  size_t in_left = 1, out_left = sizeof buffer;
  const size_t done = iconv(cd, &in, &in_left, &out, &out_left);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1))
    return std::nullopt;
  return std::string(buffer, out);
#endif
}

// Every byte of every 8-bit page has a character, the way back gives the byte again, and the
// character is the one the system's converter gives (where it has one: Python's codecs and the
// C library leave a few bytes of 0x80-0x9F undefined, which we map to the C1 control of the same
// value as Windows does).
TEST(CodePages, EveryByteRoundTripsAndMatchesTheSystem) {
  int compared = 0;
  for (const CodePage& page : text::CodePages()) {
    if (page.IsUtf8())
      continue;
    SCOPED_TRACE(std::string(page.Name()));
    for (int b = 0; b < 256; ++b) {
      const std::string byte(1, static_cast<char>(b));
      const std::string utf8 = page.ToUtf8(byte);
      EXPECT_EQ(page.FromUtf8(utf8), byte) << b;
      const std::optional<std::string> system = SystemToUtf8(page, static_cast<unsigned char>(b));
      if (system) {
        EXPECT_EQ(utf8, *system) << b;
        ++compared;
      } else {
        EXPECT_TRUE(b >= 0x80 && b <= 0x9F && page.Decode(static_cast<uint8_t>(b)) == char32_t(b))
            << b;
      }
    }
  }
  EXPECT_GT(compared, 256 * 6);  // the system knew most pages
}

TEST(CodePages, CyrillicInTheRussianPages) {
  const std::string word = "Пароль ёЁ";

  const struct {
    const char* page;
    std::string bytes;
  } cases[] = {
      {"1251", "\xCF\xE0\xF0\xEE\xEB\xFC \xB8\xA8"},
      {"866", "\x8F\xA0\xE0\xAE\xAB\xEC \xF1\xF0"},
      {"koi8-r", "\xF0\xC1\xD2\xCF\xCC\xD8 \xA3\xB3"},
      {"iso-8859-5", "\xBF\xD0\xE0\xDE\xDB\xEC \xF1\xA1"},
      {"utf-8", word},
  };

  for (const auto& c : cases) {
    const CodePage& page = text::CodePageByName(c.page);
    EXPECT_EQ(page.FromUtf8(word), c.bytes) << c.page;
    EXPECT_EQ(page.ToUtf8(c.bytes), word) << c.page;
  }
}

TEST(CodePages, RefusesWhatItCannotConvertNamingIt) {
  const struct {
    const char* page;
    std::string input;
    const char* message;
  } cases[] = {
      {"1251", "caf\xC3\xA9", "code page 1251 has no character \"\xC3\xA9\" (U+00E9)"},
      {"1252", "\xD0\x96", "code page 1252 has no character \"\xD0\x96\" (U+0416)"},
      {"866", "\xE2\x82\xAC", "code page 866 has no character \"\xE2\x82\xAC\" (U+20AC)"},
      {"1251", "\xF0\x9F\x99\x82",
       "code page 1251 has no character \"\xF0\x9F\x99\x82\" (U+1F642)"},
      {"1251", "\xC2\x85", "code page 1251 has no character (U+0085)"},  // a control: no glyph
      {"1251", "ok\xFF", "invalid UTF-8: byte 0xFF at offset 2"},
      {"1251", "\xCF\xE0", "invalid UTF-8: byte 0xCF at offset 0"},  // CP1251 bytes, not UTF-8
      {"1251", "\xC0\xAF", "invalid UTF-8: byte 0xC0 at offset 0"},  // overlong '/'
      {"1251", "\xE0\x80\xAF", "invalid UTF-8: byte 0xE0 at offset 0"},
      {"1251", "\xED\xA0\x80", "invalid UTF-8: byte 0xED at offset 0"},      // a surrogate
      {"1251", "\xF4\x90\x80\x80", "invalid UTF-8: byte 0xF4 at offset 0"},  // above U+10FFFF
      {"1251", "x\xD0", "invalid UTF-8: byte 0xD0 at offset 1"},             // cut short
  };

  for (const auto& c : cases) {
    try {
      text::CodePageByName(c.page).FromUtf8(c.input);
      ADD_FAILURE() << c.message;
    } catch (const CodePageError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(text::IsValidUtf8(c.input), !std::string(c.message).starts_with("invalid"));
  }
  // UTF-8 ("raw") passes any bytes unchanged.
  EXPECT_EQ(text::CodePageByName("raw").FromUtf8("\xFF\xCF"), "\xFF\xCF");
  EXPECT_EQ(text::CodePageByName("raw").ToUtf8("\xFF\xCF"), "\xFF\xCF");
}

TEST(CodePages, FoundByNumberAndName) {
  const struct {
    const char* name;
    int number;
  } cases[] = {
      {"1251", 1251},   {"CP1251", 1251},      {"windows-1251", 1251}, {"Windows_1252", 1252},
      {"cp866", 866},   {"IBM866", 866},       {"KOI8-R", 20866},      {"koi8r", 20866},
      {"20866", 20866}, {"ISO-8859-5", 28595}, {"iso8859-5", 28595},   {"1250", 1250},
      {"utf-8", 65001}, {"UTF8", 65001},       {"raw", 65001},         {"65001", 65001},
  };

  for (const auto& c : cases) {
    const CodePage* page = text::FindCodePage(c.name);
    ASSERT_NE(page, nullptr) << c.name;
    EXPECT_EQ(page->Number(), c.number) << c.name;
  }
  EXPECT_EQ(text::HostCodePage().Number(), 1251);
  for (const char* unknown : {"", "ebcdic", "125", "12510", "utf-16", "koi8"}) {
    EXPECT_EQ(text::FindCodePage(unknown), nullptr) << unknown;
  }
  EXPECT_THROW(
      {
        try {
          text::CodePageByName("ebcdic");
        } catch (const Error& e) {
          EXPECT_STREQ(e.what(), "Unknown code page: ebcdic");
          throw;
        }
      },
      Error);
}

}  // namespace
}  // namespace varkesh::test
