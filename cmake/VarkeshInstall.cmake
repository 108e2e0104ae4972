# What an install puts where. On Windows: the plug-in, the tool and an install note, zipped by
# `cmake --build … --target package` into varkesh-<version>-win32.zip. Elsewhere, packed into a
# .deb by the same target: the tool with its manual page and bash completion, and the library
# (static and shared) with its public headers <varkesh/…>, a CMake package (find_package(Varkesh)
# gives Varkesh::varkesh) and a pkg-config file (varkesh.pc).
if(WIN32)
  install(TARGETS varkesh_plugin RUNTIME DESTINATION . LIBRARY DESTINATION .)
  install(TARGETS varkesh RUNTIME DESTINATION .)
  varkesh_install_note(${PROJECT_SOURCE_DIR}/packaging/windows/INSTALL.txt.in
                       ${PROJECT_BINARY_DIR}/INSTALL.txt)
  install(FILES ${PROJECT_BINARY_DIR}/INSTALL.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME varkesh-${PROJECT_VERSION}-win32)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VARKESH_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Varkesh)

install(TARGETS varkesh_static varkesh_shared EXPORT VarkeshTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/varkesh
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/include/varkesh/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/varkesh)
install(TARGETS varkesh RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/varkesh.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME varkesh)

# The manual page, made from the tool's own help when the tool runs where it is built.
if(NOT CMAKE_CROSSCOMPILING)
  find_program(VARKESH_HELP2MAN help2man REQUIRED)
  set(man_page ${PROJECT_BINARY_DIR}/man/varkesh.1)
  set(man_include ${PROJECT_SOURCE_DIR}/packaging/linux/varkesh.h2m)
  add_custom_command(OUTPUT ${man_page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${VARKESH_HELP2MAN} -DVARKESH=$<TARGET_FILE:varkesh>
            -DINCLUDE=${man_include} -DOUTPUT=${man_page} -P ${CMAKE_CURRENT_LIST_DIR}/VarkeshManPage.cmake
    COMMAND gzip -9nf ${man_page}
    DEPENDS varkesh ${man_include} ${CMAKE_CURRENT_LIST_DIR}/VarkeshManPage.cmake
    COMMENT "Manual page varkesh.1 from the tool's help"
    VERBATIM)
  add_custom_target(varkesh_man ALL DEPENDS ${man_page}.gz)
  install(FILES ${man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

install(EXPORT VarkeshTargets NAMESPACE Varkesh:: DESTINATION ${VARKESH_CMAKE_DIR})

if(BUILD_SHARED_LIBS)
  set(VARKESH_DEFAULT_TARGET varkesh_shared)
else()
  set(VARKESH_DEFAULT_TARGET varkesh_static)
endif()
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VarkeshConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VarkeshConfig.cmake INSTALL_DESTINATION ${VARKESH_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VarkeshConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VarkeshConfig.cmake ${PROJECT_BINARY_DIR}/VarkeshConfigVersion.cmake
        DESTINATION ${VARKESH_CMAKE_DIR})

# pkg-config: `pkg-config --cflags --libs varkesh` links the shared library; add --static for
# the archive (whose C++ code needs the C++ runtime, hence Libs.private).
configure_file(${CMAKE_CURRENT_LIST_DIR}/varkesh.pc.in ${PROJECT_BINARY_DIR}/varkesh.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/varkesh.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# A Debian package of all of it: `cmake --build … --target package` gives
# varkesh_<version>_<architecture>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varkesh)
set(CPACK_PACKAGE_CONTACT "Varkesh developers <varkesh@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "encrypt, decrypt and hash texts and files in the Varkesh formats")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
