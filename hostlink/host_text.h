// The host speaks 8-bit text in code page 1251. Our own Russian texts are written once, in
// UTF-8, and pass through ToHostText on their way out; FromHostText turns host text back into
// UTF-8 for a terminal. ToHostText refuses (text::CodePageError) a character the code page
// lacks rather than turning it into '?'; every host byte has a character.
#pragma once

#include <string>
#include <string_view>

namespace varkesh {

std::string ToHostText(std::string_view utf8);
std::string FromHostText(std::string_view cp1251);

}  // namespace varkesh
