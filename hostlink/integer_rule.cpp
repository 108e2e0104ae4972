#include "hostlink/integer_rule.h"

#include <optional>

namespace varkesh {

namespace {

// The accented letter as the single byte 0xE1 (its value in the Western 8-bit code pages). A
// message box shows it through ErrorBoxText instead (host_text.h).
std::string ConversionMessage(std::string_view text) {
  std::string message = "'";
  message.append(text);
  message.append("' no es un valor entero v\xE1lido");
  return message;
}

std::optional<int> DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9')
    v = c - '0';
  if (c >= 'a' && c <= 'f')
    v = c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    v = c - 'A' + 10;
  if (v < 0 || v >= base)
    return std::nullopt;
  return v;
}

std::optional<int32_t> Parse(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+'))
    negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    base = 16, ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16, i += 2;
  }
  if (i == s.size())
    return std::nullopt;
  uint64_t value = 0;
  int significant = 0;
  for (; i < s.size(); ++i) {
    const std::optional<int> digit = DigitValue(s[i], base);
    if (!digit)
      return std::nullopt;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(*digit);
    if (value != 0)
      ++significant;
    if (base == 16 && significant > 8)
      return std::nullopt;
    if (base == 10 && value > uint64_t{1} << 31)
      return std::nullopt;
  }
  if (base == 10) {
    if (!negative && value > INT32_MAX)
      return std::nullopt;
    const int64_t signed_value =
        negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    return static_cast<int32_t>(signed_value);
  }
  const auto pattern = static_cast<uint32_t>(value);
  return static_cast<int32_t>(negative ? 0u - pattern : pattern);
}

}  // namespace

ConversionError::ConversionError(std::string_view text)
    : Error(ConversionMessage(text)), text_(text) {}

int32_t ToInteger(std::string_view text) {
  const std::optional<int32_t> value = Parse(text);
  if (!value)
    throw ConversionError(text);
  return *value;
}

std::string FromInteger(int32_t value) { return std::to_string(value); }

}  // namespace varkesh
