#include "hostlink/host_text.h"

namespace varkesh {

namespace {

// In code page 1251 the alphabet А..я (U+0410..U+044F) is the contiguous range C0..FF.
constexpr char32_t kFirstLetter = 0x0410;
constexpr char32_t kLastLetter = 0x044F;
constexpr unsigned char kFirstLetterByte = 0xC0;
constexpr char32_t kYoUpper = 0x0401, kYoLower = 0x0451;
constexpr unsigned char kYoUpperByte = 0xA8, kYoLowerByte = 0xB8;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string ToHostText(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    }
    // Two-byte sequences cover every character we map; anything longer is not ours.
    if ((lead & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      const char32_t c =
          (char32_t{lead} & 0x1F) << 6 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
      i += 2;
      if (c >= kFirstLetter && c <= kLastLetter) {
        out += static_cast<char>(kFirstLetterByte + (c - kFirstLetter));
      } else if (c == kYoUpper) {
        out += static_cast<char>(kYoUpperByte);
      } else if (c == kYoLower) {
        out += static_cast<char>(kYoLowerByte);
      } else {
        out += '?';
      }
      continue;
    }
    out += '?';
    for (++i; i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80;) ++i;
  }
  return out;
}

std::string FromHostText(std::string_view cp1251) {
  std::string out;
  for (const char ch : cp1251) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out += ch;
    } else if (b >= kFirstLetterByte) {
      AppendUtf8(out, kFirstLetter + (b - kFirstLetterByte));
    } else if (b == kYoUpperByte) {
      AppendUtf8(out, kYoUpper);
    } else if (b == kYoLowerByte) {
      AppendUtf8(out, kYoLower);
    } else {
      out += '?';
    }
  }
  return out;
}

}  // namespace varkesh
