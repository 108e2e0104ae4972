#include "platform/wipe.h"

#include <algorithm>

#ifdef _WIN32
#  include "platform/win32.h"
#else
#  include <string.h>
#endif

namespace varkesh::platform {

void Wipe(void* data, size_t size) {
  if (size == 0)
    return;
#ifdef _WIN32
  SecureZeroMemory(data, size);
#else
  explicit_bzero(data, size);
#endif
}

void Wipe(std::string& text) {
  text.resize(text.capacity());
  Wipe(text.data(), text.size());
  text.clear();
}

void SecretText::Append(const char* bytes, size_t count) {
  if (text_.size() + count > text_.capacity()) {
    std::string larger;
    larger.reserve(std::max(2 * text_.capacity(), text_.size() + count));
    larger.assign(text_);
    Wipe(text_);
    text_.swap(larger);
  }
  text_.append(bytes, count);
}

}  // namespace varkesh::platform
