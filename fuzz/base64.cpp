// The lenient Base64 decoder takes any text: it stays inside the input and inside the output it
// was promised ((size / 4) * 3 bytes), and it agrees with a plain reading of its rule written
// here again. The encoder's output decodes back to the bytes it came from.
#include "varkesh/base64.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::optional<unsigned> Value(char c) {
  if (c == '=')
    return 255;
  const size_t at = kAlphabet.find(c);
  if (at == std::string_view::npos)
    return std::nullopt;
  return static_cast<unsigned>(at);
}

// Groups of four; a character without a value keeps the one its position had in the group
// before (0 at first); a pad in third place gives one byte, in fourth place two.
std::string Reference(std::string_view text) {
  std::array<unsigned, 4> slot{};
  std::string out;
  for (size_t group = 0; group + 4 <= text.size(); group += 4) {
    for (size_t i = 0; i < 4; ++i) {
      if (const std::optional<unsigned> v = Value(text[group + i]))
        slot[i] = *v;
    }
    out.push_back(static_cast<char>((slot[0] << 2 | slot[1] >> 4) & 0xFF));
    if (slot[2] == 255)
      continue;
    out.push_back(static_cast<char>((slot[1] << 4 | slot[2] >> 2) & 0xFF));
    if (slot[3] != 255)
      out.push_back(static_cast<char>((slot[2] << 6 | slot[3]) & 0xFF));
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Decoding into exactly the space promised, on the heap where the sanitizer watches its ends.
  const std::string expected = Reference(bytes);
  std::vector<uint8_t> decoded(size / 4 * 3);
  const size_t n = varkesh::DecodeBase64(bytes.data(), decoded.data(), size);
  FUZZ_CHECK(n <= decoded.size());
  FUZZ_CHECK(std::string_view(reinterpret_cast<const char*>(decoded.data()), n) == expected);
  FUZZ_CHECK(varkesh::DecodeBase64Text(bytes) == expected);

  // The same bytes as data to encode.
  std::vector<char> encoded((size + 2) / 3 * 4);
  FUZZ_CHECK(varkesh::EncodeBase64(data, encoded.data(), size) == encoded.size());
  const std::string text = varkesh::EncodeBase64Text(bytes);
  FUZZ_CHECK(std::string_view(encoded.data(), encoded.size()) == text);
  for (const char c : text) FUZZ_CHECK(c == '=' || kAlphabet.find(c) != std::string_view::npos);
  FUZZ_CHECK(varkesh::DecodeBase64Text(text) == bytes);
  return 0;
}
