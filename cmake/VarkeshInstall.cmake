# What an install puts where. On Windows: the plug-in, the tool and an install note, zipped by
# `cmake --build … --target package` into varkesh-<version>-win32.zip. Elsewhere: the tool, and
# the library (static and shared) with its public headers <varkesh/…>, a CMake package
# (find_package(Varkesh) gives Varkesh::varkesh) and a pkg-config file (varkesh.pc).
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
