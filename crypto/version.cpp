#include "varkesh/version.h"

namespace varkesh {

const char* Version() noexcept { return VARKESH_VERSION_STRING; }

}  // namespace varkesh
