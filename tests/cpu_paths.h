// Every kernel tier the machine offers, for tests that must hold on each of them.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "crypto/detail/cpu.h"

namespace varkesh::test {

// Runs `body` once per tier, from the portable code up to every extension the processor has,
// with the tier's name in any failure message. Stops at the first fatal failure.
template <class Body>
void ForEachCpuPath(Body&& body) {
  for (const detail::CpuPath& path : detail::CpuPaths()) {
    const detail::ScopedCpuFeatures use(path.features);
    SCOPED_TRACE("cpu path " + path.name + " (" + detail::CpuFeatureNames(path.features) + ")");
    body();
    if (testing::Test::HasFatalFailure())
      return;
  }
}

}  // namespace varkesh::test
