# CLI11 is header-only (Debian's libcli11-dev). A cross build cannot search the build machine's
# /usr/include as a whole, so it gets a folder holding only CLI11.
find_path(VARKESH_CLI11_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
if(CMAKE_CROSSCOMPILING)
  set(cli11_only ${PROJECT_BINARY_DIR}/cli11-include)
  file(MAKE_DIRECTORY ${cli11_only})
  file(CREATE_LINK ${VARKESH_CLI11_DIR}/CLI ${cli11_only}/CLI SYMBOLIC)
  set(VARKESH_CLI11_DIR ${cli11_only})
endif()
add_library(varkesh_cli11 INTERFACE)
target_include_directories(varkesh_cli11 SYSTEM INTERFACE ${VARKESH_CLI11_DIR})
