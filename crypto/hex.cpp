#include "varkesh/hex.h"

#include <stdexcept>

namespace varkesh {

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

}  // namespace

std::vector<uint8_t> FromHex(std::string_view hex) {
  if (hex.size() % 2 != 0)
    throw std::invalid_argument("odd number of hex digits");
  std::vector<uint8_t> out(hex.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) {
    const int hi = DigitValue(hex[2 * i]);
    const int lo = DigitValue(hex[2 * i + 1]);
    if (hi < 0 || lo < 0)
      throw std::invalid_argument("not a hex digit");
    out[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  return out;
}

std::string ToHex(const uint8_t* data, size_t size) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out(2 * size, '\0');
  for (size_t i = 0; i < size; ++i) {
    out[2 * i] = kDigits[data[i] >> 4];
    out[2 * i + 1] = kDigits[data[i] & 15];
  }
  return out;
}

}  // namespace varkesh
