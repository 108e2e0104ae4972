# The manual page from the tool's help: help2man for the head and the options, and a section
# with every command's own help, found in the list of commands the help gives.
#   cmake -DHELP2MAN=… -DVARKESH=<tool> -DINCLUDE=<static sections> -DOUTPUT=<page> -P …
execute_process(COMMAND ${VARKESH} --help OUTPUT_VARIABLE help COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE ".*\nSubcommands:\n" "" commands "${help}")
string(REGEX MATCHALL "(^|\n)  [a-z]+" commands "${commands}")

file(READ ${INCLUDE} sections)
string(APPEND sections "\n[COMMANDS]\n")
foreach(command IN LISTS commands)
  string(STRIP "${command}" command)
  execute_process(COMMAND ${VARKESH} ${command} --help OUTPUT_VARIABLE text
                  COMMAND_ERROR_IS_FATAL ANY)
  # roff: backslashes doubled, and a line that starts with a dot or quote kept as text.
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(APPEND sections ".SS \"varkesh ${command}\"\n.nf\n${text}.fi\n")
endforeach()
get_filename_component(dir ${OUTPUT} DIRECTORY)
file(WRITE ${dir}/commands.h2m "${sections}")

execute_process(COMMAND ${HELP2MAN} --no-info --include=${dir}/commands.h2m
                        "--name=encrypt, decrypt and hash texts and files in the Varkesh formats"
                        --output=${OUTPUT} ${VARKESH}
                COMMAND_ERROR_IS_FATAL ANY)
