#include "hostlink/host_link.h"

#include <cstring>

#include "hostlink/integer_rule.h"
#include "platform/host_heap.h"
#include "varkesh/framework.h"

namespace varkesh::hostlink {

namespace {

constexpr int32_t kRequestVersion = 6;
constexpr int32_t kRequestPickVariable = 14;

// Frees the host's answer block however the caller leaves.
class HostAnswer {
 public:
  HostAnswer() = default;

  ~HostAnswer() { FreeHostString(&text_); }

  HostAnswer(const HostAnswer&) = delete;
  HostAnswer& operator=(const HostAnswer&) = delete;

  char** slot() { return &text_; }

  std::string Copy() const { return ReadHostString(text_); }

 private:
  char* text_ = nullptr;
};

}  // namespace

HostLink& Link() {
  static HostLink link;
  return link;
}

void StoreHostString(char** slot, const std::string& text) {
  auto* block = static_cast<char*>(platform::HostAllocate(text.size() + 1));
  std::memcpy(block, text.c_str(), text.size() + 1);
  platform::HostRelease(*slot);
  *slot = block;
}

void FreeHostString(char** text) {
  platform::HostRelease(*text);
  *text = nullptr;
}

std::string ReadHostString(const char* text) { return text != nullptr ? text : ""; }

void SetHostVariable(const std::string& name, const std::string& value) {
  const SetVariableCallback callback = Link().set_variable;
  if (callback == nullptr)
    throw Error("Host variable callback is not registered");
  callback(name.c_str(), value.c_str());
}

bool HostSupportsVariablePicker() {
  const InterfaceAccessCallback callback = Link().interface_access;
  if (callback == nullptr)
    return false;
  HostAnswer answer;
  callback(kRequestVersion, answer.slot());
  // Only the first character counts: "12" reads as 1.
  return ToInteger(answer.Copy().substr(0, 1)) >= 5;
}

std::string PickHostVariable() {
  const InterfaceAccessCallback callback = Link().interface_access;
  if (callback == nullptr)
    return {};
  HostAnswer answer;
  const bool answered = callback(kRequestPickVariable, answer.slot());
  return answered ? answer.Copy() : std::string();
}

}  // namespace varkesh::hostlink
