# What an install puts where. On Windows: the plug-in, the tool and an install note, zipped by
# `cmake --build … --target package` into varkesh-<version>-win32.zip. Elsewhere: the tool and
# the framework library as a CMake package (find_package(Varkesh) gives Varkesh::crypto).
if(WIN32)
  install(TARGETS varkesh_plugin RUNTIME DESTINATION . LIBRARY DESTINATION .)
  install(TARGETS varkesh RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/INSTALL-windows.txt DESTINATION . RENAME INSTALL.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME varkesh-${PROJECT_VERSION}-win32)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VARKESH_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Varkesh)

install(TARGETS varkesh_crypto EXPORT VarkeshTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/crypto/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/varkesh/crypto
        FILES_MATCHING PATTERN "*.h")
install(TARGETS varkesh RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT VarkeshTargets NAMESPACE Varkesh:: DESTINATION ${VARKESH_CMAKE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VarkeshConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VarkeshConfig.cmake INSTALL_DESTINATION ${VARKESH_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VarkeshConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VarkeshConfig.cmake ${PROJECT_BINARY_DIR}/VarkeshConfigVersion.cmake
        DESTINATION ${VARKESH_CMAKE_DIR})
