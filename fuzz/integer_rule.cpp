// The integer rule against a second reading of it, written for plainness rather than speed:
// blanks, one sign, decimal or hexadecimal digits after '$', 'x', 'X', "0x" or "0X", nothing
// after them; decimal within the signed 32-bit range, hexadecimal as a 32-bit pattern of up to
// eight significant digits. A text that breaks the rule fails with the message that quotes it.
#include "hostlink/integer_rule.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/check.h"

namespace {

bool IsDigit(char c, int base) {
  if (c >= '0' && c <= '9')
    return true;
  return base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

std::optional<int32_t> Reference(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  bool minus = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    minus = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.starts_with("0x") || s.starts_with("0X")) {
    base = 16;
    s.remove_prefix(2);
  } else if (s.starts_with("$") || s.starts_with("x") || s.starts_with("X")) {
    base = 16;
    s.remove_prefix(1);
  }
  if (s.empty())
    return std::nullopt;
  for (const char c : s) {
    if (!IsDigit(c, base))
      return std::nullopt;
  }
  while (s.size() > 1 && s.front() == '0') s.remove_prefix(1);
  if (base == 16) {
    if (s.size() > 8)
      return std::nullopt;
    uint32_t pattern = static_cast<uint32_t>(std::stoul(std::string(s), nullptr, 16));
    if (minus)
      pattern = 0u - pattern;
    return static_cast<int32_t>(pattern);
  }
  if (s.size() > 10)
    return std::nullopt;
  const int64_t magnitude = std::stoll(std::string(s));
  const int64_t value = minus ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX)
    return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<int32_t> expected = Reference(text);
  try {
    const int32_t value = varkesh::ToInteger(text);
    FUZZ_CHECK(expected.has_value() && value == *expected);
    // What the edit step writes back reads as the same number.
    FUZZ_CHECK(varkesh::ToInteger(varkesh::FromInteger(value)) == value);
  } catch (const varkesh::ConversionError& e) {
    FUZZ_CHECK(!expected.has_value());
    FUZZ_CHECK(e.text() == text);
    // A host text ends at its first zero byte, and so does the message.
    const std::string message = "'" + std::string(text) + "' no es un valor entero v\xE1lido";
    FUZZ_CHECK(std::string_view(e.what()) == message.c_str());
  }
  return 0;
}
