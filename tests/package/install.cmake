# Installs the build tree into a fresh prefix: cmake -DBUILD=<tree> -DPREFIX=<prefix> -P install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                COMMAND_ERROR_IS_FATAL ANY)
