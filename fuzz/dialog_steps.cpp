// The host stand-in's dialog steps, as a test script or a user of varkesh-host writes them:
// any text either parses or is refused with std::invalid_argument. What parses holds no
// separator, names its control without surrounding blanks or line ends, and gives the same
// steps once written out again.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "host/dialog_driver.h"

namespace {

using varkesh::host::DialogStep;

std::string Write(const DialogStep& step) {
  using Kind = DialogStep::Kind;
  switch (step.kind) {
    case Kind::kSet:
      return "set " + step.target + "=" + step.value;
    case Kind::kSelect:
      return "select " + step.target + "=" + step.value;
    case Kind::kClick:
      return "click " + step.target;
    case Kind::kKey:
      return "key " + step.target;
    case Kind::kClose:
      return "close";
    case Kind::kState:
      return "state";
    case Kind::kShot:
      return "shot " + step.target;
  }
  return {};
}

bool Clean(const std::string& s) { return s.find_first_of(";\n") == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string script(reinterpret_cast<const char*>(data), size);
  std::vector<DialogStep> steps;
  try {
    steps = varkesh::host::ParseSteps(script);
  } catch (const std::invalid_argument&) {
    return 0;
  }
  std::string again;
  for (const DialogStep& step : steps) {
    FUZZ_CHECK(Clean(step.target) && Clean(step.value));
    FUZZ_CHECK(step.target.empty() || (step.target.find_first_of(" \r") != 0 &&
                                       step.target.find_last_of(" \r") != step.target.size() - 1));
    const bool named =
        step.kind != DialogStep::Kind::kClose && step.kind != DialogStep::Kind::kState &&
        step.kind != DialogStep::Kind::kSet && step.kind != DialogStep::Kind::kSelect;
    FUZZ_CHECK(!named || !step.target.empty());
    again += Write(step) + "\n";
  }
  const std::vector<DialogStep> reread = varkesh::host::ParseSteps(again);
  FUZZ_CHECK(reread.size() == steps.size());
  for (size_t i = 0; i < steps.size(); ++i) {
    FUZZ_CHECK(reread[i].kind == steps[i].kind && reread[i].target == steps[i].target &&
               reread[i].value == steps[i].value);
  }
  return 0;
}
