// The one rule by which index and direction parameters are read: optional leading blanks, an
// optional sign, then decimal digits or hexadecimal digits after '$', 'x', 'X', "0x" or "0X";
// nothing after the digits. Decimal values must fit a signed 32-bit integer; hexadecimal ones
// are 32-bit patterns of up to eight significant digits ("$FFFFFFFF" is -1).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "varkesh/framework.h"

namespace varkesh {

// "'<text>' no es un valor entero válido", the text quoted unchanged. The message is in the
// host's 8-bit form, as every text the plug-in hands over.
class ConversionError : public Error {
 public:
  explicit ConversionError(std::string_view text);

  // The text that failed to convert.
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

int32_t ToInteger(std::string_view text);

// Plain decimal: no plus sign, no leading zeros.
std::string FromInteger(int32_t value);

}  // namespace varkesh
