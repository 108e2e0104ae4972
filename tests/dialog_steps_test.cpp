// The host stand-in's dialog steps, as test scripts and users of varkesh-host write them.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/dialog_driver.h"

namespace varkesh::test {
namespace {

using host::DialogStep;
using host::ParseSteps;
using Kind = DialogStep::Kind;

TEST(DialogSteps, EveryFormWithEitherSeparatorAndLineEnd) {
  struct Expected {
    Kind kind;
    std::string target, value;
  };

  const std::vector<DialogStep> steps = ParseSteps(
      "set edVariable= Sum ;select cbHash=2\r\n  ok \npick 3\r\nradio 0;key alt+a\r\r\n"
      "close; state;shot a b.bmp;;cancel;help");
  const std::vector<Expected> expected = {{Kind::kSet, "edVariable", " Sum"},
                                          {Kind::kSelect, "cbHash", "2"},
                                          {Kind::kClick, "btnAceptar", ""},
                                          {Kind::kClick, "btnVariables3", ""},
                                          {Kind::kClick, "rbCifrar", ""},
                                          {Kind::kKey, "alt+a", ""},
                                          {Kind::kClose, "", ""},
                                          {Kind::kState, "", ""},
                                          {Kind::kShot, "a b.bmp", ""},
                                          {Kind::kClick, "btnCancelar", ""},
                                          {Kind::kClick, "btnAyuda", ""}};
  ASSERT_EQ(steps.size(), expected.size());
  for (size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(steps[i].kind, expected[i].kind) << i;
    EXPECT_EQ(steps[i].target, expected[i].target) << i;
    EXPECT_EQ(steps[i].value, expected[i].value) << i;
  }
}

TEST(DialogSteps, AnythingElseIsRefused) {
  // A line end is no name: "key" followed only by carriage returns names nothing.
  for (const char* script : {"jump", "set edVariable", "click", "key \r\r", "pick 4", "radio 2",
                             "ok now", "set", "state; bogus"}) {
    EXPECT_THROW(ParseSteps(script), std::invalid_argument) << script;
  }
  EXPECT_TRUE(ParseSteps(" ;\r\n; ").empty());
}

}  // namespace
}  // namespace varkesh::test
