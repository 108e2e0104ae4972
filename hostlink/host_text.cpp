#include "hostlink/host_text.h"

#include "hostlink/integer_rule.h"
#include "platform/ui.h"
#include "text/code_page.h"

namespace varkesh {

namespace {

std::string SystemTextToUtf8(std::string_view text) {
  if (std::optional<std::string> utf8 = platform::AnsiToUtf8(text))
    return *std::move(utf8);
  return FromHostText(text);
}

}  // namespace

std::string ToHostText(std::string_view utf8) { return text::HostCodePage().FromUtf8(utf8); }

std::string FromHostText(std::string_view cp1251) { return text::HostCodePage().ToUtf8(cp1251); }

std::string ErrorBoxText(const std::exception& error) {
  if (const auto* conversion = dynamic_cast<const ConversionError*>(&error)) {
    std::string message = "'";
    message += SystemTextToUtf8(conversion->text());
    message += "' no es un valor entero válido";
    return message;
  }
  return SystemTextToUtf8(error.what());
}

}  // namespace varkesh
