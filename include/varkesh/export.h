// Marks what the shared library exports. Everything else in it stays internal (it is built with
// hidden visibility), so the exported surface is exactly what these headers declare.
#pragma once

#if defined(_WIN32)
#  define VARKESH_API
#else
#  define VARKESH_API __attribute__((visibility("default")))
#endif
