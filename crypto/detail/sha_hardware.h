// The run-time choice between the SHA-instruction path and the portable code, which SHA-1 and
// SHA-256 offer alike. Both paths agree bit for bit.
#pragma once

namespace varkesh::detail {

// Whether this processor has the SHA instructions and the SSSE3 and SSE4.1 ones used beside them.
bool ShaInstructionsAvailable();

class ShaHardwareChoice {
 public:
  // Whether this processor has the SHA instructions; new objects use them when it does.
  static bool HardwareAvailable() { return ShaInstructionsAvailable(); }

  bool UsesHardware() const { return hardware_; }

  // Switches an object to the portable code (false) or back (true, where available).
  void SetUseHardware(bool use) { hardware_ = use && HardwareAvailable(); }

 protected:
  bool hardware_ = HardwareAvailable();
};

}  // namespace varkesh::detail
