# What the Windows programs carry besides their code.

# A version resource for `target` (file and product version, description, product name), so
# that the file's properties in Windows say what it is.
function(varkesh_version_resource target description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(VARKESH_FILE_TYPE VFT_DLL)
  else()
    set(VARKESH_FILE_TYPE VFT_APP)
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  get_target_property(suffix ${target} SUFFIX)
  if(NOT suffix AND type STREQUAL "SHARED_LIBRARY")
    set(suffix ${CMAKE_SHARED_LIBRARY_SUFFIX})
  elseif(NOT suffix)
    set(suffix ${CMAKE_EXECUTABLE_SUFFIX})
  endif()
  set(VARKESH_FILE_NAME ${name}${suffix})
  set(VARKESH_FILE_DESCRIPTION ${description})
  set(rc ${PROJECT_BINARY_DIR}/version-${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# The install note, readable in Notepad on any Windows: UTF-8 with a byte-order mark (without
# one, Notepad reads it in the ANSI code page) and CR LF line ends.
function(varkesh_install_note template output)
  configure_file(${template} ${output}.lf @ONLY)
  file(READ ${output}.lf text)
  string(REPLACE "\n" "\r\n" text "${text}")
  string(ASCII 239 187 191 bom)
  file(WRITE ${output} "${bom}${text}")
endfunction()
