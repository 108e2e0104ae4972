#include "platform/host_heap.h"

#include <new>

#ifdef _WIN32
#  include "platform/win32.h"
#else
#  include <dlfcn.h>

#  include <cstdlib>
#endif

namespace varkesh::platform {

#ifdef _WIN32

void* HostAllocate(size_t size) {
  void* block = GlobalAlloc(GMEM_FIXED, size);
  if (block == nullptr)
    throw std::bad_alloc();
  return block;
}

void HostRelease(void* block) {
  if (block != nullptr)
    GlobalFree(block);
}

#else

namespace {

const VarkeshHostHeap& Heap() {
  static const VarkeshHostHeap heap = [] {
    const auto* hosted =
        static_cast<const VarkeshHostHeap*>(dlsym(RTLD_DEFAULT, "varkesh_host_heap"));
    return hosted != nullptr ? *hosted : VarkeshHostHeap{&std::malloc, &std::free};
  }();
  return heap;
}

}  // namespace

void* HostAllocate(size_t size) {
  void* block = Heap().allocate(size);
  if (block == nullptr)
    throw std::bad_alloc();
  return block;
}

void HostRelease(void* block) {
  if (block != nullptr)
    Heap().release(block);
}

#endif

}  // namespace varkesh::platform
