// The host-access operations behind the exports: string slots, variables, and the two
// interface-access requests with every shape of answer the host may give.
#include "hostlink/host_link.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "host/host.h"
#include "varkesh/framework.h"

namespace varkesh::test {
namespace {

using host::Host;
using hostlink::Link;

// The fake host's answer to the next request, and what it saw.
struct FakeHost {
  bool answered = true;
  std::optional<std::string> text;
  int last_code = 0;
  int calls = 0;
};

FakeHost fake;

bool VARKESH_HOSTCALL AnswerRequest(int32_t code, char** text) {
  ++fake.calls;
  fake.last_code = code;
  EXPECT_EQ(*text, nullptr) << "the pointer must be null before the call";
  if (fake.text)
    *text = Host::NewBlock(*fake.text);
  return fake.answered;
}

class HostLinkTest : public testing::Test {
 protected:
  void SetUp() override {
    fake = FakeHost{};
    Link().interface_access = &AnswerRequest;
  }

  void TearDown() override { Link() = hostlink::HostLink{}; }
};

TEST_F(HostLinkTest, VariablePickerFollowsTheFirstDigitOfTheVersion) {
  struct Case {
    std::optional<std::string> text;
    bool answered;
    std::optional<bool> supports;  // none: the conversion error
  };

  const Case cases[] = {
      {"5", true, true},          {"5.1.2", true, true},
      {"9", true, true},          {"4.9", true, false},
      {"12", true, false},        {"0", true, false},
      {"6", false, true},  // the Boolean is not looked at
      {"", true, std::nullopt},   {std::nullopt, true, std::nullopt},
      {"v5", true, std::nullopt}, {" 5", true, std::nullopt},
  };
  for (const Case& c : cases) {
    fake.text = c.text;
    fake.answered = c.answered;
    const std::string label = c.text.value_or("<null>");
    if (c.supports) {
      EXPECT_EQ(hostlink::HostSupportsVariablePicker(), *c.supports) << label;
    } else {
      EXPECT_THROW(hostlink::HostSupportsVariablePicker(), Error) << label;
    }
    EXPECT_EQ(fake.last_code, 6);
  }
}

TEST_F(HostLinkTest, PickedVariableOnlyWhenTheHostAnswered) {
  struct Case {
    std::optional<std::string> text;
    bool answered;
    std::string picked;
  };

  for (const Case& c : {Case{"%Result%", true, "%Result%"}, Case{"%Result%", false, ""},
                        Case{std::nullopt, true, ""}, Case{"", true, ""}}) {
    fake.text = c.text;
    fake.answered = c.answered;
    EXPECT_EQ(hostlink::PickHostVariable(), c.picked);
    EXPECT_EQ(fake.last_code, 14);
  }
}

TEST_F(HostLinkTest, NoCallbackMeansNoPickerAndNoError) {
  Link().interface_access = nullptr;
  EXPECT_FALSE(hostlink::HostSupportsVariablePicker());
  EXPECT_EQ(hostlink::PickHostVariable(), "");
  EXPECT_EQ(fake.calls, 0);
}

// Every block the host hands over is freed, whatever the answer; a Host instance owns the
// heap accounting.
TEST(HostLinkHeap, EveryAnswerBlockIsFreed) {
  Host host(VARKESH_PLUGIN);
  Link().interface_access = &AnswerRequest;
  for (const bool answered : {true, false}) {
    for (const char* text : {"5", "x", ""}) {
      fake.text = text;
      fake.answered = answered;
      try {
        hostlink::HostSupportsVariablePicker();
      } catch (const Error&) {
      }
      hostlink::PickHostVariable();
    }
  }
  Link() = hostlink::HostLink{};
  EXPECT_EQ(host.heap().unfreed, 0);
  EXPECT_EQ(host.heap().foreign_frees, 0);
}

TEST(HostLinkSlots, StoreReplacesTheBlockAndFreeClearsThePointer) {
  Host host(VARKESH_PLUGIN);
  char* slot = Host::NewBlock("old");
  Host::Owe(slot);
  hostlink::StoreHostString(&slot, "new text");
  EXPECT_STREQ(slot, "new text");
  EXPECT_EQ(host.heap().unfreed, 0);  // the old block went
  Host::Owe(slot);
  hostlink::StoreHostString(&slot, "");
  ASSERT_NE(slot, nullptr);  // an empty text is a block holding one zero byte
  EXPECT_STREQ(slot, "");
  Host::Owe(slot);
  hostlink::FreeHostString(&slot);
  EXPECT_EQ(slot, nullptr);
  hostlink::FreeHostString(&slot);  // null is fine
  EXPECT_EQ(host.heap().unfreed, 0);
  EXPECT_EQ(host.heap().foreign_frees, 0);
}

TEST(HostLinkVariables, MissingCallbackIsAnError) {
  Link() = hostlink::HostLink{};
  try {
    hostlink::SetHostVariable("V", "x");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Host variable callback is not registered");
  }
}

}  // namespace
}  // namespace varkesh::test
