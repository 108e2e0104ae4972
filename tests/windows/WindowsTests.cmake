# Checks that only make sense for the Windows build.

# The export table and the imports of the .nbp (no Wine needed).
find_program(VARKESH_OBJDUMP ${CMAKE_CXX_COMPILER_TARGET}objdump NAMES i686-w64-mingw32-objdump REQUIRED)
add_test(NAME plugin_exports COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${VARKESH_OBJDUMP}
         -DPLUGIN=$<TARGET_FILE:varkesh_plugin> -P ${CMAKE_CURRENT_LIST_DIR}/check_exports.cmake)

# The calling convention, against a caller and a callee written in assembly.
enable_language(ASM)
add_executable(test_convention ${CMAKE_CURRENT_LIST_DIR}/convention_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/host_convention.S)
target_link_libraries(test_convention PRIVATE varkesh_test_support varkesh_warnings)
add_dependencies(test_convention varkesh_plugin)
add_test(NAME convention COMMAND test_convention)

# Files written by the plug-in under Wine are read by the Linux tool and the other way round,
# for every cipher (needs the native build's varkesh).
set(VARKESH_NATIVE_CLI "" CACHE FILEPATH "The Linux varkesh, for the interoperability test")
if(VARKESH_NATIVE_CLI)
  add_test(NAME interop_with_linux
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/interop.sh ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh
                   ${PROJECT_BINARY_DIR}/wineprefix $<TARGET_FILE:varkesh-host>
                   $<TARGET_FILE:varkesh_plugin> ${VARKESH_NATIVE_CLI})
  # varkesh.exe gives the Linux tool's bytes through pipes, and takes any file name.
  add_test(NAME cli_with_linux
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/cli_wine.sh ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh
                   ${PROJECT_BINARY_DIR}/wineprefix $<TARGET_FILE:varkesh> ${VARKESH_NATIVE_CLI})
endif()

# Cyrillic pass phrases and texts reach varkesh.exe intact and give the plug-in's results under
# a Russian and a Western ANSI code page.
add_test(NAME code_pages_under_wine
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/code_page.sh ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh
                 ${PROJECT_BINARY_DIR}/wineprefix $<TARGET_FILE:varkesh-host>
                 $<TARGET_FILE:varkesh_plugin> $<TARGET_FILE:varkesh>)

# The version resources and the install note of the package.
add_executable(test_windows_package ${CMAKE_CURRENT_LIST_DIR}/package_test.cpp)
target_link_libraries(test_windows_package PRIVATE varkesh_test_support varkesh_warnings version)
target_compile_definitions(test_windows_package PRIVATE
  VARKESH_INSTALL_NOTE="${PROJECT_BINARY_DIR}/INSTALL.txt")
add_test(NAME windows_package COMMAND test_windows_package)
