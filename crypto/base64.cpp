#include "varkesh/base64.h"

#include <array>

namespace varkesh {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t kPad = 255;
constexpr uint8_t kNoValue = 254;

constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> table{};
  table.fill(kNoValue);
  for (uint8_t i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = i;
  table['='] = kPad;
  return table;
}

constexpr std::array<uint8_t, 256> kDecode = MakeDecodeTable();

}  // namespace

size_t EncodeBase64(const uint8_t* in, char* out, size_t size) {
  const size_t groups = size / 3;
  for (size_t g = 0; g < groups; ++g, in += 3, out += 4) {
    out[0] = kAlphabet[in[0] >> 2];
    out[1] = kAlphabet[(in[0] & 3) << 4 | in[1] >> 4];
    out[2] = kAlphabet[(in[1] & 15) << 2 | in[2] >> 6];
    out[3] = kAlphabet[in[2] & 63];
  }
  switch (size % 3) {
    case 1:
      out[0] = kAlphabet[in[0] >> 2];
      out[1] = kAlphabet[(in[0] & 3) << 4];
      out[2] = out[3] = '=';
      break;
    case 2:
      out[0] = kAlphabet[in[0] >> 2];
      out[1] = kAlphabet[(in[0] & 3) << 4 | in[1] >> 4];
      out[2] = kAlphabet[(in[1] & 15) << 2];
      out[3] = '=';
      break;
    default:
      break;
  }
  return (size + 2) / 3 * 4;
}

std::string EncodeBase64Text(std::string_view bytes) {
  std::string text((bytes.size() + 2) / 3 * 4, '\0');
  EncodeBase64(reinterpret_cast<const uint8_t*>(bytes.data()), text.data(), bytes.size());
  return text;
}

size_t DecodeBase64(const char* in, uint8_t* out, size_t size) {
  // One slot per position in a group, kept from group to group: a character outside the
  // alphabet leaves its slot as the previous group set it.
  uint8_t slot[4] = {0, 0, 0, 0};
  uint8_t* const start = out;
  for (size_t g = 0; g < size / 4; ++g, in += 4) {
    for (int i = 0; i < 4; ++i) {
      const uint8_t v = kDecode[static_cast<uint8_t>(in[i])];
      if (v != kNoValue)
        slot[i] = v;
    }
    const auto [a, b, c, d] = slot;
    *out++ = static_cast<uint8_t>(a << 2 | b >> 4);
    if (c == kPad)
      continue;
    *out++ = static_cast<uint8_t>(b << 4 | c >> 2);
    if (d == kPad)
      continue;
    *out++ = static_cast<uint8_t>(c << 6 | d);
  }
  return static_cast<size_t>(out - start);
}

std::string DecodeBase64Text(std::string_view text) {
  std::string bytes(text.size() / 4 * 3, '\0');
  bytes.resize(DecodeBase64(text.data(), reinterpret_cast<uint8_t*>(bytes.data()), text.size()));
  return bytes;
}

}  // namespace varkesh
