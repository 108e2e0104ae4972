# Warnings for our own targets only (linked privately, never exported).
add_library(varkesh_warnings INTERFACE)
target_compile_options(varkesh_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wmissing-declarations -Wcast-align
  $<$<BOOL:${VARKESH_WERROR}>:-Werror>)
