// The heap through which strings change hands with the host: the Windows global heap
// (GlobalAlloc with GMEM_FIXED, GlobalFree) on Windows. Elsewhere the process supplies it: a
// host that exports `varkesh_host_heap` (see below) is used, so that it can account for every
// block; otherwise malloc and free.
#pragma once

#include <cstddef>

extern "C" {
// What a host process may export (with default visibility) to own the heap on non-Windows
// systems. Both functions must be safe to call with the blocks of the other side.
struct VarkeshHostHeap {
  void* (*allocate)(size_t size);
  void (*release)(void* block);
};
}

namespace varkesh::platform {

void* HostAllocate(size_t size);  // throws std::bad_alloc when the heap refuses
void HostRelease(void* block);    // null is ignored

}  // namespace varkesh::platform
