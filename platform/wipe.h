// Memory that held a secret (a pass phrase, plaintext) is overwritten before it is given back,
// with a write the compiler may not drop.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace varkesh::platform {

void Wipe(void* data, size_t size);

// Wipes the text's whole buffer, beyond its length too, and leaves it empty.
void Wipe(std::string& text);

// A text that is wiped when it goes.
class SecretText {
 public:
  SecretText() = default;

  explicit SecretText(std::string text) : text_(std::move(text)) {}

  SecretText(SecretText&& other) noexcept : text_(std::move(other.text_)) {}

  SecretText& operator=(SecretText&& other) noexcept {
    if (this != &other) {
      Wipe(text_);
      text_ = std::move(other.text_);
    }
    return *this;
  }

  ~SecretText() { Wipe(text_); }

  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;

  std::string& value() { return text_; }

  const std::string& value() const { return text_; }

  // Appends without leaving a copy behind in memory given back when the text grows.
  void Append(const char* bytes, size_t count);

 private:
  std::string text_;
};

}  // namespace varkesh::platform
