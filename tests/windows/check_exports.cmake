# cmake -DOBJDUMP=… -DPLUGIN=… -P check_exports.cmake
# The plug-in exports exactly the host's eight entry points and VarkeshLastError, undecorated,
# and imports nothing but Windows' own libraries.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${PLUGIN} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump failed on ${PLUGIN}")
endif()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${dump}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" rows "${table}")
set(names "")
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${row}")
  list(APPEND names "${name}")
endforeach()
list(SORT names)
set(expected VarkeshLastError nbAbout nbEditAction nbExecAction nbInitPlugIn nbMessage
             nbRegisterInterfaceAccess nbRegisterPlugIn nbRegisterScriptProcessor)
list(SORT expected)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exports are\n  ${names}\nexpected\n  ${expected}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
# Windows file names ignore case, and import libraries spell them either way.
set(system_dlls KERNEL32.DLL MSVCRT.DLL USER32.DLL GDI32.DLL COMCTL32.DLL SHELL32.DLL ADVAPI32.DLL)
foreach(dll IN LISTS imports)
  string(TOUPPER "${dll}" upper)
  if(NOT upper IN_LIST system_dlls)
    message(FATAL_ERROR "the plug-in imports ${dll}, which is not part of Windows")
  endif()
endforeach()
message(STATUS "exports: ${names}; imports: ${imports}")
