// The host speaks 8-bit text in code page 1251. Our own Russian texts are written once, in
// UTF-8, and pass through ToHostText on their way out; FromHostText turns host text back into
// UTF-8 for a terminal. ToHostText refuses (text::CodePageError) a character the code page
// lacks rather than turning it into '?'; every host byte has a character.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace varkesh {

std::string ToHostText(std::string_view utf8);
std::string FromHostText(std::string_view cp1251);

// What an error message box shows for `error`, in UTF-8: its message with the host's text read
// in the system's ANSI code page (1251 where there is none), and the integer rule's message
// with its accented letter as the letter, whatever that code page.
std::string ErrorBoxText(const std::exception& error);

}  // namespace varkesh
