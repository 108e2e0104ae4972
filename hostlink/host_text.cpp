#include "hostlink/host_text.h"

#include "text/code_page.h"

namespace varkesh {

std::string ToHostText(std::string_view utf8) { return text::HostCodePage().FromUtf8(utf8); }

std::string FromHostText(std::string_view cp1251) { return text::HostCodePage().ToUtf8(cp1251); }

}  // namespace varkesh
